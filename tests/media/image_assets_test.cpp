#include "media/image_assets.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/errors.h"
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

// PNG files built byte by byte, so a test can break exactly one part.
uint32_t Crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}
std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Chunk(const std::string& type, const std::string& data) {
  return Be32(uint32_t(data.size())) + type + data + Be32(Crc32(type + data));
}
// A zlib stream of one stored block.
std::string Stored(const std::string& raw) {
  uint32_t a = 1, b = 0;
  for (unsigned char ch : raw) a = (a + ch) % 65521, b = (b + a) % 65521;
  const auto n = uint16_t(raw.size());
  return std::string("\x78\x01\x01", 3) + char(n & 0xFF) + char(n >> 8) + char(~n & 0xFF) +
         char((~n >> 8) & 0xFF) + raw + Be32(b << 16 | a);
}
// An interlaced RGBA picture of one colour; idat replaces the compressed data when given.
std::string InterlacedPng(int w, int h, uint32_t rgba, const std::string* idat = nullptr) {
  static const int x0[] = {0, 4, 0, 2, 0, 1, 0}, dx[] = {8, 8, 4, 4, 2, 2, 1};
  static const int y0[] = {0, 0, 4, 0, 2, 0, 1}, dy[] = {8, 8, 8, 4, 4, 2, 2};
  std::string raw;
  for (int p = 0; p < 7; ++p) {
    const int cols = w > x0[p] ? (w - x0[p] + dx[p] - 1) / dx[p] : 0;
    const int rows = h > y0[p] ? (h - y0[p] + dy[p] - 1) / dy[p] : 0;
    if (cols == 0) continue;
    for (int r = 0; r < rows; ++r) {
      raw += '\0';  // no filter
      for (int c = 0; c < cols; ++c) raw += Be32(rgba);
    }
  }
  std::string ihdr = Be32(uint32_t(w)) + Be32(uint32_t(h)) + std::string("\x08\x06\x00\x00\x01", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) +
         Chunk("IDAT", idat ? *idat : Stored(raw)) + Chunk("IEND", "");
}

Bitmap Decode(const std::string& png) {
  return DecodePngMemory(reinterpret_cast<const unsigned char*>(png.data()), png.size(), "built.png");
}

TEST(PngDecoder, ABrokenInterlacedPictureThrowsAndLeaksNothing) {
  const std::string good = InterlacedPng(8, 9, 0x30609FFFu);
  Bitmap b = Decode(good);
  ASSERT_EQ(b.Width, 8);
  ASSERT_EQ(b.Height, 9);
  EXPECT_EQ(b.At(7, 8), 0xFF30609Fu);
  EXPECT_EQ(b.At(3, 4), 0xFF30609Fu);
  // The deflate data names a block type that does not exist: libpng fails inside the row reads,
  // after the row pointers exist.
  const std::string badIdat("\x78\x01\x07\x00\x00\x00\x00", 7);
  const std::string bad = InterlacedPng(8, 9, 0x30609FFFu, &badIdat);
  EXPECT_THROW(Decode(bad), EImageDecodeError);
  // Bytes in use before and after many failures (the sanitizer builds see leaks themselves).
  const size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 4000; ++i) {
    try {
      Decode(bad);
    } catch (const EImageDecodeError&) {
    }
  }
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 16384) << "bytes kept by 4000 failed decodes: " << (after - before);
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

// The decoder must refuse a header whose size SDL would allocate before reading a pixel, also
// when the file ends inside the header.
TEST(BmpDecoder, RefusesHugeHeadersEvenWhenTheFileIsShort) {
  const unsigned char core[] = {
      'B', 'M', 0x2f, 0xce, 0, 0x10, 1,    0,    0,    0, 0x28, 0, 0,
      0,   12,  0,    0,    0, 0xfe, 0xff, 0xff, 0xff, 2, 1,    4};  // 65534 x 65535, 25 bytes
  EXPECT_THROW(DecodeBmpMemory(core, sizeof core, "core"), EImageDecodeError);
  unsigned char info[54] = {'B', 'M', 54, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
  info[18] = 4, info[22] = 0x00, info[23] = 0x00, info[24] = 0x00, info[25] = 0x80;  // h = INT_MIN
  info[26] = 1, info[28] = 24;
  EXPECT_THROW(DecodeBmpMemory(info, sizeof info, "top-down"), EImageDecodeError);
  info[22] = 2, info[25] = 0;  // 4 x 2, no pixel data: an error, still no crash
  EXPECT_THROW(DecodeBmpMemory(info, sizeof info, "empty"), EImageDecodeError);
}

}  // namespace
}  // namespace kq
