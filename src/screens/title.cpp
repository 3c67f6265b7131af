#include <algorithm>

#include "core/context.h"
#include "screens/screens.h"

namespace kq {

namespace {

// A sound that failed to load is named on the top row, clear of the menu.
void DrawNotices(GameContext& g, Canvas& c) {
  if (!g.SoundLoadError.empty()) DrawGlyphText(g, c, 0, g.SoundLoadError, 0);
  if (!g.TitleNotice.empty()) DrawGlyphText(g, c, 0, g.TitleNotice, 1);
}

}  // namespace

void TTitleScreen::PlaceCursor() {
  if (CursorSprite) CursorSprite->Y = 376 + 22 * Cursor;
}

void TTitleScreen::DrawFrame(GameContext& g, int moveCount) {
  g.DrawFrontEndFrame(moveCount, nullptr, false, [&](Canvas& c) { DrawNotices(g, c); });
}

void TTitleScreen::Draw(GameContext& g) {
  g.DrawStillFrame(nullptr, false, [&](Canvas& c) { DrawNotices(g, c); });
}

void TTitleScreen::Enter(GameContext& g, TScreenState) {
  Cursor = 0;
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
