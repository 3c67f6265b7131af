#include "gen_pictures/paint.h"

namespace kq::gen {

Color Mix(Color a, Color b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Color Hsv(float h, float s, float v, float a) {
  h = std::fmod(h, 360.f);
  if (h < 0) h += 360.f;
  float c = v * s, x = c * (1 - std::fabs(std::fmod(h / 60.f, 2.f) - 1)), m = v - c;
  float r = 0, g = 0, b = 0;
  int sector = int(h / 60.f);
  switch (sector) {
    case 0:
      r = c, g = x;
      break;
    case 1:
      r = x, g = c;
      break;
    case 2:
      g = c, b = x;
      break;
    case 3:
      g = x, b = c;
      break;
    case 4:
      r = x, b = c;
      break;
    default:
      r = c, b = x;
      break;
  }
  return {r + m, g + m, b + m, a};
}

Color Gradient::At(float t) const {
  if (stops_.empty()) return {};
  if (t <= stops_.front().first) return stops_.front().second;
  for (size_t i = 1; i < stops_.size(); ++i) {
    if (t <= stops_[i].first) {
      float span = stops_[i].first - stops_[i - 1].first;
      float u = span > 0 ? (t - stops_[i - 1].first) / span : 1.f;
      return Mix(stops_[i - 1].second, stops_[i].second, u);
    }
  }
  return stops_.back().second;
}

Color Layer::Get(int x, int y) const {
  const Px& p = At(x, y);
  if (p.a <= 0) return {0, 0, 0, 0};
  return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

void Layer::Blend(int x, int y, Color c, float coverage) {
  if (!Inside(x, y)) return;
  float a = std::clamp(c.a * coverage, 0.f, 1.f);
  if (a <= 0) return;
  Px& d = At(x, y);
  float k = 1 - a;
  d.r = c.r * a + d.r * k;
  d.g = c.g * a + d.g * k;
  d.b = c.b * a + d.b * k;
  d.a = a + d.a * k;
}

void Layer::Add(int x, int y, Color c, float amount) {
  if (!Inside(x, y)) return;
  Px& d = At(x, y);
  float a = c.a * amount;
  d.r = std::min(d.r + c.r * a, 1.f);
  d.g = std::min(d.g + c.g * a, 1.f);
  d.b = std::min(d.b + c.b * a, 1.f);
  d.a = std::min(d.a + a, 1.f);
}

void Layer::Fill(Color c) {
  for (auto& p : px_) p = {c.r * c.a, c.g * c.a, c.b * c.a, c.a};
}

void Layer::Draw(const Layer& src, int dx, int dy, float opacity) {
  for (int y = 0; y < src.H(); ++y) {
    int ty = y + dy;
    if (ty < 0 || ty >= h_) continue;
    for (int x = 0; x < src.W(); ++x) {
      int tx = x + dx;
      if (tx < 0 || tx >= w_) continue;
      const Px& s = src.At(x, y);
      if (s.a <= 0) continue;
      Px& d = At(tx, ty);
      float k = 1 - s.a * opacity;
      d.r = s.r * opacity + d.r * k;
      d.g = s.g * opacity + d.g * k;
      d.b = s.b * opacity + d.b * k;
      d.a = s.a * opacity + d.a * k;
    }
  }
}

void Layer::DrawScaled(const Layer& src, float dx, float dy, float sx, float sy, float opacity) {
  if (sx <= 0 || sy <= 0 || src.W() == 0 || src.H() == 0) return;
  int x0 = std::max(0, int(std::floor(dx))), y0 = std::max(0, int(std::floor(dy)));
  int x1 = std::min(w_, int(std::ceil(dx + float(src.W()) * sx))),
      y1 = std::min(h_, int(std::ceil(dy + float(src.H()) * sy)));
  // Shrinking by more than two averages a footprint, so small copies stay smooth.
  int fx = std::max(1, int(1.f / sx)), fy = std::max(1, int(1.f / sy));
  auto sample = [&](float u, float v) {
    u -= 0.5f;
    v -= 0.5f;
    int iu = int(std::floor(u)), iv = int(std::floor(v));
    float fu = u - float(iu), fv = v - float(iv);
    Px out;
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 2; ++i) {
        int xx = std::clamp(iu + i, 0, src.W() - 1), yy = std::clamp(iv + j, 0, src.H() - 1);
        bool in = iu + i >= 0 && iv + j >= 0 && iu + i < src.W() && iv + j < src.H();
        float w = (i ? fu : 1 - fu) * (j ? fv : 1 - fv);
        if (!in) continue;
        const Px& s = src.At(xx, yy);
        out.r += s.r * w;
        out.g += s.g * w;
        out.b += s.b * w;
        out.a += s.a * w;
      }
    }
    return out;
  };
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      Px acc;
      for (int j = 0; j < fy; ++j) {
        for (int i = 0; i < fx; ++i) {
          float u = (float(x) + (float(i) + 0.5f) / float(fx) - dx) / sx;
          float v = (float(y) + (float(j) + 0.5f) / float(fy) - dy) / sy;
          Px s = sample(u, v);
          acc.r += s.r;
          acc.g += s.g;
          acc.b += s.b;
          acc.a += s.a;
        }
      }
      float n = float(fx * fy);
      float a = acc.a / n * opacity;
      if (a <= 0) continue;
      Px& d = At(x, y);
      float k = 1 - a;
      d.r = acc.r / n * opacity + d.r * k;
      d.g = acc.g / n * opacity + d.g * k;
      d.b = acc.b / n * opacity + d.b * k;
      d.a = a + d.a * k;
    }
  }
}

void Layer::Fade(float f) {
  for (auto& p : px_) {
    p.r *= f;
    p.g *= f;
    p.b *= f;
    p.a *= f;
  }
}

Layer Layer::Crop(int x, int y, int w, int h) const {
  Layer out(w, h);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (Inside(x + i, y + j)) out.At(i, j) = At(x + i, y + j);
  return out;
}

float SdCircle(Vec p, Vec c, float r) {
  return Len(p - c) - r;
}

float SdEllipse(Vec p, Vec c, float rx, float ry) {
  // A first-order approximation, exact enough at the sizes drawn here.
  Vec q{(p.x - c.x) / rx, (p.y - c.y) / ry};
  float k = Len(q);
  if (k < 1e-6f) return -std::min(rx, ry);
  Vec grad{q.x / rx, q.y / ry};
  return (k - 1) * k / std::max(Len(grad), 1e-6f);
}

float SdRoundBox(Vec p, Vec c, Vec half, float r) {
  Vec q{std::fabs(p.x - c.x) - half.x + r, std::fabs(p.y - c.y) - half.y + r};
  Vec m{std::max(q.x, 0.f), std::max(q.y, 0.f)};
  return Len(m) + std::min(std::max(q.x, q.y), 0.f) - r;
}

float SdSegment(Vec p, Vec a, Vec b, float r) {
  Vec pa = p - a, ba = b - a;
  float h = std::clamp(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-6f), 0.f, 1.f);
  return Len(pa - ba * h) - r;
}

float SdPolygon(Vec p, const std::vector<Vec>& v) {
  size_t n = v.size();
  if (n < 3) return 1e9f;
  float d = Dot(p - v[0], p - v[0]);
  float s = 1;
  for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
    Vec e = v[j] - v[i], w = p - v[i];
    Vec b = w - e * std::clamp(Dot(w, e) / std::max(Dot(e, e), 1e-9f), 0.f, 1.f);
    d = std::min(d, Dot(b, b));
    bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
  }
  return s * std::sqrt(d);
}

std::vector<Vec> StarPoints(Vec c, float outer, float inner, int points, float rotation) {
  std::vector<Vec> v;
  for (int i = 0; i < points * 2; ++i) {
    float a = rotation - kPi / 2 + float(i) * kPi / float(points);
    float r = (i % 2) ? inner : outer;
    v.push_back({c.x + std::cos(a) * r, c.y + std::sin(a) * r});
  }
  return v;
}

std::vector<Vec> RegularPolygon(Vec c, float r, int sides, float rotation) {
  std::vector<Vec> v;
  for (int i = 0; i < sides; ++i) {
    float a = rotation - kPi / 2 + float(i) * 2 * kPi / float(sides);
    v.push_back({c.x + std::cos(a) * r, c.y + std::sin(a) * r});
  }
  return v;
}

Box BoundsOf(const std::vector<Vec>& pts, float pad) {
  if (pts.empty()) return {0, 0, 0, 0};
  float x0 = pts[0].x, y0 = pts[0].y, x1 = x0, y1 = y0;
  for (Vec v : pts) {
    x0 = std::min(x0, v.x), y0 = std::min(y0, v.y), x1 = std::max(x1, v.x), y1 = std::max(y1, v.y);
  }
  return {int(std::floor(x0 - pad)), int(std::floor(y0 - pad)), int(std::ceil(x1 + pad)),
          int(std::ceil(y1 + pad))};
}

Mask Dilate(const Mask& m, float r) {
  Mask out(m.W, m.H);
  int R = int(std::ceil(r));
  struct Off {
    int dx, dy;
    float w;
  };
  std::vector<Off> offs;
  for (int dy = -R; dy <= R; ++dy)
    for (int dx = -R; dx <= R; ++dx) {
      float d = std::sqrt(float(dx * dx + dy * dy));
      float w = std::clamp(r + 0.5f - d, 0.f, 1.f);
      if (w > 0) offs.push_back({dx, dy, w});
    }
  // Nearest first: once the remaining weights cannot beat the best so far, stop.
  std::stable_sort(offs.begin(), offs.end(), [](const Off& a, const Off& b) { return a.w > b.w; });
  for (int y = 0; y < m.H; ++y)
    for (int x = 0; x < m.W; ++x) {
      float best = 0;
      for (const Off& o : offs) {
        if (o.w <= best) break;
        best = std::max(best, m.At(x + o.dx, y + o.dy) * o.w);
      }
      out.Ref(x, y) = best;
    }
  return out;
}

namespace {

void BoxPass(std::vector<float>& v, int w, int h, int r, bool horizontal) {
  std::vector<float> line(size_t(horizontal ? w : h));
  int n = horizontal ? w : h, lines = horizontal ? h : w;
  for (int l = 0; l < lines; ++l) {
    auto at = [&](int i) -> float& {
      return horizontal ? v[size_t(l) * size_t(w) + size_t(i)] : v[size_t(i) * size_t(w) + size_t(l)];
    };
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += (i >= 0 && i < n) ? at(i) : 0.f;
    for (int i = 0; i < n; ++i) {
      line[size_t(i)] = sum / float(2 * r + 1);
      int out = i - r, in = i + r + 1;
      if (out >= 0) sum -= at(out);
      if (in < n) sum += at(in);
    }
    for (int i = 0; i < n; ++i) at(i) = line[size_t(i)];
  }
}

void BlurChannel(std::vector<float>& v, int w, int h, int radius) {
  int r = std::max(1, radius / 2);
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(v, w, h, r, true);
    BoxPass(v, w, h, r, false);
  }
}

}  // namespace

Mask BlurMask(const Mask& m, int radius) {
  Mask out = m;
  if (radius > 0) BlurChannel(out.A, out.W, out.H, radius);
  return out;
}

Mask PadMask(const Mask& m, int pad) {
  Mask out(m.W + 2 * pad, m.H + 2 * pad);
  for (int y = 0; y < m.H; ++y)
    for (int x = 0; x < m.W; ++x) out.Ref(x + pad, y + pad) = m.At(x, y);
  return out;
}

Mask AlphaOf(const Layer& l) {
  Mask m(l.W(), l.H());
  for (int y = 0; y < l.H(); ++y)
    for (int x = 0; x < l.W(); ++x) m.Ref(x, y) = l.At(x, y).a;
  return m;
}

Layer Blur(const Layer& l, int radius) {
  Layer out = l;
  if (radius <= 0) return out;
  int w = l.W(), h = l.H();
  std::vector<float> ch(size_t(w) * size_t(h));
  for (int c = 0; c < 4; ++c) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Px& p = l.At(x, y);
        ch[size_t(y) * size_t(w) + size_t(x)] = c == 0 ? p.r : c == 1 ? p.g : c == 2 ? p.b : p.a;
      }
    BlurChannel(ch, w, h, radius);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        Px& p = out.At(x, y);
        float v = ch[size_t(y) * size_t(w) + size_t(x)];
        (c == 0 ? p.r : c == 1 ? p.g : c == 2 ? p.b : p.a) = v;
      }
  }
  return out;
}

namespace {

float Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

}  // namespace

float Noise(float x, float y, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  float fx = x - float(ix), fy = y - float(iy);
  float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
  float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return (a + (b - a) * ux) * (1 - uy) + (c + (d - c) * ux) * uy;
}

float Fbm(float x, float y, uint32_t seed, int octaves) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += Noise(x, y, seed + uint32_t(o) * 131u) * amp;
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

Bitmap Flatten(const Layer& l, Key key) {
  Bitmap out(l.W(), l.H(), 0xFF000000u);
  const uint32_t keyRgb = key == Key::White ? 0xFFFFFFu : 0x000000u;
  const uint16_t key565 = ToRgb565(keyRgb);
  auto byte = [](float v) { return uint32_t(std::clamp(int(std::lround(v * 255.f)), 0, 255)); };
  for (int y = 0; y < l.H(); ++y) {
    for (int x = 0; x < l.W(); ++x) {
      const Px& p = l.At(x, y);
      // Premultiplied channels are the colour over black.
      uint32_t rgb = (byte(p.r) << 16) | (byte(p.g) << 8) | byte(p.b);
      if (key != Key::None) {
        if (p.a < 0.04f) {
          rgb = keyRgb;
        } else if (ToRgb565(rgb) == key565) {
          if (key == Key::Black)
            rgb = p.a > 0.35f ? 0x080808u : keyRgb;
          else
            rgb = 0xFFFFE8u;
        }
      }
      out.At(x, y) = 0xFF000000u | rgb;
    }
  }
  return out;
}

}  // namespace kq::gen
