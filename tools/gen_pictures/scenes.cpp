#include "gen_pictures/scenes.h"

namespace kq::gen {

void FillBelow(Layer& l, const std::function<float(float)>& curve, const Gradient& g, float top,
               float bottom) {
  for (int x = 0; x < l.W(); ++x) {
    float cy = curve(float(x) + 0.5f);
    for (int y = std::max(0, int(std::floor(cy))); y < l.H(); ++y) {
      float cov = std::clamp(float(y) + 1.f - cy, 0.f, 1.f);
      l.Blend(x, y, g.At((float(y) - top) / (bottom - top)), cov);
    }
  }
}

void DrawHills(Layer& l, float base, float amp, float scale, uint32_t seed, const Gradient& g, float top,
               float bottom) {
  FillBelow(
      l, [&](float x) { return base - amp * Fbm(x * scale, 0.5f, seed, 3); }, g, top, bottom);
}

void DrawBlockTower(Layer& l, Fonts& f, float x, float bottomY, int cols, int rows, float cell, uint32_t seed,
                    float haze) {
  Rng rng(seed);
  Layer tower(int(float(cols) * cell) + 2, int(float(rows) * cell) + 2);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      // Towers thin out towards the top.
      if (r > rows - 3 && rng.Uniform() < 0.4f) continue;
      int kind = rng.Int(6);
      bool hard = rng.Uniform() < 0.15f;
      DrawBlock(tower, f, kind, hard, float(c) * cell, float(rows - 1 - r) * cell, cell);
    }
  if (haze > 0) {
    for (int yy = 0; yy < tower.H(); ++yy)
      for (int xx = 0; xx < tower.W(); ++xx) {
        Px& p = tower.At(xx, yy);
        Color mist = Hex(0x1A1238);
        p.r += (mist.r * p.a - p.r) * haze;
        p.g += (mist.g * p.a - p.g) * haze;
        p.b += (mist.b * p.a - p.b) * haze;
      }
  }
  l.Draw(tower, int(x), int(bottomY) - tower.H() + 2);
}

void DrawLogo(Layer& l, Fonts& f, float cx, float cy, float scale) {
  int size = int(118 * scale);
  TextFx rim;
  rim.face = Face::SansBold;
  rim.size = size;
  rim.fill = Gradient(Hex(0xFFFFFF), Hex(0xFFFFFF));
  rim.outline = Hex(0xFFF4E8);
  rim.outlineWidth = 9 * scale;
  rim.glow = Alpha(Hex(0xFF9A50), 0.55f);
  rim.glowRadius = int(16 * scale);
  rim.shadow = Alpha(Hex(0x000000), 0.5f);
  rim.shadowDy = int(6 * scale);
  rim.shadowBlur = int(6 * scale);
  DrawTextCentered(l, f, "KQ001", cx, cy, rim);
  TextFx main;
  main.face = Face::SansBold;
  main.size = size;
  main.fill =
      Gradient({{0, Hex(0xFFFFFF)}, {0.4f, Hex(0xFFE070)}, {0.52f, Hex(0xF8A030)}, {1, Hex(0xD83A50)}});
  main.outline = Hex(0x1C0A24);
  main.outlineWidth = 5 * scale;
  DrawTextCentered(l, f, "KQ001", cx, cy, main);
  // Sheen across the upper half of the letters.
  DrawSparkle(l, {cx - 150 * scale, cy - 40 * scale}, 22 * scale, Hex(0xFFFFFF));
  DrawSparkle(l, {cx + 168 * scale, cy + 30 * scale}, 16 * scale, Hex(0xFFF0C0));
}

void DrawTowerScene(Layer& l, Fonts& f, float shatter) {
  const int w = l.W(), h = l.H();
  bool dawn = shatter > 0;
  Gradient sky =
      dawn ? Gradient(
                 {{0, Hex(0x1A2A6A)}, {0.35f, Hex(0x6A5AA8)}, {0.55f, Hex(0xF09A7A)}, {0.65f, Hex(0xFFD8A0)}})
           : Gradient(
                 {{0, Hex(0x0A0618)}, {0.3f, Hex(0x2A1440)}, {0.6f, Hex(0x5A2A5A)}, {0.7f, Hex(0x7A3A50)}});
  FillVertical(l, Whole(l), sky);
  Rng rng(dawn ? 77 : 33);
  if (!dawn) DrawStars(l, rng, 40, {0, 0, w, 120}, 1.8f);
  if (dawn) {
    DrawGlow(l, {320, 290}, 240, Alpha(Hex(0xFFE8B0), 0.6f));
    // Rays from the burst.
    for (int i = 0; i < 18; ++i) {
      float a0 = float(i) * 2 * kPi / 18, a1 = a0 + kPi / 40;
      Vec c{320, 170};
      std::vector<Vec> ray{c, c + Vec{std::cos(a0), std::sin(a0)} * 600.f,
                           c + Vec{std::cos(a1), std::sin(a1)} * 600.f};
      FillShape(
          l, Whole(l), [&](Vec p) { return SdPolygon(p, ray); }, Alpha(Hex(0xFFF8E0), 0.16f), 2);
    }
  }
  // Storm clouds drifting over the sky.
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < w; ++x) {
      float n = Fbm(float(x) * 0.008f, float(y) * 0.02f, dawn ? 5u : 3u, 5);
      float a = std::clamp((n - 0.45f) * 2.2f, 0.f, 0.85f) * (1 - float(y) / 220.f);
      l.Blend(x, y, dawn ? Hex(0xFFD8E8) : Hex(0x20142E), dawn ? a * 0.5f : a);
    }
  // The tower, glowing with stolen colour.
  const float cell = 28, left = 320 - 3.5f * cell, ground = 286;
  if (!dawn) {
    DrawGlow(l, {320, 200}, 230, Alpha(Hex(0xD050FF), 0.55f));
    DrawGlow(l, {320, 200}, 140, Alpha(Hex(0xFFA0FF), 0.35f));
  }
  Rng blocks(404);
  for (int r = 0; r < 12; ++r)
    for (int c = 0; c < 7; ++c) {
      int kind = blocks.Int(6);
      bool hard = blocks.Uniform() < 0.15f;
      float bx = left + float(c) * cell, by = ground - float(r + 1) * cell;
      if (dawn && r >= 3) {
        // Above its stump, the tower flies apart from its heart.
        Vec from{320, 170};
        Vec d{bx + cell / 2 - from.x, by + cell / 2 - from.y};
        float len = std::max(Len(d), 1.f);
        float push = shatter * (60 + blocks.Range(0, 140));
        bx += d.x / len * push;
        by += d.y / len * push - shatter * 30;
        if (blocks.Uniform() < 0.2f) continue;
      }
      DrawBlock(l, f, kind, hard, bx, by, cell);
    }
  if (dawn) {
    DrawGlow(l, {320, 170}, 150, Alpha(Hex(0xFFFFFF), 0.8f));
    for (int i = 0; i < 30; ++i)
      DrawSparkle(l, {rng.Range(120, 520), rng.Range(30, 280)}, rng.Range(4, 12), Alpha(Hex(0xFFF4C0), 0.9f));
  } else {
    // The top of the tower vanishes into churning clouds; lightning splits the sky.
    for (int y = 0; y < 170; ++y)
      for (int x = 0; x < w; ++x) {
        float n = Fbm(float(x) * 0.01f, float(y) * 0.025f, 17u, 5);
        float a = std::clamp((n - 0.32f) * 3.5f, 0.f, 1.f) * std::clamp(1.7f - float(y) / 100.f, 0.f, 1.f);
        l.Blend(x, y, Mix(Hex(0x1A0E2A), Hex(0x5A3A70), n * n), a);
      }
    for (int bolt = 0; bolt < 2; ++bolt) {
      std::vector<Vec> path;
      Vec p{bolt ? 500.f : 130.f, 0};
      Rng zig(uint32_t(bolt + 61));
      while (p.y < 150) {
        path.push_back(p);
        p = p + Vec{zig.Range(-18, 18), zig.Range(14, 26)};
      }
      path.push_back(p);
      DrawGlow(l, path[path.size() / 2], 80, Alpha(Hex(0xB0A0FF), 0.3f));
      FillShape(
          l, BoundsOf(path, 8),
          [&](Vec q) {
            float d = 1e9f;
            for (size_t i = 1; i < path.size(); ++i)
              d = std::min(d, SdSegment(q, path[i - 1], path[i], 3.5f));
            return d;
          },
          Alpha(Hex(0x9A80FF), 0.5f), 3);
      FillShape(
          l, BoundsOf(path, 4),
          [&](Vec q) {
            float d = 1e9f;
            for (size_t i = 1; i < path.size(); ++i)
              d = std::min(d, SdSegment(q, path[i - 1], path[i], 1.1f));
            return d;
          },
          Hex(0xF4F0FF));
    }
  }
  // Ground and the two heroes looking on.
  DrawHills(l, float(ground) + 6, 16, 0.01f, 8u,
            dawn ? Gradient(Hex(0x4A8A5A), Hex(0x1A3A2A)) : Gradient(Hex(0x2A1A3A), Hex(0x0C0814)),
            ground - 10, float(h));
  DrawHero(l, 0, {120, ground - 6}, 26, dawn ? Mood::Cheer : Mood::Calm);
  DrawHero(l, 1, {520, ground - 6}, 26, dawn ? Mood::Cheer : Mood::Calm);
}

void DrawSpire(Layer& l, float cx, float base, float top, float hw) {
  float shoulder = top + hw * 1.2f;
  std::vector<Vec> left{{cx - hw, base}, {cx - hw, shoulder}, {cx, top}, {cx, base}};
  std::vector<Vec> right{{cx, base}, {cx, top}, {cx + hw, shoulder}, {cx + hw, base}};
  Gradient rows({{0, Hex(0x6A3AA0)}, {1, Hex(0x2A1A50)}});
  auto face = [&](const std::vector<Vec>& pts, float lift) {
    FillShape(
        l, BoundsOf(pts), [&](Vec p) { return SdPolygon(p, pts); },
        [&](Vec p) {
          Color c = rows.At((p.y - top) / (base - top));
          // Rows of blocks show as faint bands.
          float band = std::fmod(p.y - top, 14.f) < 1.2f ? 0.25f : 0.f;
          return Lighten(c, lift + band);
        });
  };
  face(left, 0.05f);
  face(right, 0.3f);
  FillShape(
      l, Around({cx, (top + base) / 2}, 2, (base - top) / 2),
      [&](Vec p) {
        return SdSegment(p, {cx, top + 2}, {cx, base}, 0.7f);
      },
      Alpha(Hex(0xF0D8FF), 0.6f));
  DrawSparkle(l, {cx, top}, 16, Hex(0xFFE8FF));
}

void DrawTrophy(Layer& l, float cx, float cy, float s) {
  Box b = Around({cx, cy}, 120 * s, 140 * s);
  DrawGlow(l, {cx, cy - 20 * s}, 130 * s, Alpha(Hex(0xFFE090), 0.35f));
  Gradient gold({{0, Hex(0x8A5010)}, {0.3f, Hex(0xFFE9A0)}, {0.5f, Hex(0xF0B030)}, {1, Hex(0x7A4A10)}});
  auto cup = [&](Vec p) {
    float bowl = std::max(SdEllipse(p, {cx, cy - 60 * s}, 58 * s, 70 * s), p.y - (cy - 60 * s));
    bowl = std::min(bowl, SdPolygon(p, {{cx - 58 * s, cy - 62 * s},
                                        {cx + 58 * s, cy - 62 * s},
                                        {cx + 20 * s, cy},
                                        {cx - 20 * s, cy}}));
    float stem = SdRoundBox(p, {cx, cy + 20 * s}, {9 * s, 24 * s}, 3 * s);
    float base = SdRoundBox(p, {cx, cy + 52 * s}, {42 * s, 10 * s}, 4 * s);
    float handles = std::min(SdRing(SdCircle(p, {cx - 62 * s, cy - 92 * s}, 22 * s), 7 * s),
                             SdRing(SdCircle(p, {cx + 62 * s, cy - 92 * s}, 22 * s), 7 * s));
    return std::min({bowl, stem, base, handles});
  };
  FillShape(
      l, b, [&](Vec p) { return cup(p) - 3 * s; }, Hex(0x2A1404));
  FillShape(l, b, cup, Linear{{cx - 60 * s, 0}, {cx + 60 * s, 0}, gold});
  DrawSuit(l, 2, {cx, cy - 90 * s}, 44 * s, Hex(0xFFFFFF), Hex(0xB07818), 2 * s);
  DrawSparkle(l, {cx - 30 * s, cy - 120 * s}, 16 * s, Hex(0xFFFFFF));
}

void DrawConfetti(Layer& l, Rng& rng, int count, Box b) {
  for (int i = 0; i < count; ++i) {
    Vec c{rng.Range(float(b.x0), float(b.x1)), rng.Range(float(b.y0), float(b.y1))};
    float a = rng.Range(0, kPi);
    Vec half{rng.Range(2, 4), rng.Range(1, 2)};
    Color col = Lighten(KindColor(rng.Int(6)), 0.2f);
    FillShape(
        l, Around(c, 6, 6), [&](Vec p) { return SdRoundBox(c + Rotate(p - c, a), c, half, 0.5f); }, col);
  }
}

void DrawRainbowArc(Layer& l, Vec c, float radius, float bandWidth, float alpha) {
  for (int band = 0; band < 6; ++band) {
    float r = radius - float(band) * bandWidth;
    FillShape(
        l, Box{int(c.x - r - 4), int(c.y - r - 4), int(c.x + r + 4), int(c.y + 2)},
        [&](Vec p) { return std::max(SdRing(SdCircle(p, c, r), bandWidth + 0.6f), p.y - c.y); },
        Alpha(Lighten(KindColor(band), 0.15f), alpha), 1.5f);
  }
}

void DrawFirework(Layer& l, Vec c, float radius, Color col, uint32_t seed) {
  Rng rng(seed);
  DrawGlow(l, c, radius * 0.9f, Alpha(col, 0.3f));
  int rays = 28;
  for (int i = 0; i < rays; ++i) {
    float a = float(i) * 2 * kPi / float(rays) + rng.Range(-0.05f, 0.05f);
    float len = radius * rng.Range(0.75f, 1.f);
    for (int k = 1; k <= 6; ++k) {
      float t = float(k) / 6.f;
      Vec p{c.x + std::cos(a) * len * t, c.y + std::sin(a) * len * t + t * t * 10};
      float r = 0.6f + 1.6f * t;
      FillShape(
          l, Around(p, r + 1, r + 1), [&](Vec q) { return SdCircle(q, p, r); },
          Alpha(Mix(Hex(0xFFFFFF), col, t), 0.9f));
    }
  }
  DrawSparkle(l, c, radius * 0.3f, Hex(0xFFFFFF));
}

}  // namespace kq::gen
