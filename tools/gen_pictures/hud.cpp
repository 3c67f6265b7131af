// Play-screen furniture: sight, shooter, shots, gauges, the console cover below the fields, the
// rainbow sign, the poker card rims and the title cursor.
#include <string>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"

namespace kq::gen {

namespace {

Layer Sight() {
  Layer l(64, 32);
  for (int frame = 0; frame < 2; ++frame) {
    float inset = frame == 0 ? 1.5f : 3.5f;
    Color fill = frame == 0 ? Hex(0xFFFFFF) : Hex(0xFFE070);
    float ox = float(frame * 32);
    float len = 9, t = 1.6f;
    auto brackets = [&](Vec p) {
      float d = 1e9f;
      for (int cx = 0; cx < 2; ++cx)
        for (int cy = 0; cy < 2; ++cy) {
          Vec corner{ox + (cx ? 32 - inset : inset), cy ? 32 - inset : inset};
          float sx = cx ? -1.f : 1.f, sy = cy ? -1.f : 1.f;
          d = std::min(d, SdSegment(p, corner, corner + Vec{sx * len, 0}, t));
          d = std::min(d, SdSegment(p, corner, corner + Vec{0, sy * len}, t));
        }
      return d;
    };
    Box b{int(ox), 0, int(ox) + 32, 32};
    FillShape(
        l, b, [&](Vec p) { return brackets(p) - 1.2f; }, Hex(0x0A1020));
    FillShape(l, b, brackets, Linear{{0, 0}, {0, 32}, Gradient(fill, Mix(fill, Hex(0x60C8FF), 0.5f))});
    // Small ticks at the middle of each side help to see which cell is aimed at.
    Color tick = Alpha(fill, 0.9f);
    for (Vec m :
         {Vec{ox + 16, inset}, Vec{ox + 16, 32 - inset}, Vec{ox + inset, 16}, Vec{ox + 32 - inset, 16}}) {
      FillShape(
          l, b, [&](Vec p) { return SdCircle(p, m, 2.3f); }, Hex(0x0A1020));
      FillShape(
          l, b, [&](Vec p) { return SdCircle(p, m, 1.3f); }, tick);
    }
  }
  return l;
}

void Turret(Layer& l, float ox, bool firing) {
  Vec c{ox + 24, 0};
  float recoil = firing ? 3 : 0;
  Box b{int(ox), 0, int(ox) + 48, 48};
  // Barrel with a glowing energy core.
  Vec top{c.x, 7 + recoil}, bottom{c.x, 34};
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, {c.x, (top.y + bottom.y) / 2}, {6.5f, (bottom.y - top.y) / 2}, 3);
      },
      Hex(0x141A26));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, {c.x, (top.y + bottom.y) / 2}, {5.3f, (bottom.y - top.y) / 2 - 1}, 2.5f);
      },
      Linear{{c.x - 6, 0},
             {c.x + 6, 0},
             Gradient({{0, Hex(0x5A6478)}, {0.35f, Hex(0xE8EEF8)}, {1, Hex(0x3A4254)}})});
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, {c.x, top.y + 12}, {1.6f, 9}, 1.5f);
      },
      Linear{{0, top.y}, {0, top.y + 22}, Gradient(Hex(0xB0F4FF), Hex(0x2A9CE8))});
  // Muzzle ring.
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, {c.x, top.y + 2}, {7.5f, 2.5f}, 1.5f);
      },
      Hex(0x141A26));
  FillShape(
      l, b,
      [&](Vec p) {
        return SdRoundBox(p, {c.x, top.y + 2}, {6.5f, 1.6f}, 1);
      },
      Linear{{c.x - 7, 0},
             {c.x + 7, 0},
             Gradient({{0, Hex(0x9A6A20)}, {0.4f, Hex(0xFFE9A0)}, {1, Hex(0x8A5A18)}})});
  // Dome base.
  Vec dome{c.x, 47};
  auto domeSd = [&](Vec p) { return std::max(SdEllipse(p, dome, 22, 19), p.y - 46.5f); };
  FillShape(
      l, b, [&](Vec p) { return domeSd(p) - 1.3f; }, Hex(0x141A26));
  FillShape(
      l, b, domeSd,
      Radial{{c.x - 7, 32}, 30, Gradient({{0, Hex(0xF0F4FA)}, {0.45f, Hex(0x8C96AA)}, {1, Hex(0x3A4254)}})});
  // Band of lights on the dome.
  FillShape(
      l, b, [&](Vec p) { return std::max(SdRing(SdEllipse(p, dome, 16, 13), 2.2f), p.y - 46.f); },
      Hex(0x1A2A40));
  for (int i = -2; i <= 2; ++i) {
    float a = -kPi / 2 + float(i) * 0.42f;
    Vec lamp{dome.x + std::cos(a) * 16, dome.y + std::sin(a) * 13};
    Color lc = firing ? Hex(0xFFE070) : Hex(0x5CE0FF);
    FillShape(
        l, b, [&](Vec p) { return SdCircle(p, lamp, 1.5f); }, lc);
    DrawGlow(l, lamp, 4, Alpha(lc, 0.5f));
  }
  if (firing) {
    Vec flash{c.x, top.y - 1};
    DrawGlow(l, flash, 10, Alpha(Hex(0xFFC040), 0.8f));
    DrawSparkle(l, flash, 9, Hex(0xFFF0B0));
  }
}

Layer Shooter() {
  Layer l(96, 48);
  Turret(l, 0, true);
  Turret(l, 48, false);
  return l;
}

Layer ShotOrb(int size, Color glow, Color core, bool sparkle) {
  Layer l(size, size);
  Vec c{float(size) / 2.f, float(size) / 2.f};
  float r = float(size) / 2.f;
  DrawGlow(l, c, r, Alpha(glow, 0.9f));
  FillShape(
      l, Whole(l), [&](Vec p) { return SdCircle(p, c, r * 0.5f); },
      Radial{c - Vec{r * 0.15f, r * 0.15f}, r * 0.55f, Gradient(core, glow)});
  FillShape(
      l, Whole(l), [&](Vec p) { return SdRing(SdCircle(p, c, r * 0.72f), 1.f); },
      Alpha(Lighten(glow, 0.4f), 0.8f));
  if (sparkle) DrawSparkle(l, c, r * 0.95f, Alpha(core, 0.9f));
  return l;
}

// The gauges are opaque and drain from the right, so each is a full bar with its label at the left.
Layer Gauge(Fonts& f, const std::string& label, const Gradient& along, bool stripes) {
  const int w = 88, h = 12;
  Layer l(w, h);
  l.Fill(Hex(0x000000));
  Vec c{w / 2.f, h / 2.f};
  FillShape(
      l, Whole(l),
      [&](Vec p) {
        return SdRoundBox(p, c, {w / 2.f - 0.5f, h / 2.f - 0.5f}, 5);
      },
      Hex(0x10141E));
  FillShape(
      l, Whole(l),
      [&](Vec p) {
        return SdRoundBox(p, c, {w / 2.f - 1.5f, h / 2.f - 1.5f}, 4);
      },
      [&](Vec p) {
        Color base = along.At(p.x / float(w));
        float t = p.y / float(h);
        Color shaded =
            t < 0.4f ? Lighten(base, 0.45f * (1 - t / 0.4f)) : Darken(base, 0.35f * (t - 0.4f) / 0.6f);
        if (stripes && std::fmod(p.x + p.y + 40.f, 8.f) < 3.f) shaded = Lighten(shaded, 0.18f);
        return shaded;
      });
  TextFx fx;
  fx.face = Face::SansCondBold;
  fx.size = 9;
  fx.fill = Gradient(Alpha(Hex(0x10141E), 0.85f), Alpha(Hex(0x10141E), 0.85f));
  DrawText(l, f, label, 5, 9, Align::Left, fx);
  return l;
}

Gradient Spectrum() {
  return Gradient({{0, KindColor(0)},
                   {0.2f, KindColor(1)},
                   {0.4f, KindColor(2)},
                   {0.6f, KindColor(3)},
                   {0.8f, KindColor(4)},
                   {1, KindColor(5)}});
}

Layer RainbowSign() {
  Layer l(112, 56);
  Vec c{56, 55};
  for (int band = 0; band < 6; ++band) {
    float outer = 50 - float(band) * 3.6f;
    Color col = Lighten(KindColor(band), 0.15f);
    FillShape(
        l, Whole(l), [&](Vec p) { return std::max(SdRing(SdCircle(p, c, outer - 1.8f), 3.8f), p.y - 50.f); },
        col);
  }
  FillShape(
      l, Whole(l), [&](Vec p) { return std::max(SdRing(SdCircle(p, c, 50.5f), 1.f), p.y - 50.f); },
      Alpha(Hex(0xFFFFFF), 0.6f));
  // Clouds at the feet.
  for (float fx : {12.f, 100.f}) {
    auto cloud = [&](Vec p) {
      return std::min({SdCircle(p, {fx - 7, 49}, 6), SdCircle(p, {fx, 45}, 8), SdCircle(p, {fx + 7, 49}, 6),
                       SdRoundBox(p, {fx, 51}, {12, 4}, 4)});
    };
    FillShape(
        l, Whole(l), [&](Vec p) { return cloud(p) - 1.2f; }, Hex(0x506080));
    FillShape(l, Whole(l), cloud, Linear{{0, 38}, {0, 55}, Gradient(Hex(0xFFFFFF), Hex(0xC8D8F0))});
  }
  DrawSparkle(l, {30, 14}, 5, Hex(0xFFF6C0));
  DrawSparkle(l, {84, 10}, 4, Hex(0xFFFFFF));
  return l;
}

Layer PokerRim1(Fonts& f) {
  Layer l(160, 32);
  for (int i = 0; i < 5; ++i) {
    Vec c{float(i * 32) + 16, 16};
    Box b{i * 32, 0, i * 32 + 32, 32};
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRoundBox(p, c, {15.5f, 15.5f}, 5);
        },
        Hex(0x0E1220));
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRoundBox(p, c, {14.5f, 14.5f}, 4.5f);
        },
        Linear{{0, 0}, {0, 32}, Gradient(Hex(0x22304C), Hex(0x141C30))});
    FillShape(
        l, b,
        [&](Vec p) {
          return SdRing(SdRoundBox(p, c, {12.5f, 12.5f}, 3), 1.f);
        },
        Alpha(Hex(0x6A84B8), 0.6f));
    TextFx fx;
    fx.face = Face::SansBold;
    fx.size = 15;
    fx.fill = Gradient(Hex(0x5A70A0), Hex(0x40547C));
    DrawTextCentered(l, f, std::to_string(i + 1), c.x, c.y, fx);
  }
  return l;
}

Layer PokerRim2(Fonts& f) {
  Layer l(166, 34);
  Vec c{83, 17};
  FillShape(
      l, Whole(l),
      [&](Vec p) {
        return SdRoundBox(p, c, {82.5f, 16.5f}, 6);
      },
      Hex(0x1A1206));
  FillShape(
      l, Whole(l),
      [&](Vec p) {
        return SdRoundBox(p, c, {81.5f, 15.5f}, 5.5f);
      },
      Linear{{0, 0}, {0, 34}, Gradient({{0, Hex(0xFFE9A0)}, {0.5f, Hex(0xC89030)}, {1, Hex(0x7A5010)}})});
  FillShape(
      l, Whole(l),
      [&](Vec p) {
        return SdRoundBox(p, c, {79.5f, 13.5f}, 4);
      },
      Linear{{0, 0}, {0, 34}, Gradient(Hex(0x1C2036), Hex(0x262C48))});
  for (int i = 0; i < 5; ++i) {
    Vec s{float(33 * i) + 15.5f, 17};
    FillShape(
        l, Whole(l),
        [&](Vec p) {
          return SdRing(SdRoundBox(p, s, {13, 11}, 3), 1.f);
        },
        Alpha(Hex(0xC8A050), 0.35f));
  }
  TextFx fx;
  fx.face = Face::SansCondBold;
  fx.size = 11;
  fx.fill = Gradient(Alpha(Hex(0xE8C878), 0.55f), Alpha(Hex(0xE8C878), 0.55f));
  DrawTextCentered(l, f, "HAND", 83, 17, fx);
  return l;
}

Layer TitleCursor() {
  const int n = 14, s = 24;
  Layer l(n * s, s);
  for (int k = 0; k < n; ++k) {
    float t = float(k) / float(n);
    float dx = 2.5f * std::sin(t * 2 * kPi);
    float ox = float(k * s);
    Vec c{ox + 11 + dx, 12};
    std::vector<Vec> arrow{{c.x + 9, c.y}, {c.x - 6, c.y - 8}, {c.x - 3, c.y}, {c.x - 6, c.y + 8}};
    Box b{k * s, 0, k * s + s, s};
    FillShape(
        l, b, [&](Vec p) { return SdPolygon(p, arrow) - 1.8f; }, Hex(0x2A1604));
    FillShape(
        l, b, [&](Vec p) { return SdPolygon(p, arrow) - 0.3f; },
        Linear{{0, c.y - 8},
               {0, c.y + 8},
               Gradient({{0, Hex(0xFFF8C8)}, {0.5f, Hex(0xFFC830)}, {1, Hex(0xE07810)}})});
    // Upper facet catches the light.
    std::vector<Vec> facet{{c.x + 7, c.y - 0.5f}, {c.x - 5, c.y - 6.5f}, {c.x - 2.5f, c.y - 0.5f}};
    FillShape(
        l, b, [&](Vec p) { return SdPolygon(p, facet); }, Alpha(Hex(0xFFFFFF), 0.45f));
    // A glint that travels along the arrow once per loop.
    float g = std::fmod(t * 2.f, 1.f);
    if (t < 0.5f)
      DrawSparkle(l, {c.x - 5 + g * 14, c.y - 4 + g * 4}, 4.5f * std::sin(g * kPi) + 0.5f, Hex(0xFFFFFF));
  }
  return l;
}

// The console below the fields: brushed dark steel with a lit edge and an engraved emblem.
Layer Cover(Fonts& f) {
  Layer l(640, 64);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x3A4868)}, {0.08f, Hex(0x2A3552)}, {1, Hex(0x0E1424)}}));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 640; ++x) {
      float n = Noise(float(x) * 0.02f, float(y) * 1.3f, 11u) * 0.06f;
      l.Blend(x, y, Alpha(Hex(0xFFFFFF), n));
    }
  // Lit top edge and a groove under it.
  FillVertical(l, {0, 0, 640, 2}, Gradient(Hex(0xB8D0FF), Hex(0x6A88C0)));
  FillVertical(l, {0, 2, 640, 3}, Gradient(Hex(0x0A0E18), Hex(0x0A0E18)));
  FillVertical(l, {0, 60, 640, 61}, Gradient(Alpha(Hex(0x8AA0D0), 0.35f), Alpha(Hex(0x8AA0D0), 0.35f)));
  // Hex bolts along the strip.
  for (int i = 0; i < 16; ++i) {
    for (float by : {10.f, 54.f}) {
      Vec c{20.f + float(i) * 40.f, by};
      auto hex = RegularPolygon(c, 3.4f, 6, kPi / 6);
      FillShape(
          l, Around(c, 5, 5), [&](Vec p) { return SdCircle(p, c, 4.2f); }, Hex(0x0A0E18));
      FillShape(
          l, Around(c, 5, 5), [&](Vec p) { return SdPolygon(p, hex); },
          Radial{c - Vec{1, 1}, 4.5f, Gradient(Hex(0xC8D2E4), Hex(0x4A5468))});
    }
  }
  // Engraved emblem in the middle.
  TextFx shadow;
  shadow.face = Face::SansBoldOblique;
  shadow.size = 20;
  shadow.fill = Gradient(Hex(0x060A12), Hex(0x060A12));
  TextFx lit = shadow;
  lit.fill = Gradient(Hex(0x5A6C94), Hex(0x34405C));
  DrawTextCentered(l, f, "KQ001", 320, 33, shadow);
  DrawTextCentered(l, f, "KQ001", 320.5f, 34, lit);
  return l;
}

}  // namespace

void MakeHud(Pack& p) {
  Fonts& f = p.fonts();
  p.Add("DUMMY.PNG", Layer(1, 1), Key::None);
  p.Add("SIGHT.PNG", Sight(), Key::Black);
  p.Add("COVER.PNG", Cover(f), Key::None);
  p.Add("SHOOTER.PNG", Shooter(), Key::Black);
  p.Add("SHOT1.PNG", ShotOrb(16, Hex(0x30C8FF), Hex(0xF0FFFF), false), Key::White);
  p.Add("SHOT2.PNG", ShotOrb(20, Hex(0xFF5A20), Hex(0xFFF4C0), true), Key::White);
  p.Add("CHAINGAUGE.PNG",
        Gauge(f, "CHAIN", Gradient({{0, Hex(0x20C070)}, {0.6f, Hex(0x60E060)}, {1, Hex(0xE8F060)}}), false),
        Key::None);
  p.Add("POWERGAUGE.PNG",
        Gauge(f, "POWER", Gradient({{0, Hex(0xD02030)}, {0.6f, Hex(0xF06020)}, {1, Hex(0xFFC030)}}), true),
        Key::None);
  p.Add("RAINBOWGAUGE.PNG", Gauge(f, "RAINBOW", Spectrum(), false), Key::None);
  p.Add("RAINBOW.PNG", RainbowSign(), Key::Black);
  p.Add("POKER_RIM1.PNG", PokerRim1(f), Key::Black);
  p.Add("POKER_RIM2.PNG", PokerRim2(f), Key::Black);
  p.Add("TITLE_CURSOR.PNG", TitleCursor(), Key::Black);
}

}  // namespace kq::gen
