#pragma once
// A plain 32-bit picture in memory: 0xAARRGGBB per pixel, rows top to bottom.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kq {

struct Bitmap {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;

  Bitmap() = default;
  Bitmap(int w, int h, uint32_t fill = 0xFF000000u)
      : Width(w), Height(h), Pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}

  bool Empty() const { return Width <= 0 || Height <= 0; }
  uint32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
  uint32_t& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
  // Copies the rectangle (clipped to this bitmap) into a new bitmap of w x h; uncovered pixels are opaque
  // black.
  Bitmap Crop(int left, int top, int w, int h) const;
};

// Colour keys compare in 16-bit precision: pictures drawn for 16-bit screens mark their
// transparent pixels with colours that only agree in the upper bits.
inline uint16_t ToRgb565(uint32_t rgb) {
  return static_cast<uint16_t>(((rgb >> 8) & 0xF800u) | ((rgb >> 5) & 0x07E0u) | ((rgb >> 3) & 0x001Fu));
}

// Returns a copy whose alpha is 0 where the RGB565 value equals the key's, 255 elsewhere.
Bitmap ApplyColorKey(const Bitmap& src, bool transparent, uint32_t keyRgb);

}  // namespace kq
