// Our BMP decoder against SDL's loader, which the game used before: small files of every layout
// a paint program writes, built in memory, must give the same pixels. Then the broken files.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "media/png_image.h"

namespace kq {
namespace {

std::string Le16(uint32_t v) {
  return {char(v & 0xFF), char(v >> 8 & 0xFF)};
}
std::string Le32(uint32_t v) {
  return Le16(v & 0xFFFF) + Le16(v >> 16);
}

struct BmpFile {
  int HeaderSize = 40;  // 12, 40, 56, 64, 108 or 124
  int Bpp = 24;
  uint32_t Compression = 0;
  int Width = 1;
  int Height = 1;
  bool TopDown = false;
  std::vector<uint32_t> Palette;  // 0xRRGGBB, all written
  uint32_t ColorsUsed = 0;
  uint32_t Masks[3] = {};
  std::string Pixels;  // as stored
};

BmpFile Make(int headerSize, int bpp, uint32_t compression, int width, int height, bool topDown = false) {
  BmpFile f;
  f.HeaderSize = headerSize, f.Bpp = bpp, f.Compression = compression;
  f.Width = width, f.Height = height, f.TopDown = topDown;
  return f;
}

std::string Build(const BmpFile& f) {
  std::string header, afterHeader;
  const std::string masks = Le32(f.Masks[0]) + Le32(f.Masks[1]) + Le32(f.Masks[2]);
  if (f.HeaderSize == 12) {
    header = Le32(12) + Le16(uint32_t(f.Width)) + Le16(uint32_t(f.Height)) + Le16(1) + Le16(uint32_t(f.Bpp));
  } else {
    header = Le32(uint32_t(f.HeaderSize)) + Le32(uint32_t(f.Width)) +
             Le32(uint32_t(f.TopDown ? -f.Height : f.Height)) + Le16(1) + Le16(uint32_t(f.Bpp)) +
             Le32(f.Compression) + Le32(uint32_t(f.Pixels.size())) + Le32(2835) + Le32(2835) +
             Le32(f.ColorsUsed) + Le32(0);
    if (f.HeaderSize == 40 && f.Compression == 3) afterHeader = masks;
    if (f.HeaderSize > 40 && f.HeaderSize != 64) header += masks;
    header.resize(size_t(f.HeaderSize), '\0');
  }
  for (uint32_t c : f.Palette) {
    afterHeader += {char(c & 0xFF), char(c >> 8 & 0xFF), char(c >> 16 & 0xFF)};
    if (f.HeaderSize != 12) afterHeader += '\0';
  }
  const auto offset = uint32_t(14 + header.size() + afterHeader.size());
  return "BM" + Le32(offset + uint32_t(f.Pixels.size())) + Le32(0) + Le32(offset) + header + afterHeader +
         f.Pixels;
}

// Stored rows of `values` (indexes or raw pixels, top row first) with junk in every padding bit.
std::string PackRows(const BmpFile& f, const std::vector<uint32_t>& values) {
  const size_t stride = (size_t(f.Width) * size_t(f.Bpp) + 31) / 32 * 4;
  std::string out;
  for (int r = 0; r < f.Height; ++r) {
    const int y = f.TopDown ? r : f.Height - 1 - r;
    std::string row(stride, '\0');
    for (int x = 0; x < f.Width; ++x) {
      const uint32_t v = values[size_t(y) * size_t(f.Width) + size_t(x)];
      const size_t bit = size_t(x) * size_t(f.Bpp);
      if (f.Bpp < 8) {
        row[bit / 8] = char(uint8_t(row[bit / 8]) | v << (8 - f.Bpp - bit % 8));
      } else {
        for (int k = 0; k < f.Bpp / 8; ++k) row[bit / 8 + size_t(k)] = char(v >> (8 * k) & 0xFF);
      }
    }
    const size_t used = (size_t(f.Width) * size_t(f.Bpp) + 7) / 8;
    const int spareBits = int(used * 8 - size_t(f.Width) * size_t(f.Bpp));
    if (spareBits) row[used - 1] = char(uint8_t(row[used - 1]) | ((1u << spareBits) - 1));
    for (size_t i = used; i < stride; ++i) row[i] = char(0xA5);
    out += row;
  }
  return out;
}

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

Bitmap Ours(const std::string& file) {
  return DecodeBmpMemory(Bytes(file), file.size(), "built.bmp");
}

// Channels narrower than 8 bits may be widened differently (SDL's own blitters do not agree with
// each other), so they compare in their own precision.
void ExpectSameAsSdl(const std::string& file, const std::string& what, int channelBits = 8) {
  SCOPED_TRACE(what);
  Bitmap ours;
  try {
    ours = Ours(file);
  } catch (const EImageDecodeError& e) {
    FAIL() << e.what();
  }
  SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), int(file.size())), 1);
  ASSERT_NE(loaded, nullptr) << SDL_GetError();
  SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  ASSERT_NE(s, nullptr) << SDL_GetError();
  ASSERT_EQ(ours.Width, s->w);
  ASSERT_EQ(ours.Height, s->h);
  const uint32_t keep = (0xFFu << (8 - channelBits) & 0xFFu) * 0x010101u;
  int wrong = 0;
  for (int y = 0; y < s->h && wrong < 5; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < s->w && wrong < 5; ++x) {
      const uint32_t sdl = row[x] | 0xFF000000u;
      EXPECT_EQ(ours.At(x, y) >> 24, 0xFFu) << "at " << x << "," << y;
      if ((ours.At(x, y) & keep) != (sdl & keep)) {
        ++wrong;
        ADD_FAILURE() << "at " << x << "," << y << std::hex << ": ours " << ours.At(x, y) << ", SDL " << sdl;
      }
    }
  }
  SDL_FreeSurface(s);
}

std::string Describe(const BmpFile& f) {
  return std::to_string(f.Width) + "x" + std::to_string(f.Height) + (f.TopDown ? " top-down" : "") + ", " +
         std::to_string(f.Bpp) + " bits, header " + std::to_string(f.HeaderSize) + ", compression " +
         std::to_string(f.Compression) + ", colours used " + std::to_string(f.ColorsUsed);
}

std::vector<uint32_t> RandomValues(std::mt19937& rng, size_t count, uint32_t below) {
  std::vector<uint32_t> v(count);
  for (auto& x : v) x = below ? uint32_t(rng() % below) : uint32_t(rng());
  return v;
}

std::vector<uint32_t> RandomPalette(std::mt19937& rng, size_t count) {
  std::vector<uint32_t> p(count);
  for (auto& c : p) c = rng() & 0xFFFFFF;
  return p;
}

const int kWidths[] = {1, 2, 3, 4, 5, 7, 8, 9, 13, 17};
const int kHeights[] = {1, 2, 3};

TEST(BmpDecoder, PalettePicturesMatchSdl) {
  std::mt19937 rng(1);
  for (int bpp : {1, 2, 4, 8}) {
    for (int headerSize : {12, 40, 64, 108, 124}) {
      const uint32_t full = 1u << bpp;
      // Every entry, a short palette and (core headers have no count) only the full one.
      for (uint32_t used : {0u, full, full / 2 + 1}) {
        if (headerSize == 12 && used != 0) continue;
        for (int w : kWidths) {
          for (int h : kHeights) {
            for (bool topDown : {false, true}) {
              if (headerSize == 12 && topDown) continue;  // core sizes are unsigned
              BmpFile f = Make(headerSize, bpp, 0, w, h, topDown);
              f.ColorsUsed = used;
              f.Palette = RandomPalette(rng, used ? used : full);
              f.Pixels = PackRows(f, RandomValues(rng, size_t(w) * size_t(h), uint32_t(f.Palette.size())));
              ExpectSameAsSdl(Build(f), Describe(f));
            }
          }
        }
      }
    }
  }
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitMasksMatchSdl) {
  struct Layout {
    int Bpp;
    uint32_t Compression;
    uint32_t R, G, B;
    int ChannelBits;
  };
  const Layout layouts[] = {
      {16, 0, 0, 0, 0, 8},                             // the 5-5-5 default
      {16, 3, 0xF800, 0x07E0, 0x001F, 6},              // 5-6-5: SDL's own table is 1 off
      {16, 3, 0x7C00, 0x03E0, 0x001F, 8},              // 5-5-5 spelled out
      {32, 0, 0, 0, 0, 8},                             // B, G, R, unused
      {32, 3, 0x00FF0000, 0x0000FF00, 0x000000FF, 8},  // the same as masks
      {32, 3, 0x000000FF, 0x0000FF00, 0x00FF0000, 8},  // R, G, B, unused
      {32, 3, 0x0000FF00, 0x00FF0000, 0xFF000000, 8},  // unused, R, G, B
      {32, 3, 0xFF000000, 0x00FF0000, 0x0000FF00, 8},  // unused, B, G, R
  };
  std::mt19937 rng(2);
  for (const Layout& l : layouts) {
    for (int headerSize : {40, 56, 108, 124}) {
      for (int w : kWidths) {
        for (int h : kHeights) {
          for (bool topDown : {false, true}) {
            BmpFile f = Make(headerSize, l.Bpp, l.Compression, w, h, topDown);
            f.Masks[0] = l.R, f.Masks[1] = l.G, f.Masks[2] = l.B;
            f.Pixels = PackRows(f, RandomValues(rng, size_t(w) * size_t(h), l.Bpp == 16 ? 0x10000 : 0));
            ExpectSameAsSdl(Build(f), Describe(f) + " masks " + std::to_string(l.R), l.ChannelBits);
          }
        }
      }
    }
  }
}

// Masks SDL has no format for still decode: narrow channels widen to full scale, wide ones keep
// their top 8 bits.
TEST(BmpDecoder, DecodesMasksSdlDoesNotKnow) {
  BmpFile f = Make(40, 16, 3, 3, 1);
  f.Masks[0] = 0x0F00, f.Masks[1] = 0x00F0, f.Masks[2] = 0x000F;  // 4-4-4
  f.Pixels = PackRows(f, {0x0F00, 0x0081, 0xF0FF});
  Bitmap b = Ours(Build(f));
  EXPECT_EQ(b.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(b.At(1, 0), 0xFF008811u);
  EXPECT_EQ(b.At(2, 0), 0xFF00FFFFu);
  f = Make(124, 32, 3, 2, 1);
  f.Masks[0] = 0x3FF00000, f.Masks[1] = 0x000FFC00, f.Masks[2] = 0x000003FF;  // 10-10-10
  f.Pixels = PackRows(f, {0xFFF00000, 0x000FFC03});
  b = Ours(Build(f));
  EXPECT_EQ(b.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(b.At(1, 0), 0xFF00FF00u);
  f.Masks[0] = 0xFFFFFFFF, f.Masks[1] = f.Masks[2] = 0;  // all 32 bits one channel
  f.Pixels = PackRows(f, {0xC0FFFFFF, 0x3FFFFFFF});
  b = Ours(Build(f));
  EXPECT_EQ(b.At(0, 0), 0xFFC00000u);
  EXPECT_EQ(b.At(1, 0), 0xFF3F0000u);
}

TEST(BmpDecoder, TwentyFourBitPicturesMatchSdl) {
  std::mt19937 rng(3);
  for (int headerSize : {12, 40, 64, 108, 124}) {
    for (int w : kWidths) {
      for (int h : kHeights) {
        for (bool topDown : {false, true}) {
          if (headerSize == 12 && topDown) continue;
          BmpFile f = Make(headerSize, 24, 0, w, h, topDown);
          f.Pixels = PackRows(f, RandomValues(rng, size_t(w) * size_t(h), 0x1000000));
          ExpectSameAsSdl(Build(f), Describe(f));
        }
      }
    }
  }
}

// Encodes `index` (top row first) bottom-up, choosing at random among the ways an encoder may
// say the same thing: runs, absolute stretches, deltas and early ends over colour 0.
std::string EncodeRle(const BmpFile& f, const std::vector<uint32_t>& index, std::mt19937& rng) {
  const bool rle8 = f.Compression == 1;
  const int w = f.Width, h = f.Height;
  auto at = [&](int x, int y) { return index[size_t(h - 1 - y) * size_t(w) + size_t(x)]; };
  // Whether every pixel from (x, y) up to, not including, (toX, toY) in stream order is colour 0.
  auto zeroUntil = [&](int x, int y, int toX, int toY) {
    for (; y < toY || (y == toY && x < toX); ++x) {
      if (x == w) {
        x = -1, ++y;
        continue;
      }
      if (at(x, y)) return false;
    }
    return true;
  };
  auto chance = [&](int in) { return rng() % unsigned(in) == 0; };
  std::string out;
  auto emit = [&](std::initializer_list<uint32_t> bytes) {
    for (uint32_t b : bytes) out += char(b);
  };
  int x = 0, y = 0;
  while (y < h) {
    if (x == w) {
      if (y < h - 1 || chance(2)) emit({0, 0});
      x = 0, ++y;
      continue;
    }
    if (zeroUntil(x, y, 0, h) && chance(3)) break;  // the end mark leaves the rest at colour 0
    if (zeroUntil(x, y, w, y) && chance(3)) {
      emit({0, 0});
      x = 0, ++y;
      continue;
    }
    if (y + 1 < h && zeroUntil(x, y, x, y + 1) && chance(3)) {
      emit({0, 2, 0, 1});
      ++y;
      continue;
    }
    int zeros = 0;
    while (x + zeros < w && zeros < 255 && at(x + zeros, y) == 0) ++zeros;
    if (zeros > 0 && chance(3)) {
      const int dx = 1 + int(rng() % unsigned(zeros));
      emit({0, 2, uint32_t(dx), 0});
      x += dx;
      continue;
    }
    const int left = std::min(w - x, 255);
    if (left >= 3 && chance(2)) {
      const int n = 3 + int(rng() % unsigned(left - 2));
      emit({0, uint32_t(n)});
      size_t bytes = 0;
      for (int i = 0; i < n; ++i) {
        if (rle8) {
          emit({at(x + i, y)});
          ++bytes;
        } else if (i % 2 == 0) {
          emit({at(x + i, y) << 4 | (i + 1 < n ? at(x + i + 1, y) : 0)});
          ++bytes;
        }
      }
      if (bytes % 2) emit({0});
      x += n;
      continue;
    }
    // A run of one index (RLE8) or of two alternating ones (RLE4).
    const uint32_t first = at(x, y), second = !rle8 && x + 1 < w ? at(x + 1, y) : first;
    int run = 1;
    while (x + run < w && run < 255 && at(x + run, y) == (rle8 || run % 2 == 0 ? first : second)) ++run;
    const int n = 1 + int(rng() % unsigned(run));
    emit({uint32_t(n), rle8 ? first : first << 4 | second});
    x += n;
  }
  emit({0, 1});
  return out;
}

// Blocks of a few colours with much colour 0, so every kind of escape gets used.
std::vector<uint32_t> RleValues(std::mt19937& rng, int w, int h, uint32_t colours) {
  std::vector<uint32_t> v;
  while (v.size() < size_t(w) * size_t(h)) {
    const uint32_t c = rng() % 2 ? 0 : uint32_t(rng() % colours);
    for (unsigned n = 1 + unsigned(rng() % 12); n > 0 && v.size() < size_t(w) * size_t(h); --n)
      v.push_back(c);
  }
  return v;
}

TEST(BmpDecoder, RlePicturesMatchSdl) {
  std::mt19937 rng(4);
  for (uint32_t compression : {1u, 2u}) {
    const int bpp = compression == 1 ? 8 : 4;
    for (int w : {1, 2, 3, 4, 5, 7, 8, 16, 31, 300}) {
      for (int h : {1, 2, 4, 6}) {
        for (int round = 0; round < 6; ++round) {
          BmpFile f = Make(40, bpp, compression, w, h);
          f.ColorsUsed = round % 2 ? 0 : 11;
          f.Palette = RandomPalette(rng, f.ColorsUsed ? f.ColorsUsed : 1u << bpp);
          f.Pixels = EncodeRle(f, RleValues(rng, w, h, uint32_t(f.Palette.size())), rng);
          ExpectSameAsSdl(Build(f), Describe(f) + " round " + std::to_string(round));
        }
      }
    }
  }
}

// Every prefix of a good file that lacks a pixel (or any header or palette byte before the
// pixels) is refused; only the last row's padding may be missing.
TEST(BmpDecoder, RefusesEveryTruncation) {
  std::mt19937 rng(5);
  std::vector<std::pair<std::string, size_t>> files;  // file, bytes it may lose
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    for (int headerSize : {12, 40, 124}) {
      BmpFile f = Make(headerSize, bpp, 0, 5, 3);
      if (bpp <= 8) f.Palette = RandomPalette(rng, 1u << bpp);
      f.Pixels = PackRows(f, RandomValues(rng, 15, bpp <= 8 ? 1u << bpp : 0));
      const size_t stride = (5 * size_t(bpp) + 31) / 32 * 4;
      files.emplace_back(Build(f), stride - (5 * size_t(bpp) + 7) / 8);
    }
  }
  BmpFile masks = Make(40, 16, 3, 3, 2);
  masks.Masks[0] = 0xF800, masks.Masks[1] = 0x07E0, masks.Masks[2] = 0x001F;
  masks.Pixels = PackRows(masks, RandomValues(rng, 6, 0x10000));
  files.emplace_back(Build(masks), 2);
  for (uint32_t compression : {1u, 2u}) {
    BmpFile f = Make(40, compression == 1 ? 8 : 4, compression, 7, 3);
    f.Palette = RandomPalette(rng, 16);
    f.ColorsUsed = 16;
    f.Pixels = EncodeRle(f, RleValues(rng, 7, 3, 16), rng);
    files.emplace_back(Build(f), 0);
  }
  for (const auto& [file, spare] : files) {
    EXPECT_NO_THROW(Ours(file.substr(0, file.size() - spare)));
    for (size_t n = 0; n < file.size() - spare; ++n) {
      const std::string cut = file.substr(0, n);
      EXPECT_THROW(Ours(cut), EImageDecodeError) << "bytes " << n << " of " << file.size();
    }
  }
}

std::string WithLe32(std::string file, size_t at, uint32_t v) {
  return file.replace(at, 4, Le32(v));
}

TEST(BmpDecoder, RefusesBadSizesOffsetsAndFormats) {
  BmpFile f = Make(40, 24, 0, 4, 2);
  f.Pixels = std::string(24, '\x40');
  const std::string good = Build(f);
  ASSERT_EQ(Ours(good).At(3, 1), 0xFF404040u);
  const uint32_t size = uint32_t(good.size());
  const std::pair<size_t, uint32_t> bad[] = {
      {18, 0},
      {18, uint32_t(-4)},
      {22, 0},
      {18, kMaxPictureSide + 1},
      {22, kMaxPictureSide + 1},
      {22, uint32_t(-kMaxPictureSide - 1)},
      {22, uint32_t(INT_MIN)},  // too high either way
      {10, size},
      {10, 0xFFFFFFFFu},  // pixels at or past the end
      {14, 20},
      {14, 0},  // header sizes that do not exist
      {30, 4},
      {30, 5},
      {30, 3},  // JPEG, PNG, masks on 24 bits
  };
  for (const auto& [at, value] : bad)
    EXPECT_THROW(Ours(WithLe32(good, at, value)), EImageDecodeError) << "offset " << at << " = " << value;
  for (uint32_t bpp : {0u, 3u, 12u, 48u, 64u}) {
    std::string other = good;
    other.replace(28, 2, Le16(bpp));
    EXPECT_THROW(Ours(other), EImageDecodeError) << bpp << " bits";
  }
  EXPECT_THROW(Ours("BA" + good.substr(2)), EImageDecodeError);

  // The largest side decodes, and so does a picture whose pixels start inside the header.
  BmpFile wide = Make(40, 24, 0, kMaxPictureSide, 1);
  wide.Pixels = std::string(size_t(kMaxPictureSide) * 3, '\x10');
  EXPECT_EQ(Ours(Build(wide)).Width, kMaxPictureSide);
  EXPECT_EQ(Ours(WithLe32(good, 10, 2)).Width, 4);

  BmpFile rle = Make(40, 8, 1, 2, 2, true);
  rle.Palette = {0x123456};
  rle.Pixels = std::string("\x02\x00\x00\x01", 4);
  EXPECT_THROW(Ours(Build(rle)), EImageDecodeError) << "compressed top-down";
  rle.TopDown = false;
  EXPECT_EQ(Ours(Build(rle)).At(0, 0), 0xFF123456u);
  rle.Bpp = 4;
  EXPECT_THROW(Ours(Build(rle)), EImageDecodeError) << "RLE8 on 4 bits";

  BmpFile split = Make(40, 16, 3, 1, 1);
  split.Masks[0] = 0xF00F, split.Masks[1] = 0x07E0;
  split.Pixels = std::string(4, '\0');
  EXPECT_THROW(Ours(Build(split)), EImageDecodeError) << "a mask in two pieces";
  split.Masks[0] = split.Masks[1] = 0;
  EXPECT_THROW(Ours(Build(split)), EImageDecodeError) << "no masks at all";
}

TEST(BmpDecoder, RefusesIndexesOutsideThePalette) {
  BmpFile f = Make(40, 8, 0, 3, 1);
  f.Palette = {0x102030, 0x405060};
  f.ColorsUsed = 2;
  f.Pixels = std::string("\x01\x00\x01\x00", 4);
  EXPECT_EQ(Ours(Build(f)).At(0, 0), 0xFF405060u);
  f.Pixels[2] = 2;
  EXPECT_THROW(Ours(Build(f)), EImageDecodeError);
  f.Bpp = 4;
  f.ColorsUsed = 3;
  f.Palette.push_back(0);
  f.Pixels = std::string("\x12\x30\x00\x00", 4);
  EXPECT_THROW(Ours(Build(f)), EImageDecodeError) << "4 bits, index 3 of 3";
  f.Bpp = 8;
  f.Compression = 1;
  f.Pixels = std::string("\x03\x03\x00\x01", 4);
  EXPECT_THROW(Ours(Build(f)), EImageDecodeError) << "RLE8 run of index 3 of 3";
  // A palette the file ends in the middle of holds the entries that are there.
  BmpFile cut = Make(40, 8, 0, 1, 1);
  cut.Palette = {0x000000};  // 256 colours wanted, one in the file; its bytes double as the pixel
  std::string bytes = WithLe32(Build(cut), 10, 54);
  EXPECT_EQ(Ours(bytes).At(0, 0), 0xFF000000u);
  bytes[54] = 1;  // index 1: past the one entry there is
  EXPECT_THROW(Ours(bytes), EImageDecodeError);
}

TEST(BmpDecoder, RlePositionsStayInsideThePicture) {
  BmpFile f = Make(40, 8, 1, 3, 2);
  f.Palette = {0x000000, 0xFFFFFF};
  auto decode = [&](const std::string& stream) {
    f.Pixels = stream;
    return Ours(Build(f));
  };
  // The common ending: an end of line after the top row, then the end mark.
  Bitmap b = decode(std::string("\x03\x01\x00\x00\x00\x02\x01\x00\x01\x01\x00\x00\x00\x01", 14));
  EXPECT_EQ(b.At(2, 1), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(0, 0), 0xFF000000u);  // skipped by the delta
  EXPECT_EQ(b.At(1, 0), 0xFFFFFFFFu);
  EXPECT_EQ(b.At(2, 0), 0xFF000000u);  // skipped by the early end of line
  EXPECT_NO_THROW(decode(std::string("\x00\x02\x07\x09\x00\x01", 6))) << "a delta out, then the end";
  const std::string past[] = {
      std::string("\x04\x01\x00\x01", 4),                  // run longer than the row
      std::string("\x02\x01\x02\x01\x00\x01", 6),          // second run runs over
      std::string("\x00\x04\x01\x01\x01\x01\x00\x01", 8),  // absolute stretch too long
      std::string("\x00\x02\x03\x00\x01\x01\x00\x01", 8),  // delta to the row's end
      std::string("\x00\x00\x00\x00\x01\x01\x00\x01", 8),  // a row above the top
      std::string("\x00\x02\x00\x02\x01\x01\x00\x01", 8),  // delta above the top
      std::string("\x03\x01", 2),                          // no end mark
      std::string("\x00\x03\x01\x01\x01", 5),              // pad byte and end missing
  };
  for (const std::string& stream : past)
    EXPECT_THROW(decode(stream), EImageDecodeError) << testing::PrintToString(stream);
  f.Compression = 2;
  f.Bpp = 4;
  EXPECT_EQ(decode(std::string("\x03\x10\x00\x01", 4)).At(1, 1), 0xFF000000u);
  EXPECT_EQ(decode(std::string("\x03\x10\x00\x01", 4)).At(2, 1), 0xFFFFFFFFu);
  EXPECT_THROW(decode(std::string("\x04\x10\x00\x01", 4)), EImageDecodeError) << "RLE4 run over the row";
  EXPECT_THROW(decode(std::string("\x00\x04\x11\x11\x00\x01", 6)), EImageDecodeError) << "RLE4 absolute";
}

TEST(BmpDecoder, DecodesFilesAndNamesTheMissingOne) {
  BmpFile f = Make(40, 24, 0, 2, 1);
  f.Pixels = PackRows(f, {0x112233, 0x445566});
  const std::string path = (std::filesystem::temp_directory_path() / "kq_bmp_probe.bmp").string();
  std::ofstream(path, std::ios::binary) << Build(f);
  Bitmap b = DecodeBmpFile(path);
  std::filesystem::remove(path);
  EXPECT_EQ(b.At(1, 0), 0xFF445566u);
  try {
    DecodeBmpFile(path);
    ADD_FAILURE() << "a missing file decoded";
  } catch (const EImageDecodeError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace kq
