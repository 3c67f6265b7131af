// Full-screen pictures: the title, the opening story, the how-to-play page and the ranking hall.
#include <string>
#include <vector>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"
#include "gen_pictures/scenes.h"

namespace kq::gen {

namespace {

constexpr int kW = 640, kH = 480;
const Color kInk = Hex(0x0C0A18);

TextFx Body(int size, Color c = Hex(0xE8ECF8)) {
  TextFx fx;
  fx.face = Face::SansCond;
  fx.size = size;
  fx.fill = Gradient(c, c);
  fx.shadow = Alpha(Hex(0x000000), 0.6f);
  fx.shadowDy = 1;
  return fx;
}

TextFx BodyBold(int size, Color c) {
  TextFx fx = Body(size, c);
  fx.face = Face::SansCondBold;
  return fx;
}

// Paragraph in a column; returns the y under the last line.
float Paragraph(Layer& l, Fonts& f, const std::string& text, float x, float y, int width, const TextFx& fx,
                float lineGap) {
  for (const std::string& line : WrapText(f, text, fx.face, fx.size, width)) {
    DrawText(l, f, line, x, y, Align::Left, fx);
    y += lineGap;
  }
  return y;
}

void Heading(Layer& l, Fonts& f, const std::string& text, float x, float y, Color accent) {
  TextFx fx = HeadingFx(17, Hex(0xFFFFFF), Lighten(accent, 0.2f), kInk);
  fx.face = Face::SansCondBold;
  int w = DrawText(l, f, text, x, y, Align::Left, fx);
  FillVertical(l, {int(x), int(y) + 4, int(x) + w + 40, int(y) + 6},
               Gradient(Alpha(accent, 0.9f), Alpha(accent, 0.9f)));
  FillShape(
      l, {int(x) + w, int(y) + 2, int(x) + w + 60, int(y) + 8},
      [&](Vec p) {
        return SdRoundBox(p, {x + float(w) + 20, y + 5}, {20, 1}, 1);
      },
      Linear{{x + float(w), 0}, {x + float(w) + 40, 0}, Gradient(accent, Alpha(accent, 0))});
}

Layer Title(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l),
               Gradient({{0, Hex(0x070822)},
                         {0.35f, Hex(0x1C1650)},
                         {0.62f, Hex(0x5A2A78)},
                         {0.78f, Hex(0xC85A78)},
                         {0.86f, Hex(0xF0A078)}}));
  Rng rng(1);
  DrawStars(l, rng, 160, {0, 0, kW, 300}, 2.6f);
  DrawGlow(l, {320, 420}, 260, Alpha(Hex(0xFFB070), 0.35f));
  // Distant rainbow behind everything.
  for (int band = 0; band < 6; ++band) {
    float r = 330 - float(band) * 9;
    FillShape(
        l, Box{int(320 - r - 8), int(470 - r - 8), int(320 + r + 8), 432},
        [&](Vec p) {
          return std::max(SdRing(SdCircle(p, {320, 470}, r), 9.5f), p.y - 430.f);
        },
        Alpha(KindColor(band), 0.22f), 3);
  }
  // Hills.
  DrawHills(l, 400, 40, 0.008f, 5u, Gradient(Hex(0x3A2A5A), Hex(0x1A1030)), 360, 480);
  DrawHills(l, 440, 30, 0.012f, 6u, Gradient(Hex(0x241A40), Hex(0x0E0A1C)), 400, 480);
  // The Prism Tower far away, and towers of blocks rising at both sides.
  DrawGlow(l, {320, 300}, 120, Alpha(Hex(0xE070FF), 0.35f));
  DrawSpire(l, 320, 410, 236, 46);
  DrawBlockTower(l, f, 150, 452, 2, 4, 30, 13u, 0.55f);
  DrawBlockTower(l, f, 430, 452, 2, 3, 30, 14u, 0.55f);
  DrawBlockTower(l, f, 6, 480, 3, 6, 36, 11u, 0.22f);
  DrawBlockTower(l, f, 526, 480, 3, 5, 36, 12u, 0.22f);
  DrawHills(l, 470, 10, 0.02f, 7u, Gradient(Hex(0x1A1230), Hex(0x0A0814)), 450, 480);
  // The heroes in front of their towers.
  DrawHero(l, 0, {118, 426}, 34, Mood::Happy);
  DrawHero(l, 1, {522, 426}, 34, Mood::Happy);
  // Logo.
  DrawLogo(l, f, 320, 130, 1.f);
  TextFx sub = HeadingFx(20, Hex(0xFFFFFF), Hex(0xB8D8FF), kInk);
  sub.face = Face::SansCondBold;
  DrawTextCentered(l, f, "C O L O U R   B L O C K   S H O O T E R", 320, 212, sub);
  // Glass panel for the menu (its rows are drawn as sprites at x 210..430, y 367..477).
  DrawPanel(l, {168, 362, 472, 478}, 12, Hex(0x0C0C28, 0.72f), Hex(0xB8C8FF, 0.7f));
  return l;
}

Layer Opening(Fonts& f) {
  Layer l(kW, kH);
  DrawTowerScene(l, f, 0.f);
  DrawPanel(l, {24, 300, 616, 418}, 12, Hex(0x0C0C24, 0.82f), Hex(0xC8B8FF, 0.75f));
  TextFx story;
  story.face = Face::SerifItalic;
  story.size = 16;
  story.fill = Gradient(Hex(0xFFFFFF), Hex(0xE8E0FF));
  story.shadow = Alpha(Hex(0x000000), 0.7f);
  story.shadowDy = 1;
  float y =
      Paragraph(l, f,
                "The Prism Tower is rising! Row after row of coloured blocks pushes up out of the earth, and "
                "it will not stop until it touches the sky.",
                44, 328, 552, story, 21);
  Paragraph(l, f,
            "Kiri and Quo take up their block shooters. Match the colours, break the rows, chain your combos "
            "and bring the tower down!",
            44, y + 8, 552, story, 21);
  TextFx head = HeadingFx(26, Hex(0xFFFBE0), Hex(0xF0B040), kInk);
  head.face = Face::SerifBold;
  DrawTextCentered(l, f, "PROLOGUE", 320, 34, head);
  return l;
}

void ControlRow(Layer& l, Fonts& f, float y, const std::string& action, const std::vector<std::string>& p1,
                const std::vector<std::string>& p2) {
  DrawText(l, f, action, 28, y + 5, Align::Left, Body(13));
  auto caps = [&](const std::vector<std::string>& keys, float x0) {
    float x = x0;
    for (const std::string& k : keys) {
      int dir = k == "UP" ? 0 : k == "DOWN" ? 1 : k == "LEFT" ? 2 : k == "RIGHT" ? 3 : -1;
      if (dir >= 0)
        DrawArrowCap(l, x, y, 19, dir);
      else
        DrawKeyCap(l, f, k, x, y, 19, 19);
      x += 22;
    }
  };
  caps(p1, 146);
  caps(p2, 238);
}

Layer Rule(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x0A0C26)}, {0.5f, Hex(0x141440)}, {1, Hex(0x200E36)}}));
  Rng rng(4);
  DrawStars(l, rng, 60, Whole(l), 1.8f, Hex(0xC0D0FF));
  TextFx title = HeadingFx(30, Hex(0xFFFBE0), Hex(0xF0B030), kInk);
  title.glow = Alpha(Hex(0xF0A020), 0.35f);
  title.glowRadius = 6;
  DrawTextCentered(l, f, "HOW TO PLAY", 320, 24, title);

  const Color cyan = Hex(0x50C8FF), gold = Hex(0xF0B030), pink = Hex(0xF060A0), green = Hex(0x50E090);
  const Color panel = Hex(0x10122E, 0.88f);
  const TextFx body = Body(12);
  // Controls, as the default key assignment has them.
  DrawPanel(l, {12, 46, 318, 246}, 10, panel, Alpha(cyan, 0.8f));
  Heading(l, f, "CONTROLS", 24, 68, cyan);
  DrawText(l, f, "1P", 179, 88, Align::Center, BodyBold(13, Hex(0xFF9070)));
  DrawText(l, f, "2P", 271, 88, Align::Center, BodyBold(13, Hex(0x80B8FF)));
  ControlRow(l, f, 106, "Move the sight", {"UP", "DOWN", "LEFT", "RIGHT"}, {"8", "2", "4", "6"});
  ControlRow(l, f, 130, "Colour down", {"Z"}, {"J"});
  ControlRow(l, f, 154, "Erase", {"X"}, {"K"});
  ControlRow(l, f, 178, "Colour up", {"C"}, {"L"});
  ControlRow(l, f, 202, "Raise a line now", {"A"}, {"U"});
  DrawText(l, f, "2P aims with the numeric pad.    RETURN: OK    ESC: back", 24, 234, Align::Left,
           Body(11, Hex(0xB8C0E0)));

  // Shots.
  DrawPanel(l, {322, 46, 628, 246}, 10, panel, Alpha(gold, 0.8f));
  Heading(l, f, "SHOTS", 334, 68, gold);
  for (int k = 0; k < 6; ++k) DrawBlock(l, f, k, false, 338 + float(k) * 34, 80, 26);
  for (int k = 0; k < 5; ++k) {
    float x = 338 + float(k) * 34 + 28;
    std::vector<Vec> arrow{{x, 90}, {x + 5, 93}, {x, 96}};
    FillShape(
        l, BoundsOf(arrow), [&](Vec p) { return SdPolygon(p, arrow); }, Hex(0xFFFFFF));
  }
  float y = Paragraph(l, f,
                      "Colour shots (Z, C) turn the aimed block one colour down or up this rainbow; the ends "
                      "wrap round.",
                      334, 124, 284, body, 15);
  DrawBlock(l, f, 4, true, 334, y - 6, 24);
  y = Paragraph(l, f, "Armoured blocks ignore colour shots.", 366, y + 10, 250, body, 15);
  Paragraph(l, f,
            "The erase shot (X) breaks the aimed block with every block of its colour joined to it, when "
            "they are 4 or more. Blocks above fall into the gaps.",
            334, y + 10, 284, body, 15);

  // Chains, combos and rainbow mode.
  DrawPanel(l, {12, 252, 318, 470}, 10, panel, Alpha(green, 0.8f));
  Heading(l, f, "CHAINS & COMBOS", 24, 274, green);
  y = Paragraph(l, f,
                "Blocks that fall into new groups break again: a chain. Each break refills the CHAIN gauge; "
                "break again before it runs dry and your COMBO and score keep growing.",
                24, 294, 284, body, 15);
  Heading(l, f, "RAINBOW MODE  (1P)", 24, y + 14, pink);
  y = Paragraph(l, f,
                "Breaking fills the RAINBOW gauge. When it is full, for a while groups of 2 break, no lines "
                "rise, and clearing the whole field pays 10000.",
                24, y + 34, 284, body, 15);
  Paragraph(l, f, "Every group also deals a card: five cards make a poker hand.", 24, y + 4, 284,
            Body(12, Hex(0xFFE8A0)), 15);

  // Versus.
  DrawPanel(l, {322, 252, 628, 470}, 10, panel, Alpha(pink, 0.8f));
  Heading(l, f, "VERSUS ATTACKS", 334, 274, pink);
  DrawBlock(l, f, kHazardKind, true, 334, 286, 26);
  y = Paragraph(l, f,
                "Chains of 3 or more and repeated erasing shots in one combo load HAZARD blocks. When your "
                "combo ends they drop on your rival and later harden into armoured blocks.",
                366, 298, 252, body, 15);
  y = Paragraph(l, f, "Loading while your rival holds a stock cancels it and strikes back harder.", 334,
                y + 4, 284, body, 15);
  y = Paragraph(l, f, "A full POWER gauge trims three rows off your rival's field for a while.", 334, y + 4,
                284, body, 15);
  Paragraph(l, f, "You lose when a line has to rise while a block sits in the top row.", 334, y + 4, 284,
            Body(12, Hex(0xFFB0B0)), 15);
  return l;
}

Layer Hall(Fonts& f) {
  Layer l(kW, kH);
  FillVertical(l, Whole(l), Gradient({{0, Hex(0x04061A)}, {0.6f, Hex(0x141A48)}, {1, Hex(0x2A1A48)}}));
  Rng rng(9);
  DrawStars(l, rng, 140, Whole(l), 2.4f);
  // Aurora curtains.
  for (int band = 0; band < 3; ++band) {
    Color c = band == 0 ? Hex(0x40F0A0) : band == 1 ? Hex(0x60A0FF) : Hex(0xC060F0);
    for (int x = 0; x < kW; ++x) {
      float base = 120 + float(band) * 40 + std::sin(float(x) * 0.012f + float(band)) * 30 +
                   Fbm(float(x) * 0.01f, 0, uint32_t(band), 3) * 40;
      for (int y = int(base) - 90; y < int(base) + 10; ++y) {
        if (y < 0) continue;
        float t = (base - float(y)) / 90.f;
        float a = (t < 0 ? std::clamp(1 + t * 10, 0.f, 1.f) : (1 - t)) * 0.22f;
        l.Blend(x, y, c, a);
      }
    }
  }
  // A crystal trophy on a stage.
  DrawHills(l, 430, 12, 0.01f, 19u, Gradient(Hex(0x1A1A3A), Hex(0x0A0A1A)), 410, 480);
  DrawTrophy(l, 320, 300, 1.f);
  DrawHero(l, 0, {200, 400}, 34, Mood::Cheer);
  DrawHero(l, 1, {440, 400}, 34, Mood::Cheer);
  DrawConfetti(l, rng, 80, {0, 0, kW, 380});
  (void)f;
  return l;
}

}  // namespace

void MakeScreens(Pack& p) {
  Fonts& f = p.fonts();
  p.Add("TITLE.PNG", Title(f), Key::None);
  p.Add("OPENING.PNG", Opening(f), Key::None);
  p.Add("RULE.PNG", Rule(f), Key::None);
  p.Add("ZANTHIE.PNG", Hall(f), Key::None);
}

}  // namespace kq::gen
