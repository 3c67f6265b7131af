// Caption pictures: menu rows, HUD labels, message boards rising over the fields, the retry
// prompt and the ranking headings.
#include <string>
#include <vector>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"

namespace kq::gen {

namespace {

const Color kInk = Hex(0x0C0A18);

TextFx Gold(int size) {
  return HeadingFx(size, Hex(0xFFFBE0), Hex(0xF0A020), Hex(0x3A1C04));
}
TextFx Ice(int size) {
  return HeadingFx(size, Hex(0xFFFFFF), Hex(0x78C0FF), Hex(0x0A1A3C));
}
TextFx Ember(int size) {
  TextFx fx = HeadingFx(size, Hex(0xFFF0A0), Hex(0xF03818), Hex(0x2A0604));
  return fx;
}

Gradient Spectrum() {
  return Gradient({{0, Lighten(KindColor(0), 0.2f)},
                   {0.2f, Lighten(KindColor(1), 0.2f)},
                   {0.4f, Lighten(KindColor(2), 0.2f)},
                   {0.6f, Lighten(KindColor(3), 0.2f)},
                   {0.8f, Lighten(KindColor(4), 0.25f)},
                   {1, Lighten(KindColor(5), 0.25f)}});
}

// A message board: an optional plate with a headline and an optional second line.
Layer Board(Fonts& f, int w, int h, const std::string& head, TextFx headFx, const std::string& sub,
            TextFx subFx, bool plate, Color rim) {
  Layer l(w, h);
  if (plate) DrawPanel(l, {3, 3, w - 4, h - 5}, 10, Hex(0x141830, 0.96f), rim);
  headFx = FitWidth(f, head, headFx, w - 16);
  if (sub.empty()) {
    DrawTextCentered(l, f, head, float(w) / 2.f, float(h) / 2.f - 1, headFx);
  } else {
    subFx = FitWidth(f, sub, subFx, w - 20);
    DrawTextCentered(l, f, head, float(w) / 2.f, float(h) * 0.4f, headFx);
    DrawTextCentered(l, f, sub, float(w) / 2.f, float(h) * 0.76f, subFx);
  }
  return l;
}

TextFx Small(Color c) {
  TextFx fx;
  fx.face = Face::SansCondBold;
  fx.size = 13;
  fx.fill = Gradient(Hex(0xFFFFFF), c);
  fx.outline = kInk;
  fx.outlineWidth = 1.2f;
  return fx;
}

Layer Rows(Fonts& f, int w, int rowH, const std::vector<std::string>& rows, const TextFx& fx, bool centred) {
  Layer l(w, rowH * int(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    TextFx fit = FitWidth(f, rows[i], fx, w - 12);
    float cy = float(i) * float(rowH) + float(rowH) / 2;
    if (centred) {
      DrawTextCentered(l, f, rows[i], float(w) / 2.f, cy, fit);
    } else {
      // Left-aligned rows line up behind the title cursor; the baseline sits a little under the middle.
      DrawText(l, f, rows[i], 8, cy + float(fit.size) * 0.36f, Align::Left, fit);
    }
  }
  return l;
}

Layer Button(Fonts& f, const std::string& label, Color rim) {
  Layer l(84, 38);
  DrawPanel(l, {3, 3, 80, 33}, 9, Hex(0x1A2040, 0.97f), rim);
  DrawTextCentered(l, f, label, 41.5f, 17.5f, Gold(20));
  return l;
}

Layer RankOrder(Fonts& f) {
  const char* kSuffix[] = {"ST", "ND", "RD", "TH"};
  Color tops[] = {Hex(0xFFF8C0), Hex(0xFFFFFF), Hex(0xFFE0C8), Hex(0xE0F0FF)};
  Color bottoms[] = {Hex(0xF0B020), Hex(0x9AA8C0), Hex(0xC87838), Hex(0x6A9ADA)};
  Layer l(176, 26);
  for (int i = 0; i < 4; ++i) {
    TextFx fx = HeadingFx(17, tops[i], bottoms[i], kInk);
    Layer cell(44, 26);
    DrawText(cell, f, kSuffix[i], 2, 21, Align::Left, fx);
    l.Draw(cell, i * 44, 0);
  }
  return l;
}

Layer ScoreNames(Fonts& f) {
  // Columns drawn at x 150: score digits span 100..308, level 330..396, combo 420..508.
  Layer l(380, 30);
  TextFx fx = Ice(17);
  fx.face = Face::SansCondBold;
  DrawTextCentered(l, f, "SCORE", 204 - 150, 15, fx);
  DrawTextCentered(l, f, "LEVEL", 363 - 150, 15, fx);
  DrawTextCentered(l, f, "COMBO", 464 - 150, 15, fx);
  return l;
}

Layer PlayerLabel(Fonts& f, int player) {
  Layer l(64, 18);
  TextFx big = player == 0 ? HeadingFx(16, Hex(0xFFE0C8), Hex(0xF05A30), kInk)
                           : HeadingFx(16, Hex(0xE0F0FF), Hex(0x3A88F0), kInk);
  big.shadow = {0, 0, 0, 0};
  int w = DrawText(l, f, player == 0 ? "1P" : "2P", 2, 15, Align::Left, big);
  TextFx small = Small(Hex(0xA8B8D8));
  small.size = 10;
  DrawText(l, f, "SCORE", 2 + float(w) + 4, 15, Align::Left, small);
  return l;
}

}  // namespace

void MakeBoards(Pack& p) {
  Fonts& f = p.fonts();

  TextFx combo = Ember(20);
  combo.face = Face::SansBoldOblique;
  Layer comboL(80, 24);
  DrawTextCentered(comboL, f, "COMBO", 40, 12, FitWidth(f, "COMBO", combo, 74));
  p.Add("STR_COMBO.PNG", comboL, Key::Black);

  p.Add("STR_1P.PNG", PlayerLabel(f, 0), Key::Black);
  p.Add("STR_2P.PNG", PlayerLabel(f, 1), Key::Black);

  TextFx menu = HeadingFx(17, Hex(0xFFFFFF), Hex(0xFFD060), kInk);
  menu.outlineWidth = 1.6f;
  p.Add("STR_TITLE.PNG",
        Rows(f, 220, 22, {"1P GAME", "VS GAME", "HOW TO PLAY", "RANKING", "OPTIONS"}, menu, false),
        Key::Black);

  Layer level(30, 24);
  TextFx lv = HeadingFx(16, Hex(0xE8FFF0), Hex(0x40D090), kInk);
  lv.face = Face::SansBoldOblique;
  lv.shadow = {0, 0, 0, 0};
  DrawTextCentered(level, f, "LV", 15, 12, FitWidth(f, "LV", lv, 28));
  p.Add("STR_LEVEL.PNG", level, Key::Black);

  TextFx hand = Gold(17);
  hand.face = Face::SansCondBold;
  p.Add("STR_POKER.PNG",
        Rows(f, 166, 26,
             {"ONE PAIR", "TWO PAIRS", "THREE OF A KIND", "FULL HOUSE", "FOUR OF A KIND", "FIVE OF A KIND",
              "STRAIGHT"},
             hand, true),
        Key::Black);

  TextFx rainbow = HeadingFx(30, Hex(0xFFFFFF), Hex(0xFFFFFF), kInk);
  rainbow.fill = Spectrum();
  rainbow.fillAcross = true;
  rainbow.outlineWidth = 2.2f;
  p.Add("STR_RAINBOW.PNG",
        Board(f, 216, 64, "RAINBOW", rainbow, "MODE START!", Small(Hex(0xFFE8A0)), true, Hex(0xFFFFFF, 0.8f)),
        Key::Black);
  p.Add("STR_FINISH.PNG", Board(f, 200, 56, "FINISH!", Ice(30), "", {}, true, Hex(0x9AC8FF, 0.8f)),
        Key::Black);
  p.Add("STR_BONUS.PNG",
        Board(f, 220, 64, "ALL CLEAR!", Gold(28), "BONUS +10000", Small(Hex(0xFFE070)), true,
              Hex(0xFFD060, 0.85f)),
        Key::Black);
  p.Add("STR_EXLV.PNG",
        Board(f, 216, 64, "EX LEVEL!", HeadingFx(30, Hex(0xFFE8FF), Hex(0xE040C0), kInk), "EXTRA CHALLENGE",
              Small(Hex(0xF0B0FF)), true, Hex(0xF080E0, 0.85f)),
        Key::Black);
  p.Add("STR_ENDING.PNG",
        Board(f, 216, 64, "CONGRATULATIONS!", Gold(24), "THE TOWER HAS FALLEN", Small(Hex(0xB0E0FF)), true,
              Hex(0xFFE090, 0.85f)),
        Key::Black);

  TextFx win = Gold(40);
  win.glow = Alpha(Hex(0xFFB020), 0.6f);
  win.glowRadius = 5;
  p.Add("STR_WIN.PNG", Board(f, 220, 64, "YOU WIN!", win, "", {}, false, {}), Key::Black);
  TextFx lose = HeadingFx(38, Hex(0xE0E8FF), Hex(0x5A70B0), kInk);
  lose.glow = Alpha(Hex(0x3050A0), 0.6f);
  lose.glowRadius = 5;
  p.Add("STR_LOSE.PNG", Board(f, 220, 64, "YOU LOSE", lose, "", {}, false, {}), Key::Black);
  TextFx over = Ember(36);
  over.glow = Alpha(Hex(0xF03010), 0.55f);
  over.glowRadius = 5;
  p.Add("STR_GAMEOVER.PNG", Board(f, 208, 64, "GAME OVER", over, "", {}, false, {}), Key::Black);

  p.Add("STR_RETRY.PNG", Board(f, 260, 44, "PLAY AGAIN?", Ice(26), "", {}, true, Hex(0x9AC8FF, 0.8f)),
        Key::Black);
  p.Add("STR_YES.PNG", Button(f, "YES", Hex(0xFFD060, 0.9f)), Key::Black);
  p.Add("STR_NO.PNG", Button(f, "NO", Hex(0xFFD060, 0.9f)), Key::Black);

  TextFx push = Ice(18);
  push.glow = Alpha(Hex(0x3080FF), 0.6f);
  push.glowRadius = 4;
  Layer pushL(180, 30);
  DrawTextCentered(pushL, f, "PRESS ENTER", 90, 15, FitWidth(f, "PRESS ENTER", push, 170));
  p.Add("STR_PUSHKEY.PNG", pushL, Key::Black);

  p.Add("STR_RANKORDER.PNG", RankOrder(f), Key::Black);
  TextFx hi = Gold(44);
  hi.glow = Alpha(Hex(0xFFA020), 0.5f);
  hi.glowRadius = 6;
  Layer hiL(400, 60);
  DrawTextCentered(hiL, f, "HIGH SCORES", 200, 30, FitWidth(f, "HIGH SCORES", hi, 390));
  p.Add("STR_HISCORE.PNG", hiL, Key::Black);
  p.Add("STR_SCORENAME.PNG", ScoreNames(f), Key::Black);
}

}  // namespace kq::gen
