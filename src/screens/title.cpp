#include <algorithm>

#include "core/context.h"
#include "engine/i18n.h"
#include "engine/utf8.h"
#include "screens/option_screens.h"
#include "screens/screen_text.h"
#include "screens/screens.h"

namespace kq {

namespace {

// The failures the sound loader names, each followed by two blanks and the file.
constexpr const char* kSoundFailures[] = {N_("WAVE LOAD_ERROR"),  N_("WAVE RESTORE_ERROR"),
                                          N_("MP3 DECODE_ERROR"), N_("MP3 DECODE_EXCEPTION"),
                                          N_("MP3 LOAD_ERROR"),   N_("MP3 RESTORE_ERROR")};

}  // namespace

std::string SoundErrorText(const std::string& error) {
  for (const char* failure : kSoundFailures) {
    const std::string prefix = std::string(failure) + "  ";
    if (error.rfind(prefix, 0) == 0) return std::string(Tr(failure)) + "  " + error.substr(prefix.size());
  }
  return error;
}

namespace {

// A sound that failed to load is named on the top row, clear of the menu: in the picture font
// while the line is plain ASCII, else in the list face (the picture font has no Japanese).
void DrawNotices(GameContext& g, Canvas& c) {
  if (!g.SoundLoadError.empty()) {
    const std::string line = SoundErrorText(g.SoundLoadError);
    if (IsAsciiText(line))
      DrawGlyphText(g, c, 0, line, 0);
    else
      DrawScreenText(g, c, 4, 2, FitScreenText(g, line, 632), kTextWarn);
  }
  // In the list face: the reason may be in the player's language, and is cut to the width.
  if (!g.TitleNotice.empty()) DrawScreenText(g, c, 4, 18, FitScreenText(g, g.TitleNotice, 632), kTextWarn);
}

// Who plays a side of a versus game: HUMAN, then the computer at each strength; the choice is
// the setting itself, so OPTIONS shows and changes the same thing.
TTitleChooser SideChooser(int player) {
  TTitleChooser ch;
  ch.Caption = player == 0 ? "1P" : "2P";
  // Each player picks the rival they face: player 1's Left/Right the other side, and so on.
  ch.Devices = player == 0 ? 2 : 1;
  for (int level = 0; level <= kCpuLevels; ++level)
    ch.Choices.push_back(
        {CpuLevelLabel(level),
         [player, level](GameContext& c) { (player == 0 ? c.Config.Cpu1P : c.Config.Cpu2P) = level; },
         nullptr});
  // Kept among the sides' own choices: a choice appended after them is never where it starts.
  ch.Initial = [player](const GameContext& c) {
    return std::clamp(player == 0 ? c.Config.Cpu1P : c.Config.Cpu2P, 0, kCpuLevels);
  };
  return ch;
}

}  // namespace

TTitleScreen::TTitleScreen() {
  Menu.Items[kTitleVsItem] = {SideChooser(0), SideChooser(1)};
  // Player 1's rival may also be another machine: confirm opens the NETWORK screen, and the
  // setting of who plays 2P here stays as it was.
  Menu.Items[kTitleVsItem][1].Choices.push_back(
      {N_("NETWORK"), nullptr, [](GameContext& c) { c.EnterState(scNetwork); }});
  TTitleChooser board;
  board.Choices = {{N_("RANKING"), nullptr, nullptr},
                   {N_("REPLAYS"), nullptr, [](GameContext& c) { c.EnterState(scReplays); }}};
  Menu.Items[kTitleRankingItem] = {board};
}

std::string TitleHint(const GameContext& g, int item) {
  if (item == kTitleRankingItem) return _("LEFT/RIGHT: THE RANKING OR THE REPLAYS OF YOUR GAMES");
  if (item != kTitleVsItem) return {};
  const TKeyAssign& k1 = g.Config.KeyAssign1P;
  const TKeyAssign& k2 = g.Config.KeyAssign2P;
  std::string hint = _("RIVAL OF 1P: {keys1}   RIVAL OF 2P: {keys2}");
  hint = Subst(hint, "{keys1}", KeyText(k1.LEFT) + "/" + KeyText(k1.RIGHT));
  return Subst(hint, "{keys2}", KeyText(k2.LEFT) + "/" + KeyText(k2.RIGHT));
}

void TTitleScreen::PlaceCursor() {
  if (CursorSprite) CursorSprite->Y = 376 + 22 * Cursor;
}

// The choices beside each item that has some: the highlighted item's bright between arrows,
// the others dim; under the menu, the keys of the highlighted item's choice.
void TTitleScreen::DrawChoices(GameContext& g, Canvas& c) {
  const int h = ScreenLineHeight(g);
  for (int item = 0; item < kTitleItems; ++item) {
    const auto& choosers = Menu.Items[size_t(item)];
    if (choosers.empty()) continue;
    const bool lit = item == Cursor;
    const int y = 378 + 22 * item - h / 2;
    // A dark plate under the choices: they stand over the character picture beside the menu.
    // A long choice moves them left as far as it needs to stay on the screen.
    int width = 0;
    for (const TTitleChooser& ch : choosers)
      if (const TTitleChoice* cur = ch.Current()) {
        const std::string label = Tr(cur->Label);
        width += (ch.Caption.empty() ? 0 : ScreenTextWidth(g, ch.Caption) + 4) +
                 ScreenTextWidth(g, lit ? "< " + label + " >" : label) + 12;
      }
    int x = std::max(6, std::min(428, 648 - width));
    if (width > 0) c.FillRect({x - 6, y - 2, width, h + 4}, 0x0A1030, 200, BlendMode::Alpha);
    for (const TTitleChooser& ch : choosers) {
      const TTitleChoice* cur = ch.Current();
      if (!cur) continue;
      if (!ch.Caption.empty()) {
        DrawScreenText(g, c, x, y, ch.Caption, lit ? kTextGold : kTextDim);
        x += ScreenTextWidth(g, ch.Caption) + 4;
      }
      const std::string label = Tr(cur->Label);
      const std::string text = lit ? "< " + label + " >" : label;
      DrawScreenText(g, c, x, y, text, lit ? kTextWhite : kTextDim);
      x += ScreenTextWidth(g, text) + 12;
    }
  }
  const std::string& hint = Menu.Hints[size_t(std::clamp(Cursor, 0, kTitleItems - 1))];
  if (!hint.empty()) {
    const std::string shown = FitScreenText(g, hint, 620);
    // Above the logo: at the foot of the screen it would cover the last menu item.
    DrawScreenText(g, c, (640 - ScreenTextWidth(g, shown)) / 2, 40, shown, kTextValue);
  }
}

void TTitleScreen::DrawFrame(GameContext& g, int moveCount) {
  g.DrawFrontEndFrame(moveCount, nullptr, false, [&](Canvas& c) {
    DrawNotices(g, c);
    DrawChoices(g, c);
  });
}

void TTitleScreen::Draw(GameContext& g) {
  g.DrawStillFrame(nullptr, false, [&](Canvas& c) {
    DrawNotices(g, c);
    DrawChoices(g, c);
  });
}

// Left/Right of one device on the highlighted item: every chooser that device steers moves one
// choice, wrapping round. False when the item has nothing for it.
bool TTitleScreen::StepChoices(GameContext& g, int device, int step) {
  bool moved = false;
  for (TTitleChooser& ch : Menu.Items[size_t(Cursor)]) {
    if (!(ch.Devices & (1 << device)) || ch.Choices.empty()) continue;
    const int n = int(ch.Choices.size());
    ch.Index = ((ch.Index + step) % n + n) % n;
    if (const TTitleChoice* cur = ch.Current(); cur && cur->Pick) cur->Pick(g);
    moved = true;
  }
  return moved;
}

// The first choice of the highlighted item that replaces the item's action, if any.
const TTitleChoice* TTitleScreen::ConfirmOverride() const {
  for (const TTitleChooser& ch : Menu.Items[size_t(Cursor)])
    if (const TTitleChoice* cur = ch.Current(); cur && cur->Confirm) return cur;
  return nullptr;
}

void TTitleScreen::Enter(GameContext& g, TScreenState) {
  Cursor = 0;
  for (int item = 0; item < kTitleItems; ++item) {
    for (TTitleChooser& ch : Menu.Items[size_t(item)]) {
      const int n = int(ch.Choices.size());
      ch.Index = ch.Initial && n > 0 ? std::clamp(ch.Initial(g), 0, n - 1) : 0;
    }
    Menu.Hints[size_t(item)] = TitleHint(g, item);
  }
  NewPictureSprite(g, "TITLE", 320, 240, 0, 0);
  for (int i = 0; i < 5; ++i) NewPictureSprite(g, "STR_TITLE", 320, 378 + 22 * i, 1, -1, false, 0, i);
  CursorSprite = NewPictureSprite(g, "TITLE_CURSOR", 190, 376, 1, -1, true, 0.02);
}

void TTitleScreen::Leave(GameContext& g, TScreenState) {
  CursorSprite = nullptr;  // dropped with every sprite of the screen
  g.TitleNotice.clear();
}

void TTitleScreen::Update(GameContext& g, int moveCount) {
  if (g.DXInput1.Has(kStateUp) || g.DXInput2.Has(kStateUp)) {
    Cursor = std::max(Cursor - 1, 0);
    PlaceCursor();
    g.PlaySound("CURSOR");
    DrawFrame(g, moveCount);
  } else if (g.DXInput1.Has(kStateDown) || g.DXInput2.Has(kStateDown)) {
    Cursor = std::min(Cursor + 1, 4);
    PlaceCursor();
    g.PlaySound("CURSOR");
    DrawFrame(g, moveCount);
  } else if (g.CancelPressed()) {
    g.Terminated = true;
  } else if (g.ConfirmPressed()) {
    if (const TTitleChoice* choice = ConfirmOverride()) {
      choice->Confirm(g);
      return;
    }
    switch (Cursor) {
      case 0:
        g.SetGameMode(1);
        g.EnterState(scOpening);
        break;
      case 1:
        g.SetGameMode(2);
        g.EnterState(scPlay);
        break;
      case 2:
        g.EnterState(scRules);
        break;
      case 3:
        g.EnterState(scRanking);
        break;
      default:
        g.EnterState(scOptions);
        break;
    }
  } else {
    // Left/Right pick among the highlighted item's choices, each device its own choosers.
    bool moved = false;
    for (int device = 0; device < 2; ++device) {
      const TDXInput& in = device == 0 ? g.DXInput1 : g.DXInput2;
      const int step = in.Has(kStateLeft) ? -1 : in.Has(kStateRight) ? 1 : 0;
      if (step != 0 && StepChoices(g, device, step)) moved = true;
    }
    if (moved) g.PlaySound("CURSOR");
    DrawFrame(g, moveCount);
  }
}

void TOpeningScreen::Enter(GameContext& g, TScreenState) {
  Deadline = g.FrameTime + 10000;
  g.PlayMusicFile(g.DataPath("BGM\\BGM_OPENING.mid"));
  NewPictureSprite(g, "OPENING", 320, 240, 0, 0);
  NewPictureSprite(g, "STR_PUSHKEY", 540, 440, 1, 2, true, 0.002);
}

void TOpeningScreen::Update(GameContext& g, int moveCount) {
  bool late = int32_t(g.FrameTime - Deadline) > 0;
  if (late || g.ConfirmPressed() || g.CancelPressed()) {
    g.EnterState(scPlay);
    return;
  }
  g.DrawFrontEndFrame(moveCount, &g.BackSurface, false);
}

void TOpeningScreen::Draw(GameContext& g) {
  g.DrawStillFrame(&g.BackSurface, false);
}

}  // namespace kq
