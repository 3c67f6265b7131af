#include "engine/bitmap.h"

#include <algorithm>

namespace kq {

Bitmap Bitmap::Crop(int left, int top, int w, int h) const {
  Bitmap out(std::max(w, 0), std::max(h, 0));
  for (int y = 0; y < out.Height; ++y) {
    int sy = top + y;
    if (sy < 0 || sy >= Height) continue;
    for (int x = 0; x < out.Width; ++x) {
      int sx = left + x;
      if (sx < 0 || sx >= Width) continue;
      out.At(x, y) = At(sx, sy);
    }
  }
  return out;
}

Bitmap ApplyColorKey(const Bitmap& src, bool transparent, uint32_t keyRgb) {
  Bitmap out = src;
  const uint16_t key = ToRgb565(keyRgb);
  for (auto& p : out.Pixels) {
    uint32_t rgb = p & 0x00FFFFFFu;
    bool clear = transparent && ToRgb565(rgb) == key;
    p = clear ? rgb : (rgb | 0xFF000000u);
  }
  return out;
}

}  // namespace kq
