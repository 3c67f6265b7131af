#include "screens/text_entry.h"

#include <algorithm>

#include "core/context.h"
#include "engine/i18n.h"
#include "screens/screen_text.h"

namespace kq {

const char* const kEntryGrid[] = {"ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "0123456789.:-"};

namespace {

constexpr const char* kButtons[kEntryButtons] = {N_("DEL"), N_("PASTE"), N_("OK"), N_("BACK")};
constexpr int kCells = kEntryGridRows * kEntryGridCols;

void Clip(std::string& s) {
  if (s.size() > kMaxEntryText) s.resize(kMaxEntryText);
}

// The clipboard's printable ASCII only: an address or a code never needs more.
std::string Pasted(const GameContext& g) {
  std::string out;
  if (!g.Platform) return out;
  for (char c : g.Platform->ClipboardText())
    if (c > 0x20 && c < 0x7f && out.size() < kMaxEntryText) out.push_back(c);
  return out;
}

}  // namespace

char EntryCharOfKey(int vk) {
  if (vk >= 'A' && vk <= 'Z') return char(vk);
  if (vk >= '0' && vk <= '9') return char(vk);
  if (vk >= 96 && vk <= 105) return char('0' + vk - 96);  // the number pad
  if (vk == 190 || vk == 110) return '.';
  if (vk == 186) return ':';  // the colon's key on most layouts
  if (vk == 189 || vk == 109) return '-';
  return 0;
}

void TTextEntry::Start(std::string text) {
  Typed = std::move(text);
  Clip(Typed);
  Cursor = 0;
  Chosen = -1;
  wasDown_.fill(true);
}

bool TTextEntry::TypeFromKeyboard(GameContext& g) {
  if (!g.Platform) return false;
  const IInputSource& in = g.Platform->Input();
  const bool ctrl = in.VkDown(17);
  bool typed = false;
  for (int vk = 8; vk < 256; ++vk) {
    const bool down = in.VkDown(vk);
    const bool pressed = down && !wasDown_[size_t(vk)];
    wasDown_[size_t(vk)] = down;
    if (!pressed) continue;
    if (ctrl && vk == 'V') {
      Typed += Pasted(g);
      typed = true;
    } else if (vk == 8) {
      if (!Typed.empty()) Typed.pop_back();
      typed = true;
    } else if (char c = EntryCharOfKey(vk); c && !ctrl) {
      Typed.push_back(c);
      typed = true;
    }
  }
  Clip(Typed);
  return typed;
}

TTextEntry::TAction TTextEntry::Update(GameContext& g, int choices) {
  const bool typed = TypeFromKeyboard(g);
  // Rows: the ready answers one a row, the grid's rows, the buttons.
  const int rows = choices + kEntryGridRows + 1;
  Cursor = std::clamp(Cursor, 0, choices + kCells + kEntryButtons - 1);
  int row = 0, col = 0;
  if (Cursor < choices) {
    row = Cursor;
  } else if (Cursor < choices + kCells) {
    row = choices + (Cursor - choices) / kEntryGridCols;
    col = (Cursor - choices) % kEntryGridCols;
  } else {
    row = rows - 1;
    col = Cursor - choices - kCells;
  }
  auto rowWidth = [&](int r) {
    return r < choices ? 1 : r < choices + kEntryGridRows ? kEntryGridCols : kEntryButtons;
  };
  auto place = [&](int r, int c) {
    r = std::clamp(r, 0, rows - 1);
    c = std::clamp(c, 0, rowWidth(r) - 1);
    if (r < choices)
      Cursor = r;
    else if (r < choices + kEntryGridRows)
      Cursor = choices + (r - choices) * kEntryGridCols + c;
    else
      Cursor = choices + kCells + c;
  };
  auto either = [&](int s) { return g.DXInput1.Has(s) || g.DXInput2.Has(s); };
  const bool up = either(kStateUp), down = either(kStateDown);
  const bool left = either(kStateLeft), right = either(kStateRight);
  if (up || down || left || right) {
    // Between rows of different widths the column keeps its place as far as it can.
    if (up || down) {
      const int to = row + (down ? 1 : -1);
      const int c =
          rowWidth(to) == rowWidth(row) ? col : col * rowWidth(std::clamp(to, 0, rows - 1)) / rowWidth(row);
      place(to, c);
    } else {
      place(row, col + (right ? 1 : -1));
    }
    g.PlaySound("CURSOR");
    return TAction::None;
  }
  if (g.CancelPressed()) return TAction::Cancel;
  // Return submits what was typed; a letter key that is also a shot key only types.
  if (g.Platform && g.Platform->Input().VkDown(13) && g.ConfirmPressed() && !Typed.empty() &&
      row < rows - 1 && row >= choices)
    return TAction::Submit;
  if (typed || !g.ConfirmPressed()) return TAction::None;
  g.PlaySound("CURSOR");
  if (row < choices) {
    Chosen = row;
    return TAction::Choose;
  }
  if (row < choices + kEntryGridRows) {
    Typed.push_back(kEntryGrid[row - choices][col]);
    Clip(Typed);
    return TAction::None;
  }
  switch (col) {
    case 0:
      if (!Typed.empty()) Typed.pop_back();
      return TAction::None;
    case 1:
      Typed += Pasted(g);
      Clip(Typed);
      return TAction::None;
    case 2:
      return TAction::Submit;
    default:
      return TAction::Cancel;
  }
}

void TTextEntry::Paint(GameContext& g, Canvas& c, int y, const std::vector<std::string>& choices) const {
  const int h = ScreenLineHeight(g);
  const int step = h + 10;
  // The entry box.
  c.FillRect({40, y - 4, 560, h + 8}, 0x000000, 200, BlendMode::Alpha);
  c.FillRect({40, y + h + 4, 560, 1}, 0x5C7EE6);
  DrawScreenText(g, c, 48, y, FitScreenText(g, Typed + "_", 544), kTextWhite);
  y += step + 8;
  const int ready = int(choices.size());
  for (int r = 0; r < ready; ++r) {
    const bool lit = Cursor == r;
    if (lit) c.FillRect({52, y - 3, 536, h + 6}, 0x2A4AA8, 220, BlendMode::Alpha);
    DrawScreenText(g, c, 60, y, FitScreenText(g, choices[size_t(r)], 520), lit ? kTextGold : kTextValue);
    y += step;
  }
  y += 6;
  // The grid, each cell a box a pad can land on.
  const int cell = 36;
  const int left = 320 - kEntryGridCols * cell / 2;
  for (int r = 0; r < kEntryGridRows; ++r) {
    for (int k = 0; k < kEntryGridCols; ++k) {
      const bool at = Cursor == ready + r * kEntryGridCols + k;
      const int x = left + k * cell;
      c.FillRect({x + 2, y - 3, cell - 4, h + 6}, at ? 0x2A4AA8 : 0x1A2250, 230, BlendMode::Alpha);
      const std::string ch(1, kEntryGrid[r][k]);
      DrawScreenText(g, c, x + (cell - ScreenTextWidth(g, ch)) / 2, y, ch, at ? kTextGold : kTextWhite);
    }
    y += h + 10;
  }
  y += 6;
  for (int k = 0; k < kEntryButtons; ++k) {
    const bool at = Cursor == ready + kCells + k;
    const std::string label = Tr(kButtons[k]);
    const int x = 320 - 2 * 112 + k * 112;
    c.FillRect({x + 4, y - 3, 104, h + 6}, at ? 0x2A4AA8 : 0x1A2250, 230, BlendMode::Alpha);
    DrawScreenText(g, c, x + 56 - ScreenTextWidth(g, label) / 2, y, label, at ? kTextGold : kTextWhite);
  }
}

}  // namespace kq
