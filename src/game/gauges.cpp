#include <algorithm>
#include <array>
#include <utility>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"

namespace kq {

namespace {

constexpr int kTrimRows = 3;               // rows one power attack takes
constexpr double kHazardFallSpeed = 0.4;   // px per ms
constexpr double kHazardCountRoll = 0.05;  // blocks per ms shown by the hazard counter

// Destroys the blocks of rows `from`..12 (outside play after a trim step).
void ClearRowsFrom(GameContext& g, TPlayerInfo& p, int from) {
  if (from < 0) from = 0;
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = from; r < kFieldRows; ++r) TakeBlock(g, p, c, r);
}

// Keeps the sight inside the playable rows when the top ones are taken away.
void ClampSight(GameContext& g, TPlayerInfo& p) {
  TSightCell& s = p.Sight;
  if (!s.Live || s.Row <= p.Rows - 1) return;
  s.Row = p.Rows - 1;
  s.FollowRise = false;
  PlaceSight(g, p);
}

}  // namespace

void ShowRowShade(GameContext& g, TPlayerInfo& p, int row, bool visible) {
  TPlayerSprites& view = g.View(p);
  if (row >= 0 && row < kFieldRows && view.RowShades[size_t(row)])
    view.RowShades[size_t(row)]->Visible = visible;
}

void CreateHudSprites(GameContext& g, TPlayerInfo& p, int x0, int y0) {
  const bool versus = g.GameMode == 2;
  TPlayerSprites& v = g.View(p);
  p.InGame = true;
  p.DealsPoker = !versus && p.PlayerNo == 0;

  v.ScoreSprite = NewPictureSprite<TScoreSprite>(g, "FONT_SCORE", x0, y0, 8);
  v.ScoreSprite->Owner = &p;
  v.ScoreSprite->ResetNumber(150);

  v.ChainGaugeSprite = NewPictureSprite<TChainGaugeSprite>(g, "CHAINGAUGE", x0 + 46, y0 + 30, 8);
  v.ChainGaugeSprite->Owner = &p;
  v.ChainGaugeSprite->GaugeValue = &p.ChainGauge;

  if (versus) {
    v.PowerGaugeSprite = NewPictureSprite<TGaugeSprite>(g, "POWERGAUGE", x0 + 46, y0 + 50, 8);
    v.PowerGaugeSprite->Owner = &p;
    v.PowerGaugeSprite->GaugeValue = &p.PowerGauge;
  } else {
    v.RainbowGaugeSprite = NewPictureSprite<TRainbowGaugeSprite>(g, "RAINBOWGAUGE", x0 + 46, y0 + 50, 8);
    v.RainbowGaugeSprite->Owner = &p;
    v.RainbowGaugeSprite->GaugeValue = &p.RainbowGauge;
  }

  TComboSprite* combo = NewPictureSprite<TComboSprite>(g, "DUMMY", 320, 240, 0);
  combo->ResetNumber(0.01);
  const TPictureItem* digits = g.DXImageList1.Find("NUM_COMBO");
  const int w = digits ? digits->PatW() : 0;
  for (int k = 0; k < 4; ++k) {
    auto* d = NewPictureSprite<TComboNumSprite>(g, "NUM_COMBO", x0 + 17 + k * w, y0 + 87, 10);
    d->BaseY = int64_t(y0 + 87) * 10000;
    d->Visible = false;
    combo->Digits[k] = d;
  }
  combo->Label = NewPictureSprite<TComboNumSprite>(g, "STR_COMBO", x0 + 2 * w + 32, y0 + 121, 10);
  combo->Label->BaseY = int64_t(y0 + 121) * 10000;
  combo->Label->Visible = false;
  v.ComboSprite = combo;

  if (versus) {
    int iconX = p.PlayerNo == 0 ? p.FieldRight - 58 : p.FieldLeft + 14;
    v.HazardCountSprite = NewPictureSprite<THazardBlockCountSprite>(g, "FONT_SCORE", iconX + 42, 450, 11);
    v.HazardCountSprite->ResetNumber(kHazardCountRoll);
  }

  int levelX = p.PlayerNo == 0 ? p.FieldLeft + 10 : p.FieldRight - 82;
  v.LevelSprite = NewPictureSprite<TLevelSprite>(g, "FONT_SCORE", levelX, p.FieldBottom + 5, 8);
  v.LevelSprite->Owner = &p;

  if (p.DealsPoker) {
    v.PokerSprite =
        NewPictureSprite<TPokerSprite>(g, "DUMMY", p.FieldRight + 140, p.FieldTop + 140, 8, 2, true, 0.002);
    v.PokerSprite->Owner = &p;
  }
}

void SendHazards(GameContext& g, TPlayerInfo& p, int count) {
  int n = count;
  bool counter = false;
  if (TPlayerInfo* rival = p.Rival) {
    int s = rival->HazardStock;
    if (s >= 1) {
      if (s < n) {
        rival->HazardStock = 0;
        n = n - s + int(s * 1.5);
        counter = true;
      } else {
        rival->HazardStock = s - n;
        n = 0;
      }
      if (THazardBlockCountSprite* count = g.View(*rival).HazardCountSprite)
        count->SetValue(int64_t(rival->HazardStock) * 10000);
    }
  }
  if (n < 1) return;
  // An empty stock can only carry a release flag left over from an earlier combo (one that ended
  // with nothing to send, or whose stock was countered away); it must not release this combo early.
  if (p.HazardStock == 0) p.HazardRelease = false;
  p.HazardStock += n;
  if (THazardBlockCountSprite* count = g.View(p).HazardCountSprite) {
    count->SetValue(int64_t(p.HazardStock) * 10000);
    if (counter) count->Pulse();
  }
  if (counter) g.PlaySound("VOICE26");
}

void DropHazards(GameContext& g, TPlayerInfo& p, int count) {
  p.FallingList.clear();
  const int cols = std::min(p.Cols, kMaxCols);
  const int rows = std::min(p.Rows, kFieldRows);
  if (cols <= 0) return;
  std::array<int, kMaxCols> order{};
  int placed = 0, placedInRound = 0, cursor = 99;
  while (placed < count) {
    if (++cursor > cols - 1) {
      cursor = 0;
      placedInRound = 0;
      for (int i = 0; i < cols; ++i) order[size_t(i)] = i;
      for (int d = cols - 1; d >= 1; --d) std::swap(order[size_t(d)], order[size_t(g.Rng.Random(d + 1))]);
    }
    const int col = order[size_t(cursor)];
    int row = 0;
    while (row < rows && p.Cells[size_t(col)][size_t(row)]) ++row;
    if (row >= rows) {
      if (cursor >= cols - 1 && placedInRound == 0) {
        GameOver(g, p);
        return;
      }
      continue;
    }
    // It falls from just above the playable rows, a little lower for each place in the round.
    TBlock* b = CreateBlock(g, p, col, row, 6, true);
    b->Y = CellY(p, rows) + cursor * 5;
    b->Hazard = b->Dropped = b->Falling = true;
    b->HazardTime = g.FrameTime + uint32_t(g.Config.HazardBlockPeriod) + uint32_t(g.Rng.Random(2000));
    b->Speed = kHazardFallSpeed;
    p.FallingList.push_back({col, row});
    ++placedInRound;
    ++placed;
  }
  p.Phase = gpFall;
}

void EndCombo(GameContext& g, TPlayerInfo& p) {
  p.HazardRelease = true;
  p.ChainGauge = 0;
  p.Combo = p.Chain = p.ShotChain = p.SeIndex = p.VoiceIndex = 0;
  if (TComboSprite* combo = g.View(p).ComboSprite) combo->Clear();
}

// One trim step per tick. The blocks of a trimmed row go once its bar is opaque, i.e. at the next
// step. A field is never trimmed below one playable row: a step that would go further trims
// nothing and makes no bar, so every bar made is one trimmed row that comes back.
void TrimTick(GameContext& g, TPlayerInfo& p) {
  if (p.Trimming) return;
  if (p.TrimLeft != kTrimRows) ClearRowsFrom(g, p, p.Rows);
  if (p.TrimLeft > 0) {
    if (p.Rows > 1) {
      StartRowBar(g, p, p.Rows - 1, true);
      --p.Rows;
      ClampSight(g, p);
    }
    --p.TrimLeft;
    return;
  }
  p.Phase = gpPlay;
  ShowCharAnimation(g, p, caDamage);
  UpdateDanger(g, p, false);
}

// One restore step per tick, at most three rows per restore: the rows of one attack. Taking more
// at once (when several bars expired while the player was busy) would leave the remainder of a
// later attack below the trigger of three, and those rows would never come back.
void RestoreTick(GameContext& g, TPlayerInfo& p) {
  if (p.Trimming) return;
  if (p.RestoreLeft > 0 && p.RestoreBatch < kTrimRows && p.Rows < kFieldRows) {
    --p.RestoreLeft;
    ++p.RestoreBatch;
    ShowRowShade(g, p, p.Rows, false);
    ++p.Rows;
    StartRowBar(g, p, p.Rows - 1, false);
    return;
  }
  p.RestoreBatch = 0;
  p.Phase = gpPlay;
  UpdateDanger(g, p, false);
}

// The chain gauge drains over its period and, running out, ends the combo; rainbow mode lasts its
// period from its start.
void GaugeTick(GameContext& g, TPlayerInfo& p, int moveCount) {
  if (p.ChainGauge > 0) {
    const int period = g.Config.ChainGaugePeriod > 0 ? g.Config.ChainGaugePeriod : 1;
    p.ChainGauge -= double(moveCount) * 100.0 / period;
    // Reaching exactly 0 ends the chain too; otherwise a gauge that lands on 0 would never end it.
    if (p.ChainGauge <= 0) EndCombo(g, p);
  }
}

void RainbowTick(GameContext& g, TPlayerInfo& p) {
  if (!p.RainbowMode) return;
  const int period = g.Config.RainbowModePeriod > 0 ? g.Config.RainbowModePeriod : 1;
  const double left = 1.0 - double(g.FrameTime - p.RainbowStart) / period;
  p.RainbowGauge = 100.0 * (left > 0 ? left : 0);
  if (p.RainbowGauge <= 0) EndRainbowMode(g, p);
}

void MoveTimers(GameContext& g, int moveCount) {
  // In the order their displays were made at the game start: player 1's chain gauge, rainbow
  // gauge and poker display, then player 2's chain gauge.
  for (int n = 0; n < 2; ++n) {
    TPlayerInfo& p = g.Player(n);
    if (!p.InGame) continue;
    GaugeTick(g, p, moveCount);
    if (g.GameMode != 2) RainbowTick(g, p);
    if (p.DealsPoker) PokerTick(g, p);
  }
}

void RainbowStartTest(GameContext& g, TPlayerInfo& p) {
  if (p.RainbowMode || p.RainbowGauge < 100) return;
  p.RainbowMode = true;
  p.RainbowStart = g.FrameTime;
  p.RainbowGauge = 100;
  if (TSprite* rainbow = g.View(p).RainbowSprite) rainbow->Visible = true;
  p.BonusGiven = false;
  ShowBoard(g, p, "STR_RAINBOW", true);
  g.PlaySound("VOICE1D");
}

void EndRainbowMode(GameContext& g, TPlayerInfo& p) {
  p.RainbowMode = false;
  p.RainbowGauge = 0;
  p.PendingLines = 0;
  p.LineUpTime = g.FrameTime;
  if (TSprite* rainbow = g.View(p).RainbowSprite) rainbow->Visible = false;
  ShowBoard(g, p, "STR_FINISH", true);
  g.PlaySound("VOICE1E");
}

}  // namespace kq
