#include "engine/canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kq {

namespace {
inline uint32_t Channel(uint32_t c, int shift) {
  return (c >> shift) & 0xFFu;
}
}  // namespace

void BitmapCanvas::Clear(uint32_t rgb) {
  std::fill(target_.Pixels.begin(), target_.Pixels.end(), 0xFF000000u | (rgb & 0xFFFFFFu));
}

void BitmapCanvas::Plot(int x, int y, uint32_t argb, BlendMode mode) {
  if (x < 0 || y < 0 || x >= target_.Width || y >= target_.Height) return;
  uint32_t& d = target_.At(x, y);
  uint32_t a = argb >> 24;
  switch (mode) {
    case BlendMode::Opaque:
      d = 0xFF000000u | (argb & 0xFFFFFFu);
      return;
    case BlendMode::Alpha: {
      if (a == 0) return;
      uint32_t out = 0xFF000000u;
      for (int s = 0; s <= 16; s += 8) {
        uint32_t v = (Channel(argb, s) * a + Channel(d, s) * (255 - a) + 127) / 255;
        out |= v << s;
      }
      d = out;
      return;
    }
    case BlendMode::Add: {
      uint32_t out = 0xFF000000u;
      for (int s = 0; s <= 16; s += 8) {
        uint32_t v = std::min<uint32_t>(255, Channel(d, s) + (Channel(argb, s) * a + 127) / 255);
        out |= v << s;
      }
      d = out;
      return;
    }
  }
}

void BitmapCanvas::FillRect(const RectI& r, uint32_t rgb, uint8_t alpha, BlendMode mode) {
  int x0 = std::max(r.X, 0), y0 = std::max(r.Y, 0);
  int x1 = std::min(r.Right(), target_.Width), y1 = std::min(r.Bottom(), target_.Height);
  uint32_t argb = (uint32_t(alpha) << 24) | (rgb & 0xFFFFFFu);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) Plot(x, y, argb, mode);
}

void BitmapCanvas::DoDrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha,
                               BlendMode mode, uint32_t colorMod, double angleDeg) {
  const Bitmap& px = img.Pixels();
  if (src.Empty() || dst.W <= 0 || dst.H <= 0 || px.Empty()) return;
  const double cx = dst.X + dst.W / 2, cy = dst.Y + dst.H / 2;
  const double rad = angleDeg * M_PI / 180.0;
  const double cs = std::cos(rad), sn = std::sin(rad);
  // Bounding box of the (possibly rotated) destination.
  double ext = angleDeg == 0 ? 0 : std::hypot(dst.W, dst.H) / 2;
  int bx0 = int(std::floor(angleDeg == 0 ? dst.X : cx - ext));
  int by0 = int(std::floor(angleDeg == 0 ? dst.Y : cy - ext));
  int bx1 = int(std::ceil(angleDeg == 0 ? dst.X + dst.W : cx + ext));
  int by1 = int(std::ceil(angleDeg == 0 ? dst.Y + dst.H : cy + ext));
  bx0 = std::max(bx0, 0);
  by0 = std::max(by0, 0);
  bx1 = std::min(bx1, target_.Width);
  by1 = std::min(by1, target_.Height);
  if (angleDeg == 0 && bx0 < bx1 && by0 < by1) {
    // Unrotated: the source column of each target column and the source row of each target row
    // are the same for the whole draw, so they are worked out once (same formula as below).
    std::vector<int> cols(size_t(bx1 - bx0)), rows(size_t(by1 - by0));
    for (int x = bx0; x < bx1; ++x) {
      double u = (x + 0.5 - cx + dst.W / 2) / dst.W;
      int sx = u < 0 || u >= 1 ? -1 : src.X + std::min(int(u * src.W), src.W - 1);
      cols[size_t(x - bx0)] = sx < 0 || sx >= px.Width ? -1 : sx;
    }
    for (int y = by0; y < by1; ++y) {
      double v = (y + 0.5 - cy + dst.H / 2) / dst.H;
      int sy = v < 0 || v >= 1 ? -1 : src.Y + std::min(int(v * src.H), src.H - 1);
      rows[size_t(y - by0)] = sy < 0 || sy >= px.Height ? -1 : sy;
    }
    const bool plain = alpha == 255 && (colorMod & 0xFFFFFFu) == 0xFFFFFFu;
    bool contiguous = cols.front() >= 0;
    for (size_t i = 1; contiguous && i < cols.size(); ++i) contiguous = cols[i] == cols[0] + int(i);
    for (int y = by0; y < by1; ++y) {
      const int sy = rows[size_t(y - by0)];
      if (sy < 0) continue;
      const uint32_t* line = &px.Pixels[size_t(sy) * size_t(px.Width)];
      uint32_t* out = &target_.At(0, y);
      if (plain && contiguous && mode != BlendMode::Add) {
        // The common case: a 1:1 copy of keyed or opaque pixels.
        const uint32_t* from = line + cols[0] - bx0;
        for (int x = bx0; x < bx1; ++x) {
          const uint32_t c = from[x];
          const uint32_t a = c >> 24;
          if (mode == BlendMode::Opaque || a == 255)
            out[x] = c | 0xFF000000u;
          else if (a != 0)
            Plot(x, y, c, mode);
        }
        continue;
      }
      for (int x = bx0; x < bx1; ++x) {
        const int sx = cols[size_t(x - bx0)];
        if (sx < 0) continue;
        uint32_t c = line[sx];
        if (!plain) {
          uint32_t a = (Channel(c, 24) * alpha + 127) / 255;
          uint32_t m = a << 24;
          for (int k = 0; k <= 16; k += 8) m |= ((Channel(c, k) * Channel(colorMod, k) + 127) / 255) << k;
          c = m;
        }
        const uint32_t a = c >> 24;
        if (mode == BlendMode::Opaque || (mode == BlendMode::Alpha && a == 255)) {
          out[x] = 0xFF000000u | (c & 0xFFFFFFu);
        } else if (mode == BlendMode::Alpha && a == 0) {
          continue;
        } else {
          Plot(x, y, c, mode);
        }
      }
    }
    return;
  }
  for (int y = by0; y < by1; ++y) {
    for (int x = bx0; x < bx1; ++x) {
      double fx = x + 0.5 - cx, fy = y + 0.5 - cy;
      if (angleDeg != 0) {  // inverse rotation back into the unrotated rectangle
        double rx = fx * cs + fy * sn, ry = -fx * sn + fy * cs;
        fx = rx;
        fy = ry;
      }
      double u = (fx + dst.W / 2) / dst.W, v = (fy + dst.H / 2) / dst.H;
      if (u < 0 || v < 0 || u >= 1 || v >= 1) continue;
      int sx = src.X + std::min(int(u * src.W), src.W - 1);
      int sy = src.Y + std::min(int(v * src.H), src.H - 1);
      if (sx < 0 || sy < 0 || sx >= px.Width || sy >= px.Height) continue;
      uint32_t s = px.At(sx, sy);
      uint32_t a = (Channel(s, 24) * alpha + 127) / 255;
      uint32_t out = a << 24;
      for (int c = 0; c <= 16; c += 8) out |= ((Channel(s, c) * Channel(colorMod, c) + 127) / 255) << c;
      if (mode == BlendMode::Opaque) out |= 0xFF000000u;
      Plot(x, y, out, mode);
    }
  }
}

}  // namespace kq
