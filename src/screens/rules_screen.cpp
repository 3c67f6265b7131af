#include "core/context.h"
#include "screens/screens.h"

namespace kq {

void TRulesScreen::Enter(GameContext& g, TScreenState) {
  g.BackSurface.EditPixels().Pixels.assign(g.BackSurface.Pixels().Pixels.size(), 0xFF000000u);
  BitmapCanvas c(g.BackSurface.EditPixels());
  if (const TPictureItem* rule = g.DXImageList1.Find("RULE")) rule->Draw(c, 0, 0, 0);
  g.BackSurface.Touch();
  g.PlayMusicFile(g.DataPath("BGM\\BGM_HOWTO.mid"));
}

void TRulesScreen::Update(GameContext& g, int moveCount) {
  if (g.ConfirmPressed() || g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  }
  g.DrawFrontEndFrame(moveCount, &g.BackSurface, true);
}

void TRulesScreen::Draw(GameContext& g) {
  g.DrawStillFrame(&g.BackSurface, true);
}

void TRulesScreen::Leave(GameContext& g, TScreenState) {
  g.StopMusic();
}

}  // namespace kq
