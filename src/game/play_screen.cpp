#include "game/play_screen.h"

#include <memory>

#include "core/context.h"
#include "game/rules.h"

namespace kq {

void TPlayScreen::Enter(GameContext& g, TScreenState) {
  EnterPlay(g);
}

void TPlayScreen::Update(GameContext& g, int moveCount) {
  GameTick(g, moveCount);
}

void TPlayScreen::Draw(GameContext& g) {
  Canvas* c = g.ScreenCanvas();
  if (!c) return;
  g.DXSpriteEngine1.Surface = c;
  c->Clear(0);
  c->Blit(g.BackSurface, 0, 0);
  g.DXSpriteEngine1.DrawSprites();
  g.DrawFrameRate(*c);
  g.DrawPlayOverlay(*c);
  g.Platform->Present();
}

void TPlayScreen::Leave(GameContext& g, TScreenState next) {
  g.StopMusic();
  LeavePlay(g);
  if (next == scTitle) g.SessionWins = {0, 0};  // the tally counts one run of rematches
}

void InstallPlayScreen(TScreenManager& screens) {
  screens.Register(scPlay, std::make_unique<TPlayScreen>());
}

}  // namespace kq
