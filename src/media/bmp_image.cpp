// BMP pictures as Windows and paint programs write them: the 12-byte core header and the info
// headers up to V5 (and OS/2's 64-byte one), 1/2/4/8-bit palettes, 16/24/32-bit colour with the
// default layout or bit masks, and RLE8/RLE4. Every pixel comes out opaque, top row first.
//
// Strict where a file is broken, so a bad picture is refused instead of shown as garbage:
// a colour index past the palette, pixel data that ends early, an RLE run that leaves the picture
// or a stream without its end mark are errors. Pixels an RLE stream skips (delta, early end of
// line or picture) take palette colour 0.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "media/png_image.h"

namespace kq {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;
constexpr size_t kFileHeaderSize = 14;

struct BmpBytes {
  const unsigned char* Data;
  size_t Size;
  const std::string& Name;

  [[noreturn]] void Fail(const std::string& why) const { throw EImageDecodeError(Name + ": " + why); }
  bool Has(uint64_t at, uint64_t count) const { return at <= Size && count <= Size - at; }
  uint32_t Le16(size_t at) const { return uint32_t(Data[at]) | uint32_t(Data[at + 1]) << 8; }
  uint32_t Le32(size_t at) const { return Le16(at) | Le16(at + 2) << 16; }
};

struct BmpHeader {
  uint32_t HeaderSize = 0;
  uint64_t PixelOffset = 0;
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int BitsPerPixel = 0;
  uint32_t Compression = kBiRgb;
  uint32_t ColorsUsed = 0;
  uint32_t Masks[3] = {};  // red, green, blue; read only for BI_BITFIELDS
};

BmpHeader ReadHeader(const BmpBytes& b) {
  if (b.Size < 2 || b.Data[0] != 'B' || b.Data[1] != 'M') b.Fail("not a BMP file");
  if (!b.Has(0, kFileHeaderSize + 4)) b.Fail("truncated header");
  BmpHeader h;
  h.PixelOffset = b.Le32(10);
  h.HeaderSize = b.Le32(14);
  int64_t width = 0, height = 0;
  if (h.HeaderSize == 12) {
    if (!b.Has(0, 26)) b.Fail("truncated header");
    width = b.Le16(18);
    height = b.Le16(20);
    h.BitsPerPixel = int(b.Le16(24));
  } else if (h.HeaderSize >= 40) {
    if (!b.Has(0, 54)) b.Fail("truncated header");
    width = int32_t(b.Le32(18));
    height = int32_t(b.Le32(22));
    h.BitsPerPixel = int(b.Le16(28));
    h.Compression = b.Le32(30);
    h.ColorsUsed = b.Le32(46);
    // OS/2's 64-byte header gives 3 another meaning (Huffman) and has no masks.
    if (h.Compression == kBiBitfields && h.HeaderSize != 64) {
      // After a 40-byte header the masks follow it; the larger headers hold them in that place.
      if (!b.Has(0, 66)) b.Fail("truncated header");
      for (int i = 0; i < 3; ++i) h.Masks[i] = b.Le32(54 + 4 * size_t(i));
    }
  } else {
    b.Fail("unsupported header size " + std::to_string(h.HeaderSize));
  }
  // Planes (always 1) is not checked: writers that get it wrong still give a good picture.
  h.TopDown = height < 0;
  if (height < 0) height = -height;
  if (width <= 0 || height == 0)
    b.Fail("bad picture size " + std::to_string(width) + "x" + std::to_string(height));
  if (width > kMaxPictureSide || height > kMaxPictureSide) b.Fail("picture too large");
  h.Width = int(width);
  h.Height = int(height);

  const int bpp = h.BitsPerPixel;
  bool ok = false;
  switch (h.Compression) {
    case kBiRgb:
      ok = bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
      break;
    case kBiRle8:
      ok = bpp == 8;
      break;
    case kBiRle4:
      ok = bpp == 4;
      break;
    case kBiBitfields:
      ok = (bpp == 16 || bpp == 32) && h.HeaderSize != 64;
      break;
  }
  if (!ok)
    b.Fail("unsupported format (" + std::to_string(bpp) + " bits, compression " +
           std::to_string(h.Compression) + ")");
  if ((h.Compression == kBiRle8 || h.Compression == kBiRle4) && h.TopDown)
    b.Fail("a compressed picture must be stored bottom-up");
  return h;
}

// Up to 2^bpp colours (fewer when the header says so), as many as the file holds: an index past
// them is refused when a pixel uses it.
std::vector<uint32_t> ReadPalette(const BmpBytes& b, const BmpHeader& h) {
  const uint32_t most = 1u << h.BitsPerPixel;
  const uint32_t wanted = h.ColorsUsed == 0 || h.ColorsUsed > most ? most : h.ColorsUsed;
  const size_t entrySize = h.HeaderSize == 12 ? 3 : 4;  // core palettes have no reserved byte
  const uint64_t at = kFileHeaderSize + uint64_t(h.HeaderSize);
  const uint64_t inFile = at < b.Size ? (b.Size - at) / entrySize : 0;
  const size_t count = size_t(wanted < inFile ? wanted : inFile);
  if (count == 0) b.Fail("palette missing");
  std::vector<uint32_t> palette(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = b.Data + at + i * entrySize;  // blue, green, red
    palette[i] = 0xFF000000u | uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
  }
  return palette;
}

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits so that full scale stays full.
struct Channel {
  int Shift = 0;
  uint32_t Mask = 0;  // after the shift, at most 8 bits
  uint8_t Widen[256] = {};

  uint32_t Get(uint32_t pixel) const { return Widen[(pixel >> Shift) & Mask]; }
};

Channel MakeChannel(const BmpBytes& b, uint32_t mask) {
  Channel c;
  if (mask == 0) return c;  // channel absent: always 0
  const int low = std::countr_zero(mask);
  const uint32_t bits = mask >> low;
  if (bits & (bits + 1)) b.Fail("bad colour masks");  // not one run of bits
  int width = std::popcount(bits);
  // Wider than 8 bits: the top 8 are enough.
  c.Shift = low + (width > 8 ? width - 8 : 0);
  if (width > 8) width = 8;
  c.Mask = (1u << width) - 1;
  for (uint32_t v = 0; v <= c.Mask; ++v) c.Widen[v] = uint8_t(v * 255 / c.Mask);
  return c;
}

Bitmap DecodeRows(const BmpBytes& b, const BmpHeader& h, const std::vector<uint32_t>& palette) {
  const int bpp = h.BitsPerPixel;
  const uint64_t stride = (uint64_t(h.Width) * bpp + 31) / 32 * 4;
  const uint64_t rowBytes = (uint64_t(h.Width) * bpp + 7) / 8;
  // Checked before the picture is allocated. The last row's padding may be missing, its pixels may not.
  if (!b.Has(h.PixelOffset, stride * uint64_t(h.Height - 1) + rowBytes)) b.Fail("pixel data truncated");

  Channel red, green, blue;
  if (bpp == 16 || (bpp == 32 && h.Compression == kBiBitfields)) {
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16-bit default: 5-5-5
    if (h.Compression == kBiBitfields) {
      if ((h.Masks[0] | h.Masks[1] | h.Masks[2]) == 0) b.Fail("bad colour masks");
      for (int i = 0; i < 3; ++i) masks[i] = h.Masks[i];
    }
    red = MakeChannel(b, masks[0]);
    green = MakeChannel(b, masks[1]);
    blue = MakeChannel(b, masks[2]);
  }
  const uint32_t indexMask = (1u << (bpp < 8 ? bpp : 8)) - 1;
  Bitmap out(h.Width, h.Height);
  for (int r = 0; r < h.Height; ++r) {
    const unsigned char* row = b.Data + h.PixelOffset + stride * uint64_t(r);
    uint32_t* dst = &out.Pixels[size_t(h.TopDown ? r : h.Height - 1 - r) * size_t(h.Width)];
    for (int x = 0; x < h.Width; ++x) {
      uint32_t px;
      switch (bpp) {
        case 24:
          px = 0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
          break;
        case 32:
          if (h.Compression == kBiRgb) {
            px = 0xFF000000u | uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
          } else {
            const unsigned char* p = row + 4 * x;
            const uint32_t v =
                uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
            px = 0xFF000000u | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
          }
          break;
        case 16: {
          const uint32_t v = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
          px = 0xFF000000u | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
          break;
        }
        default: {  // 1, 2, 4 or 8 bits of palette index, leftmost pixel in the high bits
          const int bit = x * bpp;
          const uint32_t index = row[bit >> 3] >> (8 - bpp - (bit & 7)) & indexMask;
          if (index >= palette.size()) b.Fail("colour index outside the palette");
          px = palette[index];
        }
      }
      dst[x] = px;
    }
  }
  return out;
}

// RLE rows run bottom-up; x and y may move past the picture (an end of line after the top row is
// common) as long as no pixel lands there.
Bitmap DecodeRle(const BmpBytes& b, const BmpHeader& h, const std::vector<uint32_t>& palette) {
  const bool rle8 = h.Compression == kBiRle8;
  Bitmap out(h.Width, h.Height, palette[0]);
  size_t pos = size_t(h.PixelOffset);
  int64_t x = 0, y = 0;
  auto next = [&]() -> uint32_t {
    if (pos >= b.Size) b.Fail("RLE data ends before its end mark");
    return b.Data[pos++];
  };
  auto put = [&](uint32_t index) {
    if (x >= h.Width || y >= h.Height) b.Fail("RLE data runs past the picture");
    if (index >= palette.size()) b.Fail("colour index outside the palette");
    out.Pixels[size_t(h.Height - 1 - y) * size_t(h.Width) + size_t(x)] = palette[index];
    ++x;
  };
  for (;;) {
    const uint32_t count = next(), value = next();
    if (count > 0) {  // a run of one index, or for RLE4 two alternating ones
      for (uint32_t i = 0; i < count; ++i) put(rle8 ? value : (i & 1 ? value & 15 : value >> 4));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of picture
        return out;
      case 2:  // delta: right and up
        x += next();
        y += next();
        break;
      default: {  // `value` indexes stored as they are, padded to an even byte count
        uint32_t byte = 0;
        for (uint32_t i = 0; i < value; ++i) {
          if (rle8) {
            put(next());
          } else {
            if (!(i & 1)) byte = next();
            put(i & 1 ? byte & 15 : byte >> 4);
          }
        }
        const uint32_t used = rle8 ? value : (value + 1) / 2;
        if (used & 1) next();
      }
    }
  }
}

}  // namespace

Bitmap DecodeBmpMemory(const unsigned char* data, size_t size, const std::string& nameForErrors) {
  const BmpBytes b{data, size, nameForErrors};
  const BmpHeader h = ReadHeader(b);
  std::vector<uint32_t> palette;
  if (h.BitsPerPixel <= 8) palette = ReadPalette(b, h);
  if (h.PixelOffset >= b.Size) b.Fail("pixel data missing");
  if (h.Compression == kBiRle8 || h.Compression == kBiRle4) return DecodeRle(b, h, palette);
  return DecodeRows(b, h, palette);
}

Bitmap DecodeBmpFile(const std::string& path) {
  const std::vector<unsigned char> bytes = ReadPictureFile(path);
  return DecodeBmpMemory(bytes.data(), bytes.size(), path);
}

}  // namespace kq
