#include "core/context.h"
#include "screens/screens.h"

namespace kq {

void EnterRules(GameContext& g) {
  g.BackSurface.EditPixels().Pixels.assign(g.BackSurface.Pixels().Pixels.size(), 0xFF000000u);
  BitmapCanvas c(g.BackSurface.EditPixels());
  if (const TPictureItem* rule = g.DXImageList1.Find("RULE")) rule->Draw(c, 0, 0, 0);
  g.BackSurface.Touch();
  g.PlayMusicFile(g.DataPath("BGM\\BGM_HOWTO.mid"));
}

void RulesTick(GameContext& g, int moveCount) {
  if (g.ConfirmPressed() || g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  }
  g.DrawFrontEndFrame(moveCount, &g.BackSurface, true);
}

}  // namespace kq
