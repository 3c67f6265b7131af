#include "gen_pictures/icon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gen_pictures/art.h"

namespace kq::gen {

namespace {

uint32_t Rgb(Color c) {
  auto ch = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.f, 1.f) * 255)); };
  return ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}

// Signed distance to a rounded rectangle, negative inside.
float RoundedRectDistance(const IconShape& s, float px, float py) {
  const float hw = s.W / 2, hh = s.H / 2;
  const float qx = std::fabs(px - (s.X + hw)) - (hw - s.R);
  const float qy = std::fabs(py - (s.Y + hh)) - (hh - s.R);
  const float ox = std::max(qx, 0.f), oy = std::max(qy, 0.f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.f) - s.R;
}

}  // namespace

std::vector<IconShape> IconShapes() {
  std::vector<IconShape> v;
  v.push_back({8, 8, 240, 240, 44, 0x1B2140, 1});
  v.push_back({8, 8, 240, 120, 44, 0x3A4A86, 0.35f});  // light from above
  // Block kinds by cell, top row first: a red group about to be erased in the middle.
  const int kinds[3][3] = {{4, 0, 2}, {3, 0, 0}, {0, 5, 1}};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const float x = 36 + 64 * float(col), y = 36 + 64 * float(row);
      const Color c = KindColor(kinds[row][col]);
      v.push_back({x, y, 56, 56, 10, Rgb(Darken(c, 0.25f)), 1});
      v.push_back({x + 5, y + 4, 46, 44, 7, Rgb(c), 1});
      v.push_back({x + 10, y + 8, 36, 12, 5, 0xFFFFFF, 0.45f});  // gloss
    }
  }
  // The sight: four corner brackets around the middle block.
  const float l = 92, t = 92, r = 164, b = 164, len = 22, th = 7;
  for (float x : {l, r - len})
    for (float y : {t, b - th}) v.push_back({x, y, len, th, 2, 0xFFFFFF, 1});
  for (float x : {l, r - th})
    for (float y : {t, b - len}) v.push_back({x, y, th, len, 2, 0xFFFFFF, 1});
  return v;
}

Bitmap RenderIcon(int size) {
  const std::vector<IconShape> shapes = IconShapes();
  Bitmap out(size, size, 0);
  const float scale = kIconUnits / float(size);
  constexpr int kSub = 4;  // 4 x 4 samples a pixel
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float r = 0, g = 0, b = 0, a = 0;  // premultiplied
      for (const IconShape& s : shapes) {
        int hits = 0;
        for (int sy = 0; sy < kSub; ++sy)
          for (int sx = 0; sx < kSub; ++sx) {
            const float px = (float(x) + (float(sx) + 0.5f) / kSub) * scale;
            const float py = (float(y) + (float(sy) + 0.5f) / kSub) * scale;
            if (RoundedRectDistance(s, px, py) <= 0) ++hits;
          }
        if (!hits) continue;
        const float cover = s.Alpha * float(hits) / (kSub * kSub);
        r = float((s.Rgb >> 16) & 0xFF) / 255 * cover + r * (1 - cover);
        g = float((s.Rgb >> 8) & 0xFF) / 255 * cover + g * (1 - cover);
        b = float(s.Rgb & 0xFF) / 255 * cover + b * (1 - cover);
        a = cover + a * (1 - cover);
      }
      if (a <= 0) continue;
      auto ch = [&](float v) { return uint32_t(std::lround(std::clamp(v / a, 0.f, 1.f) * 255)); };
      out.At(x, y) = uint32_t(std::lround(a * 255)) << 24 | ch(r) << 16 | ch(g) << 8 | ch(b);
    }
  }
  return out;
}

std::string IconSvg() {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
  char line[200];
  for (const IconShape& s : IconShapes()) {
    std::snprintf(line, sizeof line,
                  "  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" fill=\"#%06X\"", s.X, s.Y,
                  s.W, s.H, s.R, unsigned(s.Rgb));
    svg += line;
    if (s.Alpha < 1) {
      std::snprintf(line, sizeof line, " fill-opacity=\"%g\"", s.Alpha);
      svg += line;
    }
    svg += "/>\n";
  }
  return svg + "</svg>\n";
}

}  // namespace kq::gen
