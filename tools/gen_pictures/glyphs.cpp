// Glyph sheets: the two 8 x 8 character fonts of the text writer and the digit strips of the HUD.
#include <string>
#include <utility>
#include <vector>

#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"

namespace kq::gen {

namespace {

constexpr int kGlyphW = 10, kGlyphH = 16;

// Which character each pattern of the two sheets shows (the writer's lookup tables); V and v
// take free patterns 50 and 54.
const std::vector<std::pair<char, int>>& Font1Map() {
  static const std::vector<std::pair<char, int>> m = {
      {'0', 6},  {'1', 14}, {'2', 22}, {'3', 30}, {'4', 38}, {'5', 46}, {'6', 54}, {'7', 62}, {'8', 7},
      {'9', 15}, {'!', 12}, {'"', 20}, {'#', 28}, {'%', 44}, {'&', 52}, {'(', 5},  {')', 13}, {'+', 29},
      {',', 37}, {'-', 45}, {'.', 53}, {'/', 61}, {':', 23}, {';', 31}, {'<', 39}, {'=', 47}, {'>', 55},
  };
  return m;
}

const std::vector<std::pair<char, int>>& Font2Map() {
  static const std::vector<std::pair<char, int>> m = {
      {'A', 8},  {'B', 16}, {'C', 24}, {'D', 32}, {'E', 40}, {'F', 48}, {'G', 56}, {'H', 1},  {'I', 9},
      {'J', 17}, {'K', 25}, {'L', 33}, {'M', 41}, {'N', 49}, {'O', 57}, {'P', 2},  {'Q', 10}, {'R', 18},
      {'S', 26}, {'T', 34}, {'U', 42}, {'V', 50}, {'W', 58}, {'X', 3},  {'Y', 11}, {'Z', 19}, {'a', 12},
      {'b', 20}, {'c', 28}, {'d', 36}, {'e', 44}, {'f', 52}, {'g', 60}, {'h', 5},  {'i', 13}, {'j', 21},
      {'k', 29}, {'l', 37}, {'m', 45}, {'n', 53}, {'o', 61}, {'p', 6},  {'q', 14}, {'r', 22}, {'s', 30},
      {'t', 38}, {'u', 46}, {'v', 54}, {'w', 62}, {'x', 7},  {'y', 15}, {'z', 23}, {'[', 27}, {'\\', 35},
      {']', 43}, {'^', 51}, {'_', 59},
  };
  return m;
}

constexpr int kBoxPattern = 63;

TextFx GlyphFx() {
  TextFx fx;
  fx.face = Face::MonoBold;
  fx.size = 13;
  fx.fill = Gradient(Hex(0xFFFFFF), Hex(0xBFE4FF));
  fx.outline = Hex(0x101830);
  fx.outlineWidth = 1.1f;
  return fx;
}

void DrawGlyph(Layer& sheet, Fonts& f, char ch, int pattern) {
  Layer cell(kGlyphW, kGlyphH);
  DrawText(cell, f, std::string(1, ch), kGlyphW / 2.f, 12, Align::Center, GlyphFx());
  sheet.Draw(cell, (pattern % 8) * kGlyphW, (pattern / 8) * kGlyphH);
}

Layer GlyphSheet(Fonts& f, const std::vector<std::pair<char, int>>& map, bool withBox) {
  Layer sheet(kGlyphW * 8, kGlyphH * 8);
  for (auto [ch, pattern] : map) DrawGlyph(sheet, f, ch, pattern);
  if (withBox) {
    // Stands in for characters the sheets do not have (and double-byte text).
    Layer cell(kGlyphW, kGlyphH);
    Vec c{5, 8.5f};
    FillShape(
        cell, Whole(cell),
        [&](Vec p) {
          return SdRing(SdRoundBox(p, c, {3.5f, 5.5f}, 1), 3.2f);
        },
        Hex(0x101830));
    FillShape(
        cell, Whole(cell),
        [&](Vec p) {
          return SdRing(SdRoundBox(p, c, {3.5f, 5.5f}, 1), 1.3f);
        },
        Gradient(Hex(0xFFFFFF), Hex(0xBFE4FF)).At(0.3f));
    sheet.Draw(cell, (kBoxPattern % 8) * kGlyphW, (kBoxPattern / 8) * kGlyphH);
  }
  return sheet;
}

Layer DigitStrip(Fonts& f, int w, int h, const TextFx& fx) {
  Layer strip(w * 10, h);
  for (int d = 0; d < 10; ++d) {
    Layer cell(w, h);
    DrawTextCentered(cell, f, std::to_string(d), float(w) / 2.f, float(h) / 2.f, fx);
    strip.Draw(cell, d * w, 0);
  }
  return strip;
}

}  // namespace

void MakeGlyphs(Pack& p) {
  Fonts& f = p.fonts();
  p.Add("FONT1.PNG", GlyphSheet(f, Font1Map(), true), Key::Black);
  p.Add("FONT2.PNG", GlyphSheet(f, Font2Map(), false), Key::Black);

  TextFx score;
  score.face = Face::SansCondBold;
  score.size = 17;
  score.fill = Gradient({{0, Hex(0xFFFFFF)}, {0.5f, Hex(0xFFF0B0)}, {1, Hex(0xF0B030)}});
  score.outline = Hex(0x2A1606);
  score.outlineWidth = 1.3f;
  p.Add("FONT_SCORE.PNG", DigitStrip(f, 14, 20, score), Key::Black);

  TextFx chrome;
  chrome.face = Face::SansBold;
  chrome.size = 31;
  chrome.fill =
      Gradient({{0, Hex(0xFFFFFF)}, {0.46f, Hex(0xB4D2F6)}, {0.5f, Hex(0x3C6AC0)}, {1, Hex(0xD6E8FF)}});
  chrome.outline = Hex(0x0C1634);
  chrome.outlineWidth = 2.f;
  p.Add("FONT_SCORE2.PNG", DigitStrip(f, 28, 34, chrome), Key::Black);

  TextFx fire;
  fire.face = Face::SansCondBold;
  fire.size = 26;
  fire.fill =
      Gradient({{0, Hex(0xFFFFE0)}, {0.35f, Hex(0xFFD040)}, {0.75f, Hex(0xFF7A18)}, {1, Hex(0xE03010)}});
  fire.outline = Hex(0x3A0C04);
  fire.outlineWidth = 1.5f;
  fire.italicShear = 0.12f;
  p.Add("NUM_COMBO.PNG", DigitStrip(f, 20, 28, fire), Key::Black);
}

}  // namespace kq::gen
