#include <gtest/gtest.h>

#include <vector>

#include "core/context.h"

namespace kq {
namespace {

// Fonts whose every pattern is one solid colour naming the font and the pattern.
struct GlyphTest : ::testing::Test {
  GameContext g;
  Bitmap target{200, 32, 0xFF000000u};
  BitmapCanvas canvas{target};
  void SetUp() override {
    for (int f = 1; f <= 2; ++f) {
      TPictureItem& it = g.DXImageList1.Replace(f == 1 ? "FONT1" : "FONT2");
      it.Source = Bitmap(80, 128);
      for (int p = 0; p < 64; ++p)
        for (int y = 0; y < 16; ++y)
          for (int x = 0; x < 10; ++x) it.Source.At((p % 8) * 10 + x, (p / 8) * 16 + y) = Code(f, p);
      it.PatternWidth = 10;
      it.PatternHeight = 16;
      it.Transparent = true;
      it.Restore();
    }
  }
  static uint32_t Code(int font, int pattern) {
    return 0xFF000080u | uint32_t(font * 0x60) << 16 | uint32_t(pattern * 4) << 8;
  }
  // What was drawn in each 10-pixel cell of row 1 (y 16..31): {font, pattern} or {0, 0}.
  std::vector<std::pair<int, int>> Cells(int n) {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < n; ++i) {
      uint32_t p = target.At(i * 10 + 5, 20) & 0xFFFFFF;
      out.push_back(p == 0 ? std::make_pair(0, 0)
                           : std::make_pair(int(p >> 16) / 0x60, int((p >> 8) & 0xFF) / 4));
    }
    return out;
  }
};

TEST_F(GlyphTest, DigitsLettersAndSigns) {
  DrawGlyphText(g, canvas, 0, "FPS=60", 1);
  EXPECT_EQ(Cells(6), (std::vector<std::pair<int, int>>{{2, 48}, {2, 2}, {2, 26}, {1, 47}, {1, 54}, {1, 6}}));
}

TEST_F(GlyphTest, LowerCaseVAndUpperCaseVHaveTheirOwnPatterns) {
  DrawGlyphText(g, canvas, 0, "Vv_[", 1);
  auto cells = Cells(4);
  EXPECT_EQ(cells[0].first, 2);
  EXPECT_EQ(cells[1].first, 2);
  EXPECT_NE(cells[0].second, cells[1].second);
  EXPECT_EQ(cells[2], std::make_pair(2, 59));
  EXPECT_EQ(cells[3], std::make_pair(2, 27));
}

TEST_F(GlyphTest, BlanksAdvanceAndUnknownSignsShowTheBox) {
  DrawGlyphText(g, canvas, 1, "1 ~", 1);
  EXPECT_EQ(Cells(4), (std::vector<std::pair<int, int>>{{0, 0}, {1, 14}, {0, 0}, {1, 63}}));
}

TEST_F(GlyphTest, DoubleByteCharactersTakeTwoCellsWithTheBoxInTheSecond) {
  DrawGlyphText(g, canvas, 0,
                "\x82\xa0"
                "A"
                "\xe3\x81\x82"
                "B",
                1);  // Shift-JIS, then UTF-8
  EXPECT_EQ(Cells(7),
            (std::vector<std::pair<int, int>>{{0, 0}, {1, 63}, {2, 8}, {0, 0}, {1, 63}, {2, 16}, {0, 0}}));
}

TEST_F(GlyphTest, TruncatedDoubleByteAtTheEndDoesNotReadPastTheText) {
  std::string text = "A\x82";
  DrawGlyphText(g, canvas, 0, std::string_view(text.data(), text.size()), 1);
  EXPECT_EQ(Cells(3), (std::vector<std::pair<int, int>>{{2, 8}, {0, 0}, {1, 63}}));
}

}  // namespace
}  // namespace kq
