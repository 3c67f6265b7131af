#include <algorithm>
#include <cstdio>

#include "core/context.h"
#include "screens/screens.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

void DrawDigits(Canvas& c, const TPictureItem* font, const char* digits, int x, int y, int step, int w,
                int h) {
  if (!font) return;
  for (int k = 0; digits[k]; ++k) {
    int pattern = digits[k] - '0';
    if (w == font->PatW() && h == font->PatH())
      font->Draw(c, x + step * k, y, pattern);
    else
      font->StretchDraw(c, {x + step * k, y, w, h}, pattern);
  }
}

}  // namespace

void TRankingScreen::Enter(GameContext& g, TScreenState) {
  Bitmap& px = g.BackSurface.EditPixels();
  std::fill(px.Pixels.begin(), px.Pixels.end(), 0xFF000000u);
  BitmapCanvas c(px);
  TImageList& list = g.DXImageList1;
  if (const TPictureItem* z = list.Find("ZANTHIE")) z->StretchDraw(c, {0, 0, 640, 480}, 0, 90);
  if (const TPictureItem* t = list.Find("STR_HISCORE")) t->Draw(c, 120, 30, 0);
  if (const TPictureItem* t = list.Find("STR_SCORENAME")) t->Draw(c, 150, 100, 0);
  const TPictureItem* font = list.Find("FONT_SCORE2");
  const TPictureItem* order = list.Find("STR_RANKORDER");
  const int w = font ? int(font->PatW() * 0.8) : 0;
  const int h = font ? int(font->PatH() * 0.8) : 0;
  for (int d = 0; d < 8; ++d) {
    const THiScoreRow& row = g.HiScoreTable[size_t(d)];
    const int y = 140 + 38 * d;
    if (font) font->Draw(c, 20, y, d + 1);
    if (order) order->Draw(c, 46, 142 + 38 * d, std::min(d, 3));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.7d", std::clamp(int(row.Score), 0, 9999999));
    if (font) DrawDigits(c, font, buf, 100, y, 30, font->PatW(), font->PatH());
    std::snprintf(buf, sizeof buf, "%.3d", std::clamp(int(row.Level), 0, 999));
    DrawDigits(c, font, buf, 330, 145 + 38 * d, w, w, h);
    std::snprintf(buf, sizeof buf, "%.4d", std::clamp(int(row.Combo), 0, 9999));
    DrawDigits(c, font, buf, 420, 145 + 38 * d, w, w, h);
  }
  g.BackSurface.Touch();

  if (g.NewRankIndex >= 0 && g.NewRankIndex < 8) {
    auto* bar = new TBlinkSprite(g, &g.DXSpriteEngine1);
    InitTextureSprite(*bar, nullptr, 620, 25, 0, 0, false, 0, 3, 320, 153 + 38 * g.NewRankIndex);
    bar->Color = 0x00FF00;
    bar->AlphaMax = 64;
    bar->AlphaMin = 0;
    bar->Alpha = 0;
    bar->FadeSpeed = 0.05f;
  }
  NewScreenFade(g, 0x000000, 255, false, 0.2);  // out of black
}

void TRankingScreen::Update(GameContext& g, int moveCount) {
  if (g.ConfirmPressed() || g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  }
  g.DrawFrontEndFrame(moveCount, &g.BackSurface, true);
}

void TRankingScreen::Draw(GameContext& g) {
  g.DrawStillFrame(&g.BackSurface, true);
}

void TRankingScreen::Leave(GameContext& g, TScreenState) {
  g.NewRankIndex = -1;
}

}  // namespace kq
