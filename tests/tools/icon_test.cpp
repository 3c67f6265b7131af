// The icon: one picture as PNGs of every size, the SVG and the pack's window icon.
#include "gen_pictures/icon.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "gen_pictures/art.h"
#include "media/png_image.h"

namespace kq::gen {
namespace {

uint32_t Rgb(Color c) {
  auto ch = [](float v) { return uint32_t(std::lround(v * 255)); };
  return ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}

TEST(Icon, EverySizeIsTheSamePicture) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    Bitmap b = RenderIcon(size);
    ASSERT_EQ(b.Width, size);
    ASSERT_EQ(b.Height, size);
    EXPECT_EQ(b.At(0, 0) >> 24, 0u) << size;  // outside the rounded tile
    EXPECT_EQ(b.At(size - 1, size - 1) >> 24, 0u) << size;
    // Pixels at points given in icon units (256 a side).
    auto at = [&](float ux, float uy) {
      return b.At(int(ux * float(size) / 256), int(uy * float(size) / 256));
    };
    // The middle block is the red of the game's first block kind; the top left one its blue.
    EXPECT_EQ(at(136, 136), 0xFF000000u | Rgb(KindColor(0))) << size;
    EXPECT_EQ(at(72, 72), 0xFF000000u | Rgb(KindColor(4))) << size;
    // The sight's top-left bracket is white where a pixel fits inside it.
    if (size >= 64) {
      EXPECT_EQ(at(103, 95.5f) & 0xFFFFFF, 0xFFFFFFu) << size;
    }
  }
}

TEST(Icon, TheSvgDrawsTheSameShapes) {
  const std::string svg = IconSvg();
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
  const std::vector<IconShape> shapes = IconShapes();
  std::regex rect(
      "<rect x=\"([0-9.]+)\" y=\"([0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\" rx=\"([0-9.]+)\" "
      "fill=\"#([0-9A-F]{6})\"( fill-opacity=\"([0-9.]+)\")?/>");
  size_t n = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator();
       ++it, ++n) {
    ASSERT_LT(n, shapes.size());
    const IconShape& s = shapes[n];
    EXPECT_FLOAT_EQ(std::stof((*it)[1]), s.X);
    EXPECT_FLOAT_EQ(std::stof((*it)[4]), s.H);
    EXPECT_EQ(std::stoul((*it)[6], nullptr, 16), s.Rgb);
    EXPECT_FLOAT_EQ((*it)[8].matched ? std::stof((*it)[8]) : 1.f, s.Alpha);
  }
  EXPECT_EQ(n, shapes.size());
}

TEST(Icon, ThePackCarriesTheWindowIcon) {
  const std::string path = std::string(KQ_BIN_DIR) + "/GRP/ICON.PNG";
  ASSERT_TRUE(std::filesystem::exists(path));
  Bitmap b = DecodePngFile(path);
  Bitmap want = RenderIcon(64);
  ASSERT_EQ(b.Width, 64);
  EXPECT_EQ(b.At(0, 0) >> 24, 0u);  // transparent corner survived the file
  EXPECT_EQ(b.At(32, 36), want.At(32, 36));
}

}  // namespace
}  // namespace kq::gen
