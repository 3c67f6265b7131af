// The ending: five pages telling how the tower fell.
#include <string>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"
#include "gen_pictures/scenes.h"

namespace kq::gen {

namespace {

constexpr int kW = 640, kH = 480;

void Caption(Layer& l, Fonts& f, const std::string& text, int page) {
  DrawPanel(l, {40, 372, 600, 460}, 12, Hex(0x0C0C24, 0.8f), Hex(0xFFE0A0, 0.7f));
  TextFx fx;
  fx.face = Face::SerifItalic;
  fx.size = 17;
  fx.fill = Gradient(Hex(0xFFFFFF), Hex(0xF0E8D8));
  fx.shadow = Alpha(Hex(0x000000), 0.7f);
  fx.shadowDy = 1;
  auto lines = WrapText(f, text, fx.face, fx.size, 520);
  float y = 416 - float(lines.size() - 1) * 11 + 6;
  for (const std::string& line : lines) {
    DrawText(l, f, line, 320, y, Align::Center, fx);
    y += 22;
  }
  TextFx num;
  num.face = Face::SerifItalic;
  num.size = 11;
  num.fill = Gradient(Hex(0xD8C8A0), Hex(0xD8C8A0));
  DrawText(l, f, std::to_string(page) + " / 5", 588, 454, Align::Right, num);
}

Layer Page1(Fonts& f) {
  Layer l(kW, kH);
  DrawTowerScene(l, f, 1.f);
  Caption(l, f, "One last shot, and the Prism Tower bursts apart in a shower of light.", 1);
  return l;
}

Layer Page2(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x3A7AD0)}, {0.55f, Hex(0x9AD0F0)}, {0.7f, Hex(0xF0F0E0)}}));
  DrawGlow(l, {520, 80}, 120, Alpha(Hex(0xFFF8D0), 0.8f));
  FillShape(
      l, Around({520, 80}, 26, 26),
      [&](Vec p) {
        return SdCircle(p, {520, 80}, 26);
      },
      Hex(0xFFFCE8));
  DrawRainbowArc(l, {300, 380}, 300, 12, 0.7f);
  Rng rng(202);
  for (int i = 0; i < 6; ++i) {
    Vec c{rng.Range(0, 640), rng.Range(40, 180)};
    float s = rng.Range(14, 24);
    FillShape(
        l, Around(c, s * 2.6f, s * 1.6f),
        [&](Vec p) {
          return std::min({SdEllipse(p, c, s * 2.4f, s * 0.6f),
                           SdCircle(p, c + Vec{-s * 0.6f, -s * 0.3f}, s * 0.75f),
                           SdCircle(p, c + Vec{s * 0.5f, -s * 0.45f}, s * 0.9f)});
        },
        Alpha(Hex(0xFFFFFF), 0.85f), 2);
  }
  DrawHills(l, 330, 50, 0.006f, 31u, Gradient(Hex(0x6AB86A), Hex(0x2A6A3A)), 280, 480);
  DrawHills(l, 380, 40, 0.01f, 32u, Gradient(Hex(0x4AA04A), Hex(0x1A4A2A)), 330, 480);
  // Flowers in every block colour.
  for (int i = 0; i < 60; ++i) {
    Vec c{rng.Range(0, 640), rng.Range(350, 470)};
    Color col = Lighten(KindColor(rng.Int(6)), 0.2f);
    for (int k = 0; k < 5; ++k) {
      Vec pc = c + Rotate({2.2f, 0}, float(k) * 2 * kPi / 5);
      FillShape(
          l, Around(pc, 3, 3), [&](Vec p) { return SdCircle(p, pc, 1.6f); }, col);
    }
    FillShape(
        l, Around(c, 2, 2), [&](Vec p) { return SdCircle(p, c, 1.1f); }, Hex(0xFFF0A0));
  }
  Caption(l, f, "Set free, the colours flow back into the land, and a great rainbow spans the valley.", 2);
  return l;
}

Layer Page3(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0xF8C070)}, {0.5f, Hex(0xF08A6A)}, {1, Hex(0xA04A6A)}}));
  // Sun rays behind the heroes.
  for (int i = 0; i < 16; ++i) {
    float a0 = float(i) * 2 * kPi / 16, a1 = a0 + kPi / 32;
    Vec c{320, 230};
    std::vector<Vec> ray{c, c + Vec{std::cos(a0) * 700, std::sin(a0) * 700},
                         c + Vec{std::cos(a1) * 700, std::sin(a1) * 700}};
    FillShape(
        l, BoundsOf(ray), [&](Vec p) { return SdPolygon(p, ray); }, Alpha(Hex(0xFFF4D0), 0.18f), 2);
  }
  DrawHills(l, 350, 20, 0.01f, 41u, Gradient(Hex(0x6A3A5A), Hex(0x3A1A3A)), 320, 480);
  DrawHero(l, 0, {230, 250}, 70, Mood::Cheer);
  DrawHero(l, 1, {410, 250}, 70, Mood::Cheer);
  Rng rng(303);
  DrawConfetti(l, rng, 160, {0, 0, kW, 370});
  Caption(l, f,
          "Kiri and Quo cheer until their voices give out. The shooters are cool now; their hearts are still "
          "racing.",
          3);
  return l;
}

Layer Page4(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x04061C)}, {0.7f, Hex(0x1A1A50)}, {1, Hex(0x3A2A60)}}));
  Rng rng(404);
  DrawStars(l, rng, 120, {0, 0, kW, 300}, 2.f);
  for (int i = 0; i < 6; ++i)
    DrawFirework(l, {rng.Range(80, 560), rng.Range(60, 220)}, rng.Range(50, 80), Lighten(KindColor(i), 0.2f),
                 uint32_t(i + 1));
  // The town below, every window lit.
  float x = 0;
  while (x < float(kW)) {
    float bw = rng.Range(30, 60), bh = rng.Range(60, 140);
    float top = 390 - bh;
    FillVertical(l, {int(x), int(top), int(x + bw), 400}, Gradient(Hex(0x141634), Hex(0x0C0C20)));
    std::vector<Vec> roof{{x - 3, top}, {x + bw / 2, top - bw * 0.4f}, {x + bw + 3, top}};
    FillShape(
        l, BoundsOf(roof), [&](Vec p) { return SdPolygon(p, roof); }, Hex(0x1A1C40));
    for (float wy = top + 10; wy < 385; wy += 14)
      for (float wx = x + 6; wx < x + bw - 8; wx += 12)
        if (rng.Uniform() < 0.7f)
          FillVertical(l, {int(wx), int(wy), int(wx) + 5, int(wy) + 7},
                       Gradient(Hex(0xFFE890), Hex(0xF0A040)));
    x += bw + rng.Range(0, 6);
  }
  FillVertical(l, {0, 398, kW, kH}, Gradient(Hex(0x101028), Hex(0x080814)));
  Caption(l, f, "That night the whole valley celebrates, and the sky fills with fireworks of every colour.",
          4);
  return l;
}

Layer Page5(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x0A0A2A)}, {0.6f, Hex(0x2A1A5A)}, {1, Hex(0x5A2A6A)}}));
  Rng rng(505);
  DrawStars(l, rng, 150, Whole(l), 2.4f);
  DrawRainbowArc(l, {320, 300}, 230, 9, 0.35f);
  TextFx end = HeadingFx(64, Hex(0xFFFBE0), Hex(0xF0A030), Hex(0x1A0A10));
  end.face = Face::SerifBold;
  end.glow = Alpha(Hex(0xFFA040), 0.5f);
  end.glowRadius = 10;
  DrawTextCentered(l, f, "THE END", 320, 150, end);
  TextFx thanks;
  thanks.face = Face::SerifItalic;
  thanks.size = 22;
  thanks.fill = Gradient(Hex(0xFFFFFF), Hex(0xE0D8FF));
  thanks.shadow = Alpha(Hex(0x000000), 0.6f);
  thanks.shadowDy = 1;
  DrawTextCentered(l, f, "Thank you for playing KQ001", 320, 215, thanks);
  for (int k = 0; k < 6; ++k) DrawBlock(l, f, k, k % 2 == 1, 218 + float(k) * 34, 250, 32);
  DrawHero(l, 0, {150, 330}, 40, Mood::Happy);
  DrawHero(l, 1, {490, 330}, 40, Mood::Happy);
  TextFx credit = thanks;
  credit.face = Face::Sans;
  credit.size = 12;
  DrawTextCentered(l, f, "Pictures, sounds and music made from code by the KQ001 team", 320, 420, credit);
  DrawTextCentered(l, f, "Press RETURN to see the ranking", 320, 444, credit);
  return l;
}

}  // namespace

void MakeEndings(Pack& p) {
  Fonts& f = p.fonts();
  p.Add("ENDING01.PNG", Page1(f), Key::None);
  p.Add("ENDING02.PNG", Page2(f), Key::None);
  p.Add("ENDING03.PNG", Page3(f), Key::None);
  p.Add("ENDING04.PNG", Page4(f), Key::None);
  p.Add("ENDING05.PNG", Page5(f), Key::None);
}

}  // namespace kq::gen
