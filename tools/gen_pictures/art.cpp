#include "gen_pictures/art.h"

#include <string>

namespace kq::gen {

namespace {

float SmoothMin(float a, float b, float k) {
  float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.f, 1.f);
  return b + (a - b) * h - k * h * (1 - h);
}

float SdPolyline(Vec p, const std::vector<Vec>& pts, float r) {
  float d = 1e9f;
  for (size_t i = 1; i < pts.size(); ++i) d = std::min(d, SdSegment(p, pts[i - 1], pts[i], r));
  return d;
}

// Points along a circular arc (angles in radians, 0 = right, clockwise on screen).
std::vector<Vec> Arc(Vec c, float rx, float ry, float a0, float a1, int n = 10) {
  std::vector<Vec> v;
  for (int i = 0; i <= n; ++i) {
    float a = a0 + (a1 - a0) * float(i) / float(n);
    v.push_back({c.x + std::cos(a) * rx, c.y + std::sin(a) * ry});
  }
  return v;
}

}  // namespace

Color KindColor(int kind) {
  switch (kind) {
    case 0:
      return Hex(0xE8304A);
    case 1:
      return Hex(0xF5832A);
    case 2:
      return Hex(0xF2CC2A);
    case 3:
      return Hex(0x36B54E);
    case 4:
      return Hex(0x2C78E6);
    case 5:
      return Hex(0x9A48D6);
    default:
      return Hex(0x4A4656);
  }
}

const char* KindName(int kind) {
  static const char* kNames[] = {"heart", "diamond", "star", "club", "spade", "moon", "hazard"};
  return kNames[std::clamp(kind, 0, 6)];
}

float SdSuit(int kind, Vec p, Vec c, float s) {
  Vec q = p - c;
  switch (kind) {
    case 0: {  // heart
      float a = SdCircle(q, {-0.25f * s, -0.16f * s}, 0.27f * s);
      float b = SdCircle(q, {0.25f * s, -0.16f * s}, 0.27f * s);
      float t = SdPolygon(q, {{-0.5f * s, -0.06f * s}, {0.5f * s, -0.06f * s}, {0, 0.48f * s}});
      return SmoothMin(std::min(a, b), t, 0.05f * s);
    }
    case 1:  // diamond
      return SdPolygon(q, {{0, -0.52f * s}, {0.37f * s, 0}, {0, 0.52f * s}, {-0.37f * s, 0}});
    case 2:  // star
      return SdPolygon(q, StarPoints({0, 0.04f * s}, 0.55f * s, 0.23f * s, 5, 0));
    case 3: {  // club
      float a = SdCircle(q, {0, -0.24f * s}, 0.21f * s);
      float b = SdCircle(q, {-0.24f * s, 0.06f * s}, 0.21f * s);
      float d = SdCircle(q, {0.24f * s, 0.06f * s}, 0.21f * s);
      float stem =
          SdPolygon(q, {{-0.06f * s, 0}, {0.06f * s, 0}, {0.19f * s, 0.5f * s}, {-0.19f * s, 0.5f * s}});
      return SmoothMin(
          SmoothMin(std::min(a, std::min(b, d)), 0.8f * SdCircle(q, {0, 0}, 0.12f * s), 0.04f * s), stem,
          0.04f * s);
    }
    case 4: {  // spade
      float a = SdCircle(q, {-0.24f * s, 0.1f * s}, 0.25f * s);
      float b = SdCircle(q, {0.24f * s, 0.1f * s}, 0.25f * s);
      float t = SdPolygon(q, {{-0.47f * s, 0.02f * s}, {0.47f * s, 0.02f * s}, {0, -0.52f * s}});
      float body = SmoothMin(std::min(a, b), t, 0.05f * s);
      float stem = SdPolygon(
          q,
          {{-0.05f * s, 0.2f * s}, {0.05f * s, 0.2f * s}, {0.19f * s, 0.52f * s}, {-0.19f * s, 0.52f * s}});
      return SmoothMin(body, stem, 0.03f * s);
    }
    case 5: {  // crescent moon
      float outer = SdCircle(q, {0, 0}, 0.47f * s);
      float inner = SdCircle(q, {0.22f * s, -0.14f * s}, 0.38f * s);
      return SdCut(outer, inner);
    }
    default: {  // warning triangle for the hazard block
      return SdPolygon(q, {{0, -0.5f * s}, {0.52f * s, 0.42f * s}, {-0.52f * s, 0.42f * s}}) - 0.04f * s;
    }
  }
}

void DrawSuit(Layer& l, int kind, Vec c, float size, Color fill, Color outline, float outlineWidth) {
  Box b = Around(c, size * 0.6f + outlineWidth, size * 0.6f + outlineWidth);
  if (outlineWidth > 0)
    FillShape(
        l, b, [&](Vec p) { return SdSuit(kind, p, c, size) - outlineWidth; }, outline);
  FillShape(
      l, b, [&](Vec p) { return SdSuit(kind, p, c, size); }, fill);
}

namespace {

void DrawHazardBlock(Layer& l, Fonts& f, bool hard, float x, float y, float s) {
  Vec c{x + s / 2, y + s / 2};
  float h = s / 2 - 0.5f;
  Box b = Around(c, h, h);
  Color yellow = Hex(0xF2C230), ink = Hex(0x23202A);
  // Outline, then the striped frame, then the dark core.
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {h, h}, s * 0.16f);
      },
      Hex(0x17141C));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {h - 1, h - 1}, s * 0.14f);
      },
      [&](Vec p) {
        float t = std::fmod((p.x - x) + (p.y - y) + s * 4, s * 0.375f) / (s * 0.375f);
        Color band = t < 0.5f ? yellow : ink;
        float shade = 1.f - 0.25f * (p.y - y) / s;
        return Color{band.r * shade, band.g * shade, band.b * shade, 1};
      });
  float ih = hard ? s * 0.3f : s * 0.33f;
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {ih + 1, ih + 1}, s * 0.1f);
      },
      Hex(0x17141C));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {ih, ih}, s * 0.08f);
      },
      Linear{{x, y + s * 0.2f}, {x, y + s * 0.8f}, Gradient(Hex(0x5A4A6A), Hex(0x2A2234))});
  // A glowing warning sign.
  Vec sc{c.x, c.y + s * 0.02f};
  DrawGlow(l, sc, s * 0.34f, Alpha(Hex(0xFF4030), 0.5f));
  FillShape(
      l, b, [&](Vec p) { return SdSuit(kHazardKind, p, sc, s * 0.5f) - s * 0.03f; }, Hex(0x2A0A0A));
  FillShape(
      l, b, [&](Vec p) { return SdSuit(kHazardKind, p, sc, s * 0.5f); },
      Linear{{0, sc.y - s * 0.25f}, {0, sc.y + s * 0.25f}, Gradient(Hex(0xFF7050), Hex(0xD01820))});
  FillShape(
      l, b,
      [&](Vec p) {
        return SdSegment(p, {sc.x, sc.y - s * 0.12f}, {sc.x, sc.y + s * 0.04f}, s * 0.035f);
      },
      Hex(0xFFF4E0));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdCircle(p, {sc.x, sc.y + s * 0.13f}, s * 0.04f);
      },
      Hex(0xFFF4E0));
  if (hard) {
    for (int i = 0; i < 4; ++i) {
      Vec r{x + (i % 2 ? s - s * 0.14f : s * 0.14f), y + (i / 2 ? s - s * 0.14f : s * 0.14f)};
      FillShape(
          l, Around(r, 3, 3), [&](Vec p) { return SdCircle(p, r, s * 0.06f); },
          Radial{r - Vec{0.6f, 0.6f}, s * 0.07f, Gradient(Hex(0xF4F0E0), Hex(0x6A6050))});
    }
  }
  (void)f;
}

}  // namespace

void DrawBlock(Layer& l, Fonts& f, int kind, bool hard, float x, float y, float s) {
  if (kind == kHazardKind) {
    DrawHazardBlock(l, f, hard, x, y, s);
    return;
  }
  Color base = KindColor(kind);
  Color dark = Darken(base, 0.62f);
  Vec c{x + s / 2, y + s / 2};
  float h = s / 2 - 0.5f;
  Box b = Around(c, h, h);
  if (!hard) {
    float r = s * 0.17f;
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRoundBox(p, c, {h, h}, r);
        },
        dark);
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRoundBox(p, c, {h - 1.2f, h - 1.2f}, r - 1);
        },
        Linear{{x, y},
               {x + s, y + s},
               Gradient({{0, Lighten(base, 0.38f)}, {0.5f, base}, {1, Darken(base, 0.28f)}})});
    // Bevel: light along the top-left rim, shade along the bottom-right.
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRing(SdRoundBox(p, c, {h - 2.6f, h - 2.6f}, r - 2), s * 0.07f);
        },
        [&](Vec p) {
          float t = ((p.x - x) + (p.y - y)) / (2 * s);
          return t < 0.5f ? Alpha(Hex(0xFFFFFF), 0.45f * (1 - 2 * t))
                          : Alpha(Hex(0x000000), 0.35f * (2 * t - 1));
        });
    // Gloss on the upper half.
    FillShape(
        l, b,
        [&](Vec p) {
          return SdEllipse(p, {c.x - s * 0.06f, y + s * 0.27f}, s * 0.33f, s * 0.15f);
        },
        Linear{{0, y + s * 0.12f},
               {0, y + s * 0.42f},
               Gradient(Alpha(Hex(0xFFFFFF), 0.5f), Alpha(Hex(0xFFFFFF), 0))});
    // Corner suits, as on a playing card.
    float ss = s * 0.25f;
    DrawSuit(l, kind, {x + s * 0.23f, y + s * 0.23f}, ss, Alpha(Hex(0xFFFFFF), 0.95f), Alpha(dark, 0.8f),
             s * 0.03f);
    DrawSuit(l, kind, {x + s * 0.77f, y + s * 0.77f}, ss, Alpha(Hex(0xFFFFFF), 0.95f), Alpha(dark, 0.8f),
             s * 0.03f);
    // The card number.
    TextFx fx;
    fx.face = Face::SansBold;
    fx.size = int(std::lround(s * 0.66f));
    fx.fill = Gradient(Hex(0xFFFFFF), Lighten(base, 0.7f));
    fx.outline = Darken(base, 0.7f);
    fx.outlineWidth = std::max(1.f, s * 0.05f);
    DrawTextCentered(l, f, std::to_string(kind), c.x + 0.5f, c.y + 0.5f, fx);
    return;
  }
  // Hard block: brushed steel frame with rivets around a recessed coloured core.
  float r = s * 0.12f;
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {h, h}, r);
      },
      Hex(0x1C2028));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {h - 1, h - 1}, r - 0.5f);
      },
      [&](Vec p) {
        float t = (p.y - y) / s;
        Color m =
            Gradient({{0, Hex(0xE6EBF2)}, {0.45f, Hex(0x9AA3B2)}, {0.55f, Hex(0x7D8696)}, {1, Hex(0x4A5160)}})
                .At(t);
        float streak = Noise(p.x * 0.15f, p.y * 2.2f, 7u) * 0.12f - 0.06f;
        return Color{m.r + streak, m.g + streak, m.b + streak, 1};
      });
  // Tint the steel slightly with the kind's colour so a hard block still reads as its colour.
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {h - 1, h - 1}, r - 0.5f);
      },
      Alpha(base, 0.22f));
  float ih = s * 0.3f;
  // Recess: dark rim above, light rim below.
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {ih + 1.5f, ih + 1.5f}, s * 0.08f);
      },
      Linear{{0, c.y - ih}, {0, c.y + ih}, Gradient(Hex(0x20242C), Hex(0xD8DEE8))});
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {ih, ih}, s * 0.06f);
      },
      Linear{{x, y + s * 0.2f}, {x, y + s * 0.8f}, Gradient(Darken(base, 0.2f), Lighten(base, 0.15f))});
  // Shadow cast by the frame into the recess.
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c, {ih, ih}, s * 0.06f);
      },
      Linear{{0, c.y - ih},
             {0, c.y - ih + s * 0.12f},
             Gradient(Alpha(Hex(0x000000), 0.45f), Alpha(Hex(0x000000), 0))});
  DrawSuit(l, kind, {c.x, c.y + s * 0.01f}, s * 0.42f, Hex(0xFFFFFF), Darken(base, 0.7f),
           std::max(1.f, s * 0.04f));
  for (int i = 0; i < 4; ++i) {
    Vec rv{x + (i % 2 ? s - s * 0.13f : s * 0.13f), y + (i / 2 ? s - s * 0.13f : s * 0.13f)};
    FillShape(
        l, Around(rv, s * 0.1f, s * 0.1f), [&](Vec p) { return SdCircle(p, rv, s * 0.07f); }, Hex(0x2A2E38));
    FillShape(
        l, Around(rv, s * 0.1f, s * 0.1f), [&](Vec p) { return SdCircle(p, rv, s * 0.055f); },
        Radial{rv - Vec{s * 0.025f, s * 0.025f}, s * 0.07f, Gradient(Hex(0xFFFFFF), Hex(0x727A88))});
  }
}

void DrawHero(Layer& l, int who, Vec c, float r, Mood mood) {
  Color base = who == 0 ? Hex(0xF2643A) : Hex(0x3A8CF0);
  if (mood == Mood::Damage) base = Mix(base, Hex(0x9A90B0), 0.35f);
  Color line = Darken(base, 0.72f);
  float ow = std::max(1.2f, r * 0.07f);
  float rx = r * 1.06f, ry = r * 0.96f;
  Box all = Around(c, r * 2.2f, r * 2.2f);
  auto body = [&](Vec p) { return SdEllipse(p, c, rx, ry); };
  // Ears or antenna behind the body.
  if (who == 0) {
    for (int side = -1; side <= 1; side += 2) {
      float sx = float(side);
      std::vector<Vec> ear{{c.x + sx * r * 0.28f, c.y - r * 0.7f},
                           {c.x + sx * r * 0.95f, c.y - r * 1.45f},
                           {c.x + sx * r * 0.92f, c.y - r * 0.35f}};
      std::vector<Vec> inner{{c.x + sx * r * 0.45f, c.y - r * 0.72f},
                             {c.x + sx * r * 0.88f, c.y - r * 1.22f},
                             {c.x + sx * r * 0.86f, c.y - r * 0.52f}};
      FillShape(
          l, all, [&](Vec p) { return SdPolygon(p, ear) - ow; }, line);
      FillShape(
          l, all, [&](Vec p) { return SdPolygon(p, ear); }, Lighten(base, 0.1f));
      FillShape(
          l, all, [&](Vec p) { return SdPolygon(p, inner); }, Hex(0xFFC8B8));
    }
  } else {
    Vec top{c.x + r * 0.25f, c.y - r * 1.55f};
    FillShape(
        l, all,
        [&](Vec p) {
          return SdSegment(p, {c.x, c.y - r * 0.8f}, top, r * 0.05f + ow);
        },
        line);
    FillShape(
        l, all,
        [&](Vec p) {
          return SdSegment(p, {c.x, c.y - r * 0.8f}, top, r * 0.05f);
        },
        Hex(0xC8D4E8));
    auto star = StarPoints(top, r * 0.3f, r * 0.14f, 5, 0.2f);
    FillShape(
        l, all, [&](Vec p) { return SdPolygon(p, star) - ow; }, Hex(0x5A3A08));
    FillShape(
        l, all, [&](Vec p) { return SdPolygon(p, star); },
        Radial{top - Vec{r * 0.08f, r * 0.1f}, r * 0.35f, Gradient(Hex(0xFFF6B0), Hex(0xF2B020))});
    // Small round ears.
    for (int side = -1; side <= 1; side += 2) {
      Vec e{c.x + float(side) * r * 0.85f, c.y - r * 0.62f};
      FillShape(
          l, all, [&](Vec p) { return SdCircle(p, e, r * 0.26f) - ow; }, line);
      FillShape(
          l, all, [&](Vec p) { return SdCircle(p, e, r * 0.26f); }, Lighten(base, 0.12f));
    }
  }
  // Body with outline, shading and a pale belly.
  FillShape(
      l, all, [&](Vec p) { return body(p) - ow; }, line);
  FillShape(l, all, body,
            Radial{c + Vec{-r * 0.35f, -r * 0.45f}, r * 1.7f,
                   Gradient({{0, Lighten(base, 0.5f)}, {0.45f, base}, {1, Darken(base, 0.35f)}})});
  FillShape(
      l, all,
      [&](Vec p) {
        return SdEllipse(p, c + Vec{0, r * 0.48f}, r * 0.62f, r * 0.42f);
      },
      Alpha(Lighten(base, 0.7f), 0.85f));
  if (who == 0) {
    // A white muzzle for the fox.
    FillShape(
        l, all,
        [&](Vec p) {
          return SdEllipse(p, c + Vec{0, r * 0.3f}, r * 0.42f, r * 0.3f);
        },
        Alpha(Hex(0xFFF4EC), 0.9f));
  }
  // Rim light along the top.
  FillShape(
      l, all, [&](Vec p) { return SdRing(body(p) + r * 0.1f, r * 0.05f); },
      Linear{{0, c.y - ry}, {0, c.y}, Gradient(Alpha(Hex(0xFFFFFF), 0.5f), Alpha(Hex(0xFFFFFF), 0))});
  // Face.
  Color eyeInk = Hex(0x1E1830);
  float ex = r * 0.36f, ey = -r * 0.08f;
  for (int side = -1; side <= 1; side += 2) {
    Vec e{c.x + float(side) * ex, c.y + ey};
    float sx = float(side);
    switch (mood) {
      case Mood::Happy:
      case Mood::Calm: {
        FillShape(
            l, all, [&](Vec p) { return SdEllipse(p, e, r * 0.15f, r * 0.21f); }, eyeInk);
        FillShape(
            l, all,
            [&](Vec p) {
              return SdCircle(p, e + Vec{-r * 0.04f, -r * 0.08f}, r * 0.06f);
            },
            Hex(0xFFFFFF));
        FillShape(
            l, all,
            [&](Vec p) {
              return SdCircle(p, e + Vec{r * 0.05f, r * 0.07f}, r * 0.03f);
            },
            Alpha(Hex(0xFFFFFF), 0.7f));
        break;
      }
      case Mood::Cheer: {
        auto arc = Arc(e + Vec{0, r * 0.06f}, r * 0.14f, r * 0.14f, kPi * 1.1f, kPi * 1.9f);
        FillShape(
            l, all, [&](Vec p) { return SdPolyline(p, arc, r * 0.045f); }, eyeInk);
        break;
      }
      case Mood::Attack: {
        FillShape(
            l, all,
            [&](Vec p) {
              float eye = SdEllipse(p, e + Vec{0, r * 0.03f}, r * 0.15f, r * 0.18f);
              // The brow line cuts the top of the eye: a fierce squint.
              Vec n{sx * 0.45f, 1.f};
              float cut = -(Dot(p - (e + Vec{0, -r * 0.04f}), n * (1.f / Len(n))));
              return std::max(eye, cut);
            },
            eyeInk);
        FillShape(
            l, all,
            [&](Vec p) {
              return SdCircle(p, e + Vec{-sx * r * 0.02f, r * 0.06f}, r * 0.045f);
            },
            Hex(0xFFFFFF));
        FillShape(
            l, all,
            [&](Vec p) {
              return SdSegment(p, e + Vec{-sx * r * 0.2f, -r * 0.2f}, e + Vec{sx * r * 0.16f, -r * 0.06f},
                               r * 0.05f);
            },
            eyeInk);
        break;
      }
      case Mood::Damage: {
        // Squeezed-shut eyes: > <
        std::vector<Vec> v{e + Vec{-sx * r * 0.13f, -r * 0.12f}, e + Vec{sx * r * 0.1f, 0},
                           e + Vec{-sx * r * 0.13f, r * 0.12f}};
        FillShape(
            l, all, [&](Vec p) { return SdPolyline(p, v, r * 0.045f); }, eyeInk);
        break;
      }
    }
    // Cheeks.
    if (mood != Mood::Damage) {
      Vec ch{c.x + sx * r * 0.62f, c.y + r * 0.2f};
      FillShape(
          l, all, [&](Vec p) { return SdEllipse(p, ch, r * 0.14f, r * 0.08f); }, Alpha(Hex(0xFF5070), 0.45f),
          r * 0.08f);
    }
  }
  Vec m{c.x, c.y + r * 0.3f};
  switch (mood) {
    case Mood::Happy:
    case Mood::Calm: {
      auto arc = Arc(m + Vec{0, -r * 0.08f}, r * 0.16f, mood == Mood::Happy ? r * 0.13f : r * 0.08f,
                     kPi * 0.15f, kPi * 0.85f);
      FillShape(
          l, all, [&](Vec p) { return SdPolyline(p, arc, r * 0.035f); }, eyeInk);
      break;
    }
    case Mood::Cheer:
    case Mood::Attack: {
      float w = r * 0.2f, hgt = mood == Mood::Attack ? r * 0.2f : r * 0.16f;
      auto mouth = [&](Vec p) {
        float e = SdEllipse(p, m + Vec{0, r * 0.02f}, w, hgt);
        return mood == Mood::Cheer ? std::max(e, -(p.y - (m.y - r * 0.02f))) : e;
      };
      FillShape(
          l, all, [&](Vec p) { return mouth(p) - r * 0.03f; }, eyeInk);
      FillShape(l, all, mouth, Hex(0x7A1830));
      FillShape(
          l, all,
          [&](Vec p) {
            return std::max(mouth(p), SdCircle(p, m + Vec{0, r * 0.2f}, r * 0.14f));
          },
          Hex(0xF07088));
      break;
    }
    case Mood::Damage: {
      std::vector<Vec> wave;
      for (int i = 0; i <= 12; ++i) {
        float t = float(i) / 12.f;
        wave.push_back({m.x - r * 0.2f + t * r * 0.4f, m.y + std::sin(t * kPi * 3) * r * 0.05f});
      }
      FillShape(
          l, all, [&](Vec p) { return SdPolyline(p, wave, r * 0.035f); }, eyeInk);
      // A sweat drop.
      Vec d{c.x + r * 0.85f, c.y - r * 0.45f};
      auto drop = [&](Vec p) {
        return SmoothMin(SdCircle(p, d, r * 0.13f),
                         SdPolygon(p, {{d.x - r * 0.11f, d.y - r * 0.05f},
                                       {d.x + r * 0.11f, d.y - r * 0.05f},
                                       {d.x, d.y - r * 0.32f}}),
                         r * 0.03f);
      };
      FillShape(
          l, all, [&](Vec p) { return drop(p) - ow * 0.7f; }, Hex(0x1A3A6A));
      FillShape(l, all, drop,
                Linear{{0, d.y - r * 0.3f}, {0, d.y + r * 0.13f}, Gradient(Hex(0xE8F6FF), Hex(0x70B8F0))});
      break;
    }
  }
}

void FillVertical(Layer& l, Box b, const Gradient& g) {
  float y0 = float(b.y0), span = float(std::max(1, b.y1 - b.y0));
  for (int y = std::max(0, b.y0); y < std::min(l.H(), b.y1); ++y) {
    Color c = g.At((float(y) + 0.5f - y0) / span);
    for (int x = std::max(0, b.x0); x < std::min(l.W(), b.x1); ++x) l.Blend(x, y, c);
  }
}

void DrawStars(Layer& l, Rng& rng, int count, Box b, float maxSize, Color tint) {
  for (int i = 0; i < count; ++i) {
    Vec p{rng.Range(float(b.x0), float(b.x1)), rng.Range(float(b.y0), float(b.y1))};
    float u = rng.Uniform();
    float size = 0.4f + u * u * u * maxSize;
    float bright = 0.35f + 0.65f * rng.Uniform();
    Color c = Mix(tint, Hex(0xFFFFFF), rng.Uniform() * 0.6f);
    FillShape(
        l, Around(p, size + 1, size + 1), [&](Vec q) { return SdCircle(q, p, size * 0.5f); },
        Alpha(c, bright), 1.2f);
    if (size > maxSize * 0.55f) DrawSparkle(l, p, size * 2.6f, Alpha(c, bright * 0.8f));
  }
}

void DrawPanel(Layer& l, Box b, float radius, Color fill, Color rim) {
  Vec c{float(b.x0 + b.x1) / 2, float(b.y0 + b.y1) / 2};
  Vec half{float(b.x1 - b.x0) / 2, float(b.y1 - b.y0) / 2};
  Box area{b.x0 - 4, b.y0 - 4, b.x1 + 6, b.y1 + 8};
  // Soft drop shadow.
  FillShape(
      l, area,
      [&](Vec p) {
        return SdRoundBox(p, c + Vec{2, 3}, half, radius);
      },
      Alpha(Hex(0x000000), 0.35f), 5);
  FillShape(
      l, area, [&](Vec p) { return SdRoundBox(p, c, half, radius); },
      Linear{{0, float(b.y0)}, {0, float(b.y1)}, Gradient(Lighten(fill, 0.12f), fill)});
  FillShape(
      l, area, [&](Vec p) { return SdRing(SdRoundBox(p, c, half, radius) + 0.75f, 1.5f); },
      Linear{{0, float(b.y0)}, {0, float(b.y1)}, Gradient(rim, Alpha(rim, rim.a * 0.45f))});
  FillShape(
      l, area,
      [&](Vec p) {
        return std::max(SdRoundBox(p, c, half - Vec{2, 2}, radius - 2), p.y - (float(b.y0) + half.y * 0.45f));
      },
      Linear{{0, float(b.y0)},
             {0, float(b.y0) + half.y * 0.45f},
             Gradient(Alpha(Hex(0xFFFFFF), 0.10f), Alpha(Hex(0xFFFFFF), 0.02f))});
}

void DrawKeyCap(Layer& l, Fonts& f, const std::string& label, float cx, float cy, float w, float h) {
  Vec c{cx, cy};
  Vec half{w / 2, h / 2};
  Box b = Around(c, w / 2 + 2, h / 2 + 3);
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c + Vec{0, 2}, half, 4);
      },
      Hex(0x3A4050));
  FillShape(
      l, b, [&](Vec p) { return SdRoundBox(p, c, half, 4); }, Hex(0x202530));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c + Vec{0, -0.5f}, half - Vec{1, 1.5f}, 3);
      },
      Linear{{0, cy - h / 2}, {0, cy + h / 2}, Gradient(Hex(0xFDFDFF), Hex(0xBCC4D2))});
  TextFx fx;
  fx.face = Face::SansBold;
  fx.size = int(std::min(h * 0.62f, w * 0.62f));
  fx.fill = Gradient(Hex(0x262A36), Hex(0x3C4252));
  fx = FitWidth(f, label, fx, int(w - 6));
  DrawTextCentered(l, f, label, cx, cy - 0.5f, fx);
}

void DrawArrowCap(Layer& l, float cx, float cy, float s, int dir) {
  Vec c{cx, cy};
  Vec half{s / 2, s / 2};
  Box b = Around(c, s / 2 + 2, s / 2 + 3);
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c + Vec{0, 2}, half, 4);
      },
      Hex(0x3A4050));
  FillShape(
      l, b, [&](Vec p) { return SdRoundBox(p, c, half, 4); }, Hex(0x202530));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, c + Vec{0, -0.5f}, half - Vec{1, 1.5f}, 3);
      },
      Linear{{0, cy - s / 2}, {0, cy + s / 2}, Gradient(Hex(0xFDFDFF), Hex(0xBCC4D2))});
  float a = (dir == 0 ? -kPi / 2 : dir == 1 ? kPi / 2 : dir == 2 ? kPi : 0);
  std::vector<Vec> tri;
  for (Vec v : {Vec{s * 0.26f, 0}, Vec{-s * 0.18f, -s * 0.24f}, Vec{-s * 0.18f, s * 0.24f}})
    tri.push_back(c + Rotate(v, a));
  FillShape(
      l, b, [&](Vec p) { return SdPolygon(p, tri); }, Hex(0x2A2E3A));
}

void DrawGlow(Layer& l, Vec c, float r, Color col) {
  FillShape(
      l, Around(c, r, r), [&](Vec p) { return SdCircle(p, c, r); },
      [&](Vec p) {
        float t = std::clamp(Len(p - c) / r, 0.f, 1.f);
        return Alpha(col, (1 - t) * (1 - t));
      });
}

void DrawSparkle(Layer& l, Vec c, float r, Color col) {
  Box b = Around(c, r, r);
  FillShape(
      l, b,
      [&](Vec p) {
        Vec q = p - c;
        float ax = std::fabs(q.x), ay = std::fabs(q.y);
        // Two thin diamonds crossing: a four-pointed star.
        float d1 = (ax / r + ay / (r * 0.16f)) - 1;
        float d2 = (ay / r + ax / (r * 0.16f)) - 1;
        return std::min(d1, d2) * r * 0.16f;
      },
      [&](Vec p) {
        float t = std::clamp(Len(p - c) / r, 0.f, 1.f);
        return Alpha(Mix(Hex(0xFFFFFF), col, t), col.a * (1 - t * 0.7f));
      });
  DrawGlow(l, c, r * 0.45f, Alpha(col, col.a * 0.6f));
}

TextFx HeadingFx(int size, Color top, Color bottom, Color outline) {
  TextFx fx;
  fx.face = Face::SansBold;
  fx.size = size;
  fx.fill = Gradient(top, bottom);
  fx.outline = outline;
  fx.outlineWidth = std::max(1.5f, float(size) * 0.08f);
  fx.shadow = Alpha(Hex(0x000000), 0.55f);
  fx.shadowDx = 0;
  fx.shadowDy = std::max(1, size / 14);
  fx.shadowBlur = std::max(1, size / 12);
  return fx;
}

}  // namespace kq::gen
