#pragma once
// Drawing kit of the picture generator: a floating-point RGBA layer (premultiplied alpha),
// anti-aliased shapes from signed distances, gradients, blurs and a deterministic noise.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/bitmap.h"

namespace kq::gen {

constexpr float kPi = 3.14159265358979f;

// Straight (not premultiplied) colour, channels 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

constexpr Color Hex(uint32_t rgb, float a = 1) {
  return {float((rgb >> 16) & 0xFF) / 255.f, float((rgb >> 8) & 0xFF) / 255.f, float(rgb & 0xFF) / 255.f, a};
}
Color Mix(Color a, Color b, float t);
inline Color Lighten(Color c, float t) {
  return Mix(c, Color{1, 1, 1, c.a}, t);
}
inline Color Darken(Color c, float t) {
  return Mix(c, Color{0, 0, 0, c.a}, t);
}
inline Color Alpha(Color c, float a) {
  return {c.r, c.g, c.b, c.a * a};
}
// Hue in degrees, saturation and value 0..1.
Color Hsv(float h, float s, float v, float a = 1);

struct Vec {
  float x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, float s) {
  return {a.x * s, a.y * s};
}
inline float Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
inline float Len(Vec a) {
  return std::sqrt(a.x * a.x + a.y * a.y);
}
inline Vec Rotate(Vec p, float rad) {
  float c = std::cos(rad), s = std::sin(rad);
  return {p.x * c - p.y * s, p.x * s + p.y * c};
}

// Colour stops along 0..1.
class Gradient {
 public:
  Gradient() = default;
  Gradient(Color a, Color b) : stops_{{0, a}, {1, b}} {}
  Gradient(std::initializer_list<std::pair<float, Color>> stops) : stops_(stops) {}
  Color At(float t) const;

 private:
  std::vector<std::pair<float, Color>> stops_;
};

// Premultiplied pixels, so "over" is a plain multiply-add.
struct Px {
  float r = 0, g = 0, b = 0, a = 0;
};

class Layer {
 public:
  Layer() = default;
  Layer(int w, int h) : w_(w), h_(h), px_(size_t(w) * size_t(h)) {}
  int W() const { return w_; }
  int H() const { return h_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  Px& At(int x, int y) { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
  const Px& At(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
  Color Get(int x, int y) const;
  // Source-over of a straight colour whose alpha is scaled by coverage.
  void Blend(int x, int y, Color c, float coverage = 1);
  // Additive light, for glows on opaque pictures.
  void Add(int x, int y, Color c, float amount);
  void Fill(Color c);
  // Draws another layer over this one at an offset.
  void Draw(const Layer& src, int dx, int dy, float opacity = 1);
  // Draws another layer scaled by s around its top-left corner placed at (dx, dy), bilinear.
  void DrawScaled(const Layer& src, float dx, float dy, float sx, float sy, float opacity = 1);
  // Multiplies every pixel's alpha (a fade).
  void Fade(float f);
  Layer Crop(int x, int y, int w, int h) const;

 private:
  int w_ = 0, h_ = 0;
  std::vector<Px> px_;
};

// ---- Signed distances (pixels, negative inside) ----
float SdCircle(Vec p, Vec c, float r);
float SdEllipse(Vec p, Vec c, float rx, float ry);
// Rounded rectangle: centre, half size, corner radius.
float SdRoundBox(Vec p, Vec c, Vec half, float r);
float SdSegment(Vec p, Vec a, Vec b, float r);
float SdPolygon(Vec p, const std::vector<Vec>& pts);
inline float SdUnion(float a, float b) {
  return std::min(a, b);
}
inline float SdCut(float a, float b) {
  return std::max(a, -b);
}
inline float SdRing(float d, float width) {
  return std::fabs(d) - width * 0.5f;
}
std::vector<Vec> StarPoints(Vec c, float outer, float inner, int points, float rotation);
std::vector<Vec> RegularPolygon(Vec c, float r, int sides, float rotation);

struct Box {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};
inline Box Around(Vec c, float rx, float ry) {
  return {int(std::floor(c.x - rx - 2)), int(std::floor(c.y - ry - 2)), int(std::ceil(c.x + rx + 2)),
          int(std::ceil(c.y + ry + 2))};
}

// Fills the shape given by sd(p) with paint(p) (a Color), anti-aliased over `soft` pixels.
template <class Sd, class Paint>
void FillShape(Layer& l, Box b, Sd sd, Paint paint, float soft = 1.f) {
  int x0 = std::max(b.x0, 0), y0 = std::max(b.y0, 0);
  int x1 = std::min(b.x1, l.W()), y1 = std::min(b.y1, l.H());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      Vec p{float(x) + 0.5f, float(y) + 0.5f};
      float d = sd(p);
      float cov = std::clamp(0.5f - d / soft, 0.f, 1.f);
      if (cov > 0) l.Blend(x, y, paint(p), cov);
    }
  }
}

template <class Sd>
void FillShape(Layer& l, Box b, Sd sd, Color c, float soft = 1.f) {
  FillShape(
      l, b, sd, [c](Vec) { return c; }, soft);
}

inline Box Whole(const Layer& l) {
  return {0, 0, l.W(), l.H()};
}
Box BoundsOf(const std::vector<Vec>& pts, float pad = 2);

// Linear gradient paint from a to b.
struct Linear {
  Vec a, b;
  Gradient g;
  Color operator()(Vec p) const {
    Vec d = b - a;
    float t = Dot(p - a, d) / std::max(Dot(d, d), 1e-6f);
    return g.At(t);
  }
};
struct Radial {
  Vec c;
  float r;
  Gradient g;
  Color operator()(Vec p) const { return g.At(Len(p - c) / r); }
};

// ---- Single-channel masks (text, glows) ----
struct Mask {
  int W = 0, H = 0;
  std::vector<float> A;
  Mask() = default;
  Mask(int w, int h) : W(w), H(h), A(size_t(w) * size_t(h), 0.f) {}
  float At(int x, int y) const {
    return (x < 0 || y < 0 || x >= W || y >= H) ? 0.f : A[size_t(y) * size_t(W) + size_t(x)];
  }
  float& Ref(int x, int y) { return A[size_t(y) * size_t(W) + size_t(x)]; }
};
// Grows a mask by r pixels, with a soft edge.
Mask Dilate(const Mask& m, float r);
Mask BlurMask(const Mask& m, int radius);
// Adds a margin of pad pixels on every side.
Mask PadMask(const Mask& m, int pad);
// Paints through a mask placed with its top-left at (ox, oy); paint(p) gets layer coordinates.
template <class Paint>
void DrawMask(Layer& l, const Mask& m, int ox, int oy, Paint paint, float opacity = 1) {
  for (int y = 0; y < m.H; ++y) {
    int ly = oy + y;
    if (ly < 0 || ly >= l.H()) continue;
    for (int x = 0; x < m.W; ++x) {
      int lx = ox + x;
      if (lx < 0 || lx >= l.W()) continue;
      float a = m.A[size_t(y) * size_t(m.W) + size_t(x)] * opacity;
      if (a > 0) l.Blend(lx, ly, paint(Vec{float(lx) + 0.5f, float(ly) + 0.5f}), a);
    }
  }
}
inline void DrawMask(Layer& l, const Mask& m, int ox, int oy, Color c, float opacity = 1) {
  DrawMask(
      l, m, ox, oy, [c](Vec) { return c; }, opacity);
}
// The layer's alpha as a mask.
Mask AlphaOf(const Layer& l);

// Box blur (three passes, close to a Gaussian) of a whole layer.
Layer Blur(const Layer& l, int radius);

// ---- Deterministic randomness ----
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  float Uniform() { return float(Next() >> 8) / float(1u << 24); }
  float Range(float a, float b) { return a + (b - a) * Uniform(); }
  int Int(int n) { return int(Next() % uint32_t(n)); }

 private:
  uint32_t s_;
};
// Smooth value noise 0..1 and its fractal sum.
float Noise(float x, float y, uint32_t seed);
float Fbm(float x, float y, uint32_t seed, int octaves = 4);

// ---- Output ----
// Turns a layer into a 24-bit picture. Keyed pictures composite over black and write the key
// exactly where nothing is drawn; drawn pixels never collide with the key at 16-bit precision.
enum class Key { None, Black, White };
Bitmap Flatten(const Layer& l, Key key);

}  // namespace kq::gen
