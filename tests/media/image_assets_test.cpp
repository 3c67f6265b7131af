#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/errors.h"
#include "media/image_assets.h"
#include "media/png_image.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

struct ImageAssetsTest : ::testing::Test {
  fs::path dir;
  TImageList list;
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "kqimgXXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir = templ;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Png(const std::string& name, int w, int h, uint32_t fill = 0xFF204060u) {
    std::string path = (dir / name).string();
    Bitmap b(w, h, fill);
    b.At(0, 0) = 0xFF000000u;
    EXPECT_TRUE(WritePngFile(path, b));
    return path;
  }
};

TEST_F(ImageAssetsTest, FrameSizesDropTheRemainder) {
  ASSERT_TRUE(LoadImageAsset(list, "NUM_COMBO", Png("NUM_COMBO.PNG", 161, 20), 10, 0, true, 0));
  const TPictureItem* it = list.Find("num_combo");
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->PatW(), 16);
  EXPECT_EQ(it->PatH(), 20);
  EXPECT_EQ(it->PatternCount(), 10);
  EXPECT_EQ(it->Image.Pixels().At(0, 0) >> 24, 0u);  // keyed black
  EXPECT_EQ(it->Image.Pixels().At(1, 0) >> 24, 255u);
}

TEST_F(ImageAssetsTest, LoadingAgainReplacesWithoutGrowingTheList) {
  ASSERT_TRUE(LoadImageAsset(list, "ENDING", Png("a.png", 8, 8), 0, 0, false, 0));
  TPictureItem* first = list.Find("ENDING");
  ASSERT_TRUE(LoadImageAsset(list, "ENDING", Png("b.PNG", 4, 2), 0, 0, false, 0));
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Find("ENDING"), first);
  EXPECT_EQ(first->Width(), 4);
}

TEST_F(ImageAssetsTest, MissingFileOrOtherExtensionChangesNothing) {
  EXPECT_FALSE(LoadImageAsset(list, "X", (dir / "none.png").string(), 0, 0, false, 0));
  std::string jpg = Png("pic.jpg", 4, 4);
  EXPECT_FALSE(LoadImageAsset(list, "X", jpg, 0, 0, false, 0));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ImageAssetsTest, UndecodableFileThrowsAndKeepsTheOldPicture) {
  ASSERT_TRUE(LoadImageAsset(list, "SIGHT", Png("ok.png", 8, 8), 0, 0, false, 0));
  std::ofstream((dir / "bad.png").string(), std::ios::binary) << "\x89PNG\r\n\x1a\n garbage";
  EXPECT_THROW(LoadImageAsset(list, "SIGHT", (dir / "bad.png").string(), 0, 0, false, 0), EImageDecodeError);
  EXPECT_EQ(list.Find("SIGHT")->Width(), 8);
}

TEST_F(ImageAssetsTest, CutCopiesTheRectangleAndIgnoresMissingSources) {
  std::string path = Png("sheet.png", 160, 224);
  ASSERT_TRUE(LoadImageAsset(list, "BLOCK_N", path, 0, 0, false, 0));
  CutImageAsset(list, "BLOCK_N3", "BLOCK_N", 0, 96, 160, 32, 5, 0, true, 0);
  const TPictureItem* strip = list.Find("BLOCK_N3");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->Width(), 160);
  EXPECT_EQ(strip->PatW(), 32);
  EXPECT_EQ(strip->PatternCount(), 5);
  CutImageAsset(list, "Y", "NOPE", 0, 0, 4, 4, 0, 0, false, 0);
  EXPECT_EQ(list.Find("Y"), nullptr);
}

TEST(PngDecoder, RejectsTruncatedAndOversizedFiles) {
  Bitmap b(32, 32, 0xFF112233u);
  std::string path = (fs::temp_directory_path() / "kq_png_probe.png").string();
  ASSERT_TRUE(WritePngFile(path, b));
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  fs::remove(path);
  Bitmap round = DecodePngMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), "probe");
  EXPECT_EQ(round.At(5, 5), 0xFF112233u);
  EXPECT_THROW(DecodePngMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size() / 2, "t"),
               EImageDecodeError);
  std::string huge = bytes;
  huge[16] = 0, huge[17] = 0, huge[18] = 0x20, huge[19] = 0x01;  // 8193 pixels wide
  EXPECT_THROW(DecodePngMemory(reinterpret_cast<const unsigned char*>(huge.data()), huge.size(), "h"),
               EImageDecodeError);
}

}  // namespace
}  // namespace kq
