// The heroes' cut-ins: Kiri (player 1) and Quo (player 2) attacking and taking damage.
#include <string>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"

namespace kq::gen {

namespace {

constexpr int kSize = 128;

Layer CutIn(Fonts& f, int who, bool attack) {
  Layer l(kSize, kSize);
  Vec c{64, 62};
  Rng rng(uint32_t(who * 2 + (attack ? 1 : 0) + 90));
  // A spiky burst behind the hero.
  std::vector<Vec> burst;
  int spikes = attack ? 16 : 11;
  for (int i = 0; i < spikes * 2; ++i) {
    float a = float(i) * kPi / float(spikes) + 0.1f;
    float r = (i % 2) ? rng.Range(36, 44) : rng.Range(56, 62);
    burst.push_back({c.x + std::cos(a) * r, c.y + std::sin(a) * r});
  }
  Color hot = attack ? (who == 0 ? Hex(0xFFD040) : Hex(0x60E8FF)) : Hex(0xC8B8E0);
  Color deep = attack ? (who == 0 ? Hex(0xF04018) : Hex(0x2050E0)) : Hex(0x4A3A70);
  FillShape(
      l, BoundsOf(burst, 5), [&](Vec p) { return SdPolygon(p, burst) - 2.5f; }, Hex(0x100818));
  FillShape(
      l, BoundsOf(burst), [&](Vec p) { return SdPolygon(p, burst); },
      Radial{c, 62, Gradient({{0, Lighten(hot, 0.6f)}, {0.5f, hot}, {1, deep}})});
  // Speed lines for an attack, shake marks for a hit.
  for (int i = 0; i < 10; ++i) {
    float a = rng.Range(0, 2 * kPi);
    float r0 = rng.Range(30, 40), r1 = r0 + rng.Range(10, 18);
    Vec a0{c.x + std::cos(a) * r0, c.y + std::sin(a) * r0},
        a1{c.x + std::cos(a) * r1, c.y + std::sin(a) * r1};
    FillShape(
        l, Whole(l), [&](Vec p) { return SdSegment(p, a0, a1, 1.2f); }, Alpha(Hex(0xFFFFFF), 0.7f));
  }
  DrawHero(l, who, attack ? Vec{64, 62} : Vec{66, 64}, attack ? 28 : 26,
           attack ? Mood::Attack : Mood::Damage);
  if (!attack) {
    for (int side = -1; side <= 1; side += 2) {
      float sx = float(side);
      for (int k = 0; k < 3; ++k) {
        Vec a0{64 + sx * (38 + float(k) * 5), 44 + float(k) * 9},
            a1{64 + sx * (44 + float(k) * 5), 40 + float(k) * 9};
        FillShape(
            l, Whole(l), [&](Vec p) { return SdSegment(p, a0, a1, 1.4f); }, Hex(0x1A1030));
      }
    }
  }
  TextFx fx = attack ? HeadingFx(22, Hex(0xFFFFFF), who == 0 ? Hex(0xFFD040) : Hex(0x80E0FF), Hex(0x140814))
                     : HeadingFx(20, Hex(0xFFFFFF), Hex(0xB8A8E0), Hex(0x140814));
  fx.face = Face::SansBoldOblique;
  fx.outlineWidth = 2.2f;
  std::string word = attack ? "ATTACK!" : "OUCH!";
  DrawTextCentered(l, f, word, 64, 112, FitWidth(f, word, fx, 120));
  return l;
}

}  // namespace

void MakeCharacters(Pack& p) {
  p.Add("ATTACK1P.PNG", CutIn(p.fonts(), 0, true), Key::Black);
  p.Add("ATTACK2P.PNG", CutIn(p.fonts(), 1, true), Key::Black);
  p.Add("DAMAGE1P.PNG", CutIn(p.fonts(), 0, false), Key::Black);
  p.Add("DAMAGE2P.PNG", CutIn(p.fonts(), 1, false), Key::Black);
}

}  // namespace kq::gen
