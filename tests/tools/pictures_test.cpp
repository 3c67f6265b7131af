// Checks the generated default picture pack: every start-up picture is there with a frame layout
// the loader can cut, keyed pictures really key, glyph sheets show their characters.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "gen_pictures/pack.h"
#include "media/png_image.h"

namespace kq {
namespace {

struct StartupPicture {
  const char* name;
  bool transparent;
  uint32_t key;
  int columns, rows;  // 0 = one frame across
};

// The loader's table, kept here on its own so a generator change cannot move both.
const std::vector<StartupPicture>& Startup() {
  static const std::vector<StartupPicture> t = {
      {"DUMMY", false, 0, 0, 0},        {"TITLE", false, 0, 0, 0},       {"OPENING", false, 0, 0, 0},
      {"ZANTHIE", false, 0, 0, 0},      {"SIGHT", true, 0, 2, 1},        {"COVER", false, 0, 0, 0},
      {"SHOOTER", true, 0, 2, 0},       {"SHOT1", true, 0xFFFFFF, 0, 0}, {"SHOT2", true, 0xFFFFFF, 0, 0},
      {"CHAINGAUGE", false, 0, 0, 0},   {"POWERGAUGE", false, 0, 0, 0},  {"RAINBOWGAUGE", false, 0, 0, 0},
      {"NUM_COMBO", true, 0, 10, 0},    {"BACK1", true, 0, 0, 0},        {"BACK2", true, 0, 0, 0},
      {"TITLE_CURSOR", true, 0, 14, 1}, {"RULE", false, 0, 0, 0},        {"RAINBOW", true, 0, 0, 0},
      {"STR_COMBO", true, 0, 0, 0},     {"STR_1P", true, 0, 0, 0},       {"STR_2P", true, 0, 0, 0},
      {"STR_TITLE", true, 0, 1, 5},     {"STR_LEVEL", true, 0, 0, 0},    {"STR_POKER", true, 0, 0, 7},
      {"STR_RAINBOW", true, 0, 0, 0},   {"STR_FINISH", true, 0, 0, 0},   {"STR_WIN", true, 0, 0, 0},
      {"STR_LOSE", true, 0, 0, 0},      {"STR_RETRY", true, 0, 0, 0},    {"STR_YES", true, 0, 0, 0},
      {"STR_NO", true, 0, 0, 0},        {"STR_BONUS", true, 0, 0, 0},    {"STR_PUSHKEY", true, 0, 0, 0},
      {"STR_RANKORDER", true, 0, 4, 0}, {"STR_HISCORE", true, 0, 0, 0},  {"STR_SCORENAME", true, 0, 0, 0},
      {"STR_GAMEOVER", true, 0, 0, 0},  {"STR_ENDING", true, 0, 0, 0},   {"STR_EXLV", true, 0, 0, 0},
      {"ATTACK1P", true, 0, 0, 0},      {"ATTACK2P", true, 0, 0, 0},     {"DAMAGE1P", true, 0, 0, 0},
      {"DAMAGE2P", true, 0, 0, 0},      {"FONT1", true, 0, 8, 8},        {"FONT2", true, 0, 8, 8},
      {"FONT_SCORE", true, 0, 10, 0},   {"FONT_SCORE2", true, 0, 10, 0}, {"POKER_RIM1", true, 0, 5, 0},
      {"POKER_RIM2", true, 0, 0, 0},    {"BLOCK_N", false, 0, 0, 0},     {"BLOCK_C", false, 0, 0, 0},
  };
  return t;
}

std::string GrpPath(const std::string& file) {
  return std::string(KQ_BIN_DIR) + "/GRP/" + file;
}

Bitmap Load(const std::string& file) {
  return DecodePngFile(GrpPath(file));
}

bool IsKey(uint32_t px, uint32_t key) {
  return ToRgb565(px & 0xFFFFFF) == ToRgb565(key);
}

// Counts pixels of a frame that differ from the key.
int Drawn(const Bitmap& b, int x0, int y0, int w, int h, uint32_t key) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) n += !IsKey(b.At(x, y), key);
  return n;
}

class PicturePack : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const StartupPicture& p : Startup()) {
      std::string file = std::string(p.name) + ".PNG";
      if (std::filesystem::exists(GrpPath(file))) pictures_[p.name] = Load(file);
    }
  }
  static const Bitmap& Pic(const std::string& name) { return pictures_.at(name); }
  static std::map<std::string, Bitmap> pictures_;
};
std::map<std::string, Bitmap> PicturePack::pictures_;

TEST_F(PicturePack, EveryStartupPictureExistsAndCutsIntoWholeFrames) {
  for (const StartupPicture& p : Startup()) {
    SCOPED_TRACE(p.name);
    ASSERT_TRUE(pictures_.count(p.name)) << "missing GRP/" << p.name << ".PNG";
    const Bitmap& b = Pic(p.name);
    int cols = p.columns ? p.columns : 1, rows = p.rows ? p.rows : 1;
    EXPECT_GT(b.Width, 0);
    EXPECT_EQ(b.Width % cols, 0) << "width " << b.Width << " does not split into " << cols;
    EXPECT_EQ(b.Height % rows, 0) << "height " << b.Height << " does not split into " << rows;
  }
}

TEST_F(PicturePack, SizesFitTheScreenLayout) {
  auto size = [&](const char* name) { return std::make_pair(Pic(name).Width, Pic(name).Height); };
  using P = std::pair<int, int>;
  for (const char* full : {"TITLE", "OPENING", "RULE", "ZANTHIE"}) EXPECT_EQ(size(full), P(640, 480)) << full;
  EXPECT_EQ(size("FONT1"), P(80, 128));
  EXPECT_EQ(size("FONT2"), P(80, 128));
  EXPECT_EQ(size("BLOCK_N"), P(160, 224));
  EXPECT_EQ(size("BLOCK_C"), P(160, 224));
  EXPECT_EQ(size("SIGHT"), P(64, 32));
  EXPECT_EQ(size("COVER"), P(640, 64));          // drawn centred at (320, 448): the strip below the fields
  EXPECT_EQ(Pic("FONT_SCORE").Width / 10, 14);   // score digits stand 14 px apart
  EXPECT_LE(Pic("FONT_SCORE2").Width / 10, 30);  // ranking digits stand 30 px apart
  EXPECT_LE(Pic("STR_TITLE").Height / 5, 22);    // menu rows stand 22 px apart
  EXPECT_LE(Pic("STR_LEVEL").Width, 32);         // the level digits start 32 px to its right
  EXPECT_LE(Pic("POKER_RIM1").Width / 5, 40);    // card slots stand 40 px apart
  EXPECT_GE(Pic("BACK1").Width, 256);
  EXPECT_EQ(Pic("BACK1").Height, 416);
  EXPECT_EQ(Pic("BACK2").Height, 416);
  int shooterH = Pic("SHOOTER").Height;
  EXPECT_LE(450 + shooterH / 2, 480) << "the shooter sits on the strip below the fields";
  for (const char* board : {"STR_WIN", "STR_LOSE", "STR_GAMEOVER", "STR_BONUS", "STR_RAINBOW", "STR_FINISH",
                            "STR_ENDING", "STR_EXLV"})
    EXPECT_LE(Pic(board).Width, 224) << board << " rises over a one-player field";
}

TEST_F(PicturePack, KeyedPicturesHoldKeyAndDrawnPixelsInEveryFrame) {
  for (const StartupPicture& p : Startup()) {
    if (!p.transparent) continue;
    SCOPED_TRACE(p.name);
    const Bitmap& b = Pic(p.name);
    int cols = p.columns ? p.columns : 1, rows = p.rows ? p.rows : 1;
    int fw = b.Width / cols, fh = b.Height / rows;
    int keyed = b.Width * b.Height - Drawn(b, 0, 0, b.Width, b.Height, p.key);
    EXPECT_GT(keyed, 0) << "nothing is transparent";
    bool glyphs = std::string(p.name).rfind("FONT", 0) == 0 && fh == 16;
    if (glyphs) continue;  // glyph sheets have free patterns; checked below
    for (int f = 0; f < cols * rows; ++f)
      EXPECT_GT(Drawn(b, (f % cols) * fw, (f / cols) * fh, fw, fh, p.key), 0) << "frame " << f << " is empty";
  }
}

TEST_F(PicturePack, GlyphSheetsFillExactlyTheAssignedPatterns) {
  // Patterns the text writer looks up, per sheet (V and v on the free patterns 50 and 54; the
  // apostrophe on 60).
  const std::vector<int> font1 = {6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 12, 20, 28, 44, 52,
                                  60, 5,  13, 29, 37, 45, 53, 61, 23, 31, 39, 47, 55, 63};
  const std::vector<int> font2 = {8,  16, 24, 32, 40, 48, 56, 1,  9,  17, 25, 33, 41, 49, 57, 2,  10, 18, 26,
                                  34, 42, 50, 58, 3,  11, 19, 12, 20, 28, 36, 44, 52, 60, 5,  13, 21, 29, 37,
                                  45, 53, 61, 6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 23, 27, 35, 43, 51, 59};
  for (auto [name, used] : {std::make_pair("FONT1", font1), std::make_pair("FONT2", font2)}) {
    SCOPED_TRACE(name);
    const Bitmap& b = Pic(name);
    for (int pat = 0; pat < 64; ++pat) {
      bool assigned = std::find(used.begin(), used.end(), pat) != used.end();
      int n = Drawn(b, (pat % 8) * 10, (pat / 8) * 16, 10, 16, 0);
      if (assigned)
        EXPECT_GT(n, 8) << "pattern " << pat << " should show a character";
      else
        EXPECT_EQ(n, 0) << "pattern " << pat << " is free and should stay empty";
    }
  }
}

TEST_F(PicturePack, BlockSheetsRestAnimateAndTellKindsApart) {
  for (const char* sheet : {"BLOCK_N", "BLOCK_C"}) {
    SCOPED_TRACE(sheet);
    const Bitmap& b = Pic(sheet);
    auto frame = [&](int kind, int f) { return b.Crop(f * 32, kind * 32, 32, 32).Pixels; };
    for (int kind = 0; kind < 7; ++kind) {
      SCOPED_TRACE(kind);
      EXPECT_EQ(frame(kind, 0), frame(kind, 1)) << "frame 0 is the resting frame too";
      for (int f = 2; f < 5; ++f) EXPECT_NE(frame(kind, f), frame(kind, 1)) << "erase frame " << f;
      // The erase ends faded: the last frame covers much less than a resting block.
      EXPECT_LT(Drawn(b, 128, kind * 32, 32, 32, 0) * 2, Drawn(b, 32, kind * 32, 32, 32, 0));
      // Keyed corners, so blocks are rounded and never bleed into their neighbours.
      EXPECT_TRUE(IsKey(b.At(32, kind * 32), 0));
      for (int other = 0; other < kind; ++other)
        EXPECT_NE(frame(kind, 1), frame(other, 1)) << "vs kind " << other;
    }
  }
  const Bitmap& n = Pic("BLOCK_N");
  const Bitmap& c = Pic("BLOCK_C");
  for (int kind = 0; kind < 6; ++kind)
    EXPECT_NE(n.Crop(32, kind * 32, 32, 32).Pixels, c.Crop(32, kind * 32, 32, 32).Pixels)
        << "hard kind " << kind;
}

TEST(PictureFiles, EndingPagesStageBackgroundsAndDustExist) {
  for (int page = 1; page <= 5; ++page) {
    char name[32];
    std::snprintf(name, sizeof name, "ENDING%.2d.PNG", page);
    Bitmap b = Load(name);
    EXPECT_EQ(b.Width, 640) << name;
    EXPECT_EQ(b.Height, 480) << name;
  }
  for (int level : {1, 11, 21, 41, 61, 81, 101, 151}) {
    char name[32];
    std::snprintf(name, sizeof name, "BG%.3d.png", level);
    Bitmap b = Load(name);
    EXPECT_EQ(b.Width, 224) << name;
    EXPECT_EQ(b.Height, 416) << name;
  }
  Bitmap dust = Load("DUST.PNG");
  EXPECT_EQ(dust.Width, 32);
  // Dust is added onto the screen: its surround must be pure black.
  EXPECT_EQ(dust.At(0, 0) & 0xFFFFFF, 0u);
  EXPECT_NE(dust.At(16, 16) & 0xFFFFFF, 0u);
}

TEST(Flatten, KeyIsExactAndDrawnPixelsNeverCollideWithIt) {
  gen::Layer l(4, 1);
  l.Blend(1, 0, gen::Hex(0x020202));        // opaque but below 16-bit precision of black
  l.Blend(2, 0, gen::Hex(0xFFFFFF), 0.5f);  // half-covered white over nothing
  l.Blend(3, 0, gen::Hex(0xFDFDFD));        // opaque near-white
  Bitmap black = gen::Flatten(l, gen::Key::Black);
  EXPECT_EQ(black.At(0, 0) & 0xFFFFFF, 0u);
  EXPECT_FALSE(IsKey(black.At(1, 0), 0));
  EXPECT_FALSE(IsKey(black.At(2, 0), 0));
  Bitmap white = gen::Flatten(l, gen::Key::White);
  EXPECT_EQ(white.At(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_FALSE(IsKey(white.At(3, 0), 0xFFFFFF));
  Bitmap plain = gen::Flatten(l, gen::Key::None);
  EXPECT_EQ(plain.At(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(plain.At(1, 0) & 0xFFFFFF, 0x020202u);
}

// Which character a glyph cell shows, read back with the built-in face: the light fill of the
// glyph is compared with every candidate character's own rendering. Every glyph of a sheet stands
// on the baseline at row 12, so a line of text reads straight; "-" and "_" differ only there.
char ReadGlyph(const Bitmap& sheet, int pattern, const std::string& candidates) {
  auto fill = [&](int x, int y) {
    uint32_t p = sheet.At((pattern % 8) * 10 + x, (pattern / 8) * 16 + y);
    return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 380;  // half covered by the light fill
  };
  std::vector<std::pair<int, int>> cell;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 10; ++x)
      if (fill(x, y)) cell.push_back({x, y});
  if (cell.empty()) return 0;
  int cx = 99;
  for (auto [x, y] : cell) cx = std::min(cx, x);
  const int kBaseline = 12;
  char best = 0;
  double bestScore = -1;
  for (char ch : candidates) {
    gen::TextLine t = gen::RenderBuiltIn(std::string(1, ch), 13, true);
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < t.M.H; ++y)
      for (int x = 0; x < t.M.W; ++x)
        if (t.M.At(x, y) > 0.5f) ink.push_back({x, y});
    if (ink.empty()) continue;
    int ix = 99;
    for (auto [x, y] : ink) ix = std::min(ix, x);
    int common = 0;
    for (auto [x, y] : ink)
      for (auto [u, v] : cell) common += (x - ix == u - cx && y - t.Baseline == v - kBaseline);
    double score = double(common) / double(ink.size() + cell.size() - common);
    if (score > bestScore) bestScore = score, best = ch;
  }
  return bestScore > 0.5 ? best : char(0);
}

TEST(GlyphSheets, BuiltInFaceShowsEveryAssignedCharacter) {
  gen::Fonts fonts;
  fonts.UseBuiltIn();
  gen::Pack pack(fonts);
  gen::MakeGlyphs(pack);
  const std::string chars1 = "0123456789!\"#%&()+,-./:;<=>";
  const std::vector<int> pats1 = {6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 12, 20, 28, 44,
                                  52, 5,  13, 29, 37, 45, 53, 61, 23, 31, 39, 47, 55};
  const std::string chars2 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz[\\]^_";
  const std::vector<int> pats2 = {8,  16, 24, 32, 40, 48, 56, 1,  9,  17, 25, 33, 41, 49, 57, 2,  10, 18, 26,
                                  34, 42, 50, 58, 3,  11, 19, 12, 20, 28, 36, 44, 52, 60, 5,  13, 21, 29, 37,
                                  45, 53, 61, 6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 23, 27, 35, 43, 51, 59};
  const std::string all = chars1 + chars2;
  const Bitmap& f1 = pack.Find("FONT1.PNG")->Picture;
  const Bitmap& f2 = pack.Find("FONT2.PNG")->Picture;
  for (size_t i = 0; i < chars1.size(); ++i)
    EXPECT_EQ(ReadGlyph(f1, pats1[i], all), chars1[i]) << "pattern " << pats1[i];
  for (size_t i = 0; i < chars2.size(); ++i)
    EXPECT_EQ(ReadGlyph(f2, pats2[i], all), chars2[i]) << "pattern " << pats2[i];
}

TEST(GlyphSheets, BuiltInFaceBuildsTheWholePack) {
  // A machine without fonts still gets every picture, at the same sizes.
  gen::Fonts builtIn;
  builtIn.UseBuiltIn();
  gen::Pack fallback(builtIn);
  gen::MakePack(fallback);
  for (const StartupPicture& p : Startup()) {
    std::string file = std::string(p.name) + ".PNG";
    const gen::PackPicture* pic = fallback.Find(file);
    ASSERT_NE(pic, nullptr) << file;
    Bitmap disk = Load(file);
    EXPECT_EQ(pic->Picture.Width, disk.Width) << file;
    EXPECT_EQ(pic->Picture.Height, disk.Height) << file;
  }
}

}  // namespace
}  // namespace kq
