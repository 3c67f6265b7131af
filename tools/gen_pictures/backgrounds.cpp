// Field backgrounds: BACK1 / BACK2 for the two players and one scene per stage of the one-player
// game (BG%.3d), each veiled so the blocks stay the brightest thing on the field.
#include <cstdio>
#include <string>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"
#include "gen_pictures/scenes.h"

namespace kq::gen {

namespace {

constexpr int kFieldH = 416;

// Darkens towards the edges and lays a faint grid of the 32-pixel cells over the scene.
void Veil(Layer& l, float darkness) {
  int w = l.W(), h = l.H();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float ex = std::min(float(x), float(w - 1 - x)) / float(w) * 2,
            ey = std::min(float(y), float(h - 1 - y)) / float(h) * 2;
      float vignette = 1 - std::clamp(std::min(ex * 2.5f, ey * 4.f), 0.f, 1.f);
      l.Blend(x, y, Hex(0x04040C), darkness + vignette * 0.3f);
      bool grid = (x % 32 == 0 || y % 32 == 31);
      if (grid) l.Blend(x, y, Hex(0xFFFFFF), 0.06f);
    }
  // Lit side rails.
  for (int y = 0; y < h; ++y) {
    l.Blend(0, y, Hex(0x9AB8F0), 0.5f);
    l.Blend(w - 1, y, Hex(0x9AB8F0), 0.5f);
  }
}

float Hills(float x, uint32_t seed, float base, float amp, float scale) {
  return base - amp * Fbm(x * scale, 0.5f, seed, 3);
}

Layer Meadow(int w) {
  Layer l(w, kFieldH);
  FillVertical(
      l, Whole(l),
      Gradient({{0, Hex(0x1A2A6A)}, {0.45f, Hex(0x6A5AA8)}, {0.7f, Hex(0xF09A7A)}, {0.78f, Hex(0xFFD090)}}));
  DrawGlow(l, {float(w) * 0.7f, 300}, 90, Alpha(Hex(0xFFE0A0), 0.7f));
  FillShape(
      l, Around({float(w) * 0.7f, 300}, 18, 18),
      [&](Vec p) {
        return SdCircle(p, {float(w) * 0.7f, 300}, 18);
      },
      Hex(0xFFF4D0));
  Rng rng(3);
  for (int i = 0; i < 5; ++i) {
    Vec c{rng.Range(0, float(w)), rng.Range(60, 220)};
    float s = rng.Range(10, 18);
    auto cloud = [&](Vec p) {
      return std::min({SdEllipse(p, c, s * 2.2f, s * 0.6f),
                       SdCircle(p, c + Vec{-s * 0.6f, -s * 0.3f}, s * 0.7f),
                       SdCircle(p, c + Vec{s * 0.5f, -s * 0.45f}, s * 0.85f)});
    };
    FillShape(l, Around(c, s * 2.6f, s * 1.6f), cloud, Alpha(Hex(0xFFE8F0), 0.35f), 2);
  }
  FillBelow(
      l, [](float x) { return Hills(x, 5, 330, 60, 0.012f); }, Gradient(Hex(0x4A7A6A), Hex(0x2A4A48)), 280,
      416);
  FillBelow(
      l, [](float x) { return Hills(x, 9, 380, 50, 0.02f); }, Gradient(Hex(0x3A8A4A), Hex(0x1A4A2A)), 330,
      416);
  Veil(l, 0.38f);
  return l;
}

Layer Forest(int w) {
  Layer l(w, kFieldH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x0A1A20)}, {0.6f, Hex(0x1A4A3A)}, {1, Hex(0x2A6A4A)}}));
  Rng rng(11);
  for (int layer = 0; layer < 3; ++layer) {
    Color col = Mix(Hex(0x2A5A48), Hex(0x0A2018), float(layer) / 2.f);
    float base = 250.f + float(layer) * 60.f;
    for (int i = 0; i < 9; ++i) {
      float x = rng.Range(-20, float(w) + 20), hgt = rng.Range(90, 160), half = hgt * 0.28f;
      std::vector<Vec> tree{{x, base - hgt}, {x + half, base + 40}, {x - half, base + 40}};
      FillShape(
          l, BoundsOf(tree), [&](Vec p) { return SdPolygon(p, tree); }, col);
    }
    FillVertical(l, {0, int(base + 30), w, kFieldH}, Gradient(col, col));
    // Mist between the layers.
    FillVertical(l, {0, int(base) - 30, w, int(base) + 40},
                 Gradient({{0, Alpha(Hex(0xA0D0C0), 0)},
                           {0.6f, Alpha(Hex(0xA0D0C0), 0.12f)},
                           {1, Alpha(Hex(0xA0D0C0), 0)}}));
  }
  for (int i = 0; i < 24; ++i) {
    Vec c{rng.Range(0, float(w)), rng.Range(120, 400)};
    DrawGlow(l, c, rng.Range(3, 7), Alpha(Hex(0xE8FF80), 0.8f));
  }
  Veil(l, 0.3f);
  return l;
}

Layer Ocean(int w) {
  Layer l(w, kFieldH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x2A8AC0)}, {0.4f, Hex(0x10508A)}, {1, Hex(0x061838)}}));
  // Light shafts from the surface.
  for (int i = 0; i < 5; ++i) {
    float x0 = float(i) * float(w) / 4.f - 20;
    std::vector<Vec> ray{{x0, 0}, {x0 + 22, 0}, {x0 + 80, 416}, {x0 + 40, 416}};
    FillShape(
        l, BoundsOf(ray), [&](Vec p) { return SdPolygon(p, ray); },
        Linear{{0, 0}, {0, 400}, Gradient(Alpha(Hex(0xC0F0FF), 0.18f), Alpha(Hex(0xC0F0FF), 0))}, 6);
  }
  Rng rng(21);
  for (int i = 0; i < 30; ++i) {
    Vec c{rng.Range(0, float(w)), rng.Range(40, 400)};
    float r = rng.Range(1.5f, 5.5f);
    FillShape(
        l, Around(c, r + 1, r + 1), [&](Vec p) { return SdRing(SdCircle(p, c, r), 1.f); },
        Alpha(Hex(0xD0F4FF), 0.5f));
    FillShape(
        l, Around(c, r, r),
        [&](Vec p) {
          return SdCircle(p, c + Vec{-r * 0.35f, -r * 0.35f}, r * 0.25f);
        },
        Alpha(Hex(0xFFFFFF), 0.6f));
  }
  for (int i = 0; i < 7; ++i) {
    float x = rng.Range(0, float(w)), hgt = rng.Range(60, 140);
    std::vector<Vec> weed;
    for (int k = 0; k <= 10; ++k)
      weed.push_back({x + std::sin(float(k) * 0.8f + x) * 6, 416 - hgt * float(k) / 10});
    FillShape(
        l, BoundsOf(weed, 6),
        [&](Vec p) {
          float d = 1e9f;
          for (size_t k = 1; k < weed.size(); ++k)
            d = std::min(d, SdSegment(p, weed[k - 1], weed[k], 3.5f - float(k) * 0.25f));
          return d;
        },
        Hex(0x0A3A30));
  }
  FillBelow(
      l, [](float x) { return Hills(x, 23, 410, 20, 0.03f); }, Gradient(Hex(0x2A3A48), Hex(0x101820)), 390,
      416);
  Veil(l, 0.3f);
  return l;
}

Layer Desert(int w) {
  Layer l(w, kFieldH);
  FillVertical(
      l, Whole(l),
      Gradient({{0, Hex(0x140C30)}, {0.5f, Hex(0x4A2A6A)}, {0.75f, Hex(0xD06A50)}, {0.85f, Hex(0xF0A060)}}));
  Rng rng(41);
  DrawStars(l, rng, 60, {0, 0, w, 200}, 2.f);
  Vec moon{float(w) * 0.3f, 90};
  FillShape(
      l, Around(moon, 20, 20),
      [&](Vec p) {
        return SdCut(SdCircle(p, moon, 20), SdCircle(p, moon + Vec{9, -6}, 17));
      },
      Hex(0xFFF0C8));
  FillBelow(
      l, [](float x) { return 330 - 30 * std::sin(x * 0.02f + 1) - 10 * std::sin(x * 0.05f); },
      Gradient(Hex(0xC0704A), Hex(0x7A3A3A)), 290, 416);
  FillBelow(
      l, [](float x) { return 375 - 25 * std::sin(x * 0.028f + 3); }, Gradient(Hex(0xA04A3A), Hex(0x4A2030)),
      340, 416);
  Veil(l, 0.32f);
  return l;
}

Layer Cave(int w) {
  Layer l(w, kFieldH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x120A24)}, {0.5f, Hex(0x241446)}, {1, Hex(0x100820)}}));
  Rng rng(61);
  for (int i = 0; i < 14; ++i) {
    bool up = i % 2 == 0;
    float x = rng.Range(0, float(w)), hgt = rng.Range(40, 120), half = rng.Range(8, 16);
    float base = up ? 416 : 0;
    float tip = up ? 416 - hgt : hgt;
    std::vector<Vec> crystal{{x - half, base},
                             {x - half * 0.8f, (base + tip) / 2},
                             {x, tip},
                             {x + half * 0.8f, (base + tip) / 2},
                             {x + half, base}};
    Color col = Hsv(rng.Range(260, 320), 0.55f, 0.8f);
    DrawGlow(l, {x, tip}, hgt * 0.6f, Alpha(col, 0.3f));
    FillShape(
        l, BoundsOf(crystal), [&](Vec p) { return SdPolygon(p, crystal); },
        Linear{{x - half, 0},
               {x + half, 0},
               Gradient({{0, Darken(col, 0.3f)},
                         {0.5f, Lighten(col, 0.35f)},
                         {0.51f, col},
                         {1, Darken(col, 0.5f)}})});
  }
  for (int i = 0; i < 20; ++i)
    DrawSparkle(l, {rng.Range(0, float(w)), rng.Range(0, 416)}, rng.Range(2, 5), Alpha(Hex(0xE8D0FF), 0.7f));
  Veil(l, 0.28f);
  return l;
}

Layer Volcano(int w) {
  Layer l(w, kFieldH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x100608)}, {0.55f, Hex(0x4A1010)}, {0.8f, Hex(0xA03010)}}));
  float cx = float(w) * 0.55f;
  DrawGlow(l, {cx, 250}, 120, Alpha(Hex(0xFF6020), 0.45f));
  std::vector<Vec> mountain{{cx - 160, 420}, {cx - 24, 250}, {cx + 24, 250}, {cx + 170, 420}};
  FillShape(
      l, BoundsOf(mountain), [&](Vec p) { return SdPolygon(p, mountain); },
      Linear{{0, 250}, {0, 416}, Gradient(Hex(0x2A1418), Hex(0x0C0608))});
  std::vector<Vec> lava{{cx - 20, 252}, {cx + 20, 252}, {cx + 6, 330}, {cx - 2, 300}, {cx - 12, 360}};
  FillShape(
      l, BoundsOf(lava), [&](Vec p) { return SdPolygon(p, lava); },
      Linear{{0, 250}, {0, 360}, Gradient(Hex(0xFFE060), Hex(0xE03010))});
  Rng rng(81);
  for (int i = 0; i < 40; ++i) {
    Vec c{cx + rng.Range(-100, 100), rng.Range(20, 260)};
    DrawGlow(l, c, rng.Range(1.5f, 4), Alpha(Hex(0xFFA040), 0.9f));
  }
  Veil(l, 0.3f);
  return l;
}

Layer City(int w) {
  Layer l(w, kFieldH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x060A20)}, {0.6f, Hex(0x1A2050)}, {1, Hex(0x4A2A60)}}));
  Rng rng(101);
  DrawStars(l, rng, 70, {0, 0, w, 240}, 2.2f);
  for (int layer = 0; layer < 2; ++layer) {
    float x = -10;
    Color col = layer == 0 ? Hex(0x1A2044) : Hex(0x0C1028);
    while (x < float(w)) {
      float bw = rng.Range(20, 40), bh = rng.Range(80, 200) + float(layer) * -30;
      float top = 416 - bh;
      FillVertical(l, {int(x), int(top), int(x + bw), kFieldH}, Gradient(col, col));
      for (float wy = top + 6; wy < 410; wy += 9)
        for (float wx = x + 4; wx < x + bw - 4; wx += 7)
          if (rng.Uniform() < (layer == 0 ? 0.25f : 0.4f))
            FillVertical(l, {int(wx), int(wy), int(wx) + 3, int(wy) + 4},
                         Gradient(Alpha(Hex(0xFFE08A), 0.8f), Alpha(Hex(0xF0A040), 0.8f)));
      x += bw + rng.Range(2, 8);
    }
  }
  Veil(l, 0.3f);
  return l;
}

Layer Space(int w) {
  Layer l(w, kFieldH);
  l.Fill(Hex(0x040410));
  for (int y = 0; y < kFieldH; ++y)
    for (int x = 0; x < w; ++x) {
      float n = Fbm(float(x) * 0.012f, float(y) * 0.012f, 151u, 5);
      float m = Fbm(float(x) * 0.02f + 7, float(y) * 0.02f, 152u, 4);
      Color neb = Mix(Hex(0x6A1A8A), Hex(0x1A6AAA), m);
      l.Blend(x, y, neb, std::clamp((n - 0.42f) * 1.6f, 0.f, 0.8f));
    }
  Rng rng(153);
  DrawStars(l, rng, 120, {0, 0, w, kFieldH}, 2.6f);
  Vec planet{float(w) * 0.72f, 320};
  auto ring = [&](Vec p) { return SdRing(SdEllipse(p, planet, 58, 12), 3.f); };
  Color ringCol = Alpha(Hex(0xE8D8B0), 0.8f);
  Box around = Around(planet, 62, 36);
  FillShape(
      l, around, [&](Vec p) { return std::max(ring(p), p.y - planet.y); }, ringCol);
  FillShape(
      l, around, [&](Vec p) { return SdCircle(p, planet, 34); },
      Radial{planet - Vec{12, 14}, 50, Gradient(Hex(0xF0C080), Hex(0x6A3A20))});
  FillShape(
      l, around, [&](Vec p) { return std::max(ring(p), planet.y - p.y); }, ringCol);
  Veil(l, 0.25f);
  return l;
}

// The versus backgrounds: a lattice of diamonds in each player's colour.
Layer Lattice(bool warm) {
  Layer l(256, kFieldH);
  Gradient g = warm ? Gradient({{0, Hex(0x3A0A2A)}, {0.6f, Hex(0x5A1A3A)}, {1, Hex(0x7A2A30)}})
                    : Gradient({{0, Hex(0x0A1A3A)}, {0.6f, Hex(0x10305A)}, {1, Hex(0x104A6A)}});
  FillVertical(l, Whole(l), g);
  Color line = warm ? Hex(0xFF90A0) : Hex(0x80D0FF);
  for (int y = 0; y < kFieldH; ++y)
    for (int x = 0; x < 256; ++x) {
      float u = std::fmod(float(x + y) + 1000.f, 64.f), v = std::fmod(float(x - y) + 1000.f, 64.f);
      float d = std::min({u, 64 - u, v, 64 - v});
      float glowA = std::clamp(1.5f - d, 0.f, 1.f) * 0.18f + std::exp(-d * 0.25f) * 0.05f;
      l.Blend(x, y, line, glowA);
      float n = Fbm(float(x) * 0.03f, float(y) * 0.03f, warm ? 1u : 2u, 3);
      l.Blend(x, y, Hex(0x000000), (n - 0.5f) * 0.5f + 0.1f);
    }
  Rng rng(warm ? 7 : 8);
  for (int i = 0; i < 14; ++i)
    DrawSparkle(l, {rng.Range(0, 256), rng.Range(0, 416)}, rng.Range(2, 5), Alpha(line, 0.6f));
  Veil(l, 0.22f);
  // The lattice dissolves into the dark above the field's top rows.
  for (int y = 0; y < 72; ++y) {
    float keep = std::clamp((float(y) - 10.f) / 62.f, 0.f, 1.f);
    for (int x = 0; x < 256; ++x) {
      Px& p = l.At(x, y);
      float k = keep * keep;
      p = {p.r * k, p.g * k, p.b * k, p.a * k};
    }
  }
  return l;
}

}  // namespace

void MakeBackgrounds(Pack& p) {
  p.Add("BACK1.PNG", Lattice(true), Key::Black);
  p.Add("BACK2.PNG", Lattice(false), Key::Black);
  struct Stage {
    int level;
    Layer (*make)(int);
  };
  const Stage stages[] = {{1, Meadow}, {11, Forest},  {21, Ocean}, {41, Desert},
                          {61, Cave},  {81, Volcano}, {101, City}, {151, Space}};
  for (const Stage& s : stages) {
    char name[32];
    std::snprintf(name, sizeof name, "BG%.3d.png", s.level);
    p.Add(name, s.make(224), Key::None);
  }
}

}  // namespace kq::gen
