#include <algorithm>
#include <array>
#include <utility>

#include "game/rules.h"

namespace kq {

namespace {

constexpr int kTrimRows = 3;              // rows one power attack takes
constexpr double kHazardFallSpeed = 0.4;  // px per ms

// Destroys the blocks of rows `from`..12 (outside play after a trim step).
void ClearRowsFrom(TRulesContext& g, TPlayerInfo& p, int from) {
  if (from < 0) from = 0;
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = from; r < kFieldRows; ++r) TakeBlock(g, p, c, r);
}

// Keeps the sight inside the playable rows when the top ones are taken away.
void ClampSight(TRulesContext& g, TPlayerInfo& p) {
  TSightCell& s = p.Sight;
  if (!s.Live || s.Row <= p.Rows - 1) return;
  s.Row = p.Rows - 1;
  s.FollowRise = false;
  PlaceSight(g, p);
}

}  // namespace

void ShowRowShade(TRulesContext& g, TPlayerInfo& p, int row, bool visible) {
  TRulesEvent& e = g.Events.Add(reRowShade, p.PlayerNo);
  e.Row = row;
  e.Flag = visible;
}

void SendHazards(TRulesContext& g, TPlayerInfo& p, int count) {
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
      g.Events.Add(reHazardCount, rival->PlayerNo).Value = rival->HazardStock;
    }
  }
  if (n < 1) return;
  // An empty stock can only carry a release flag left over from an earlier combo (one that ended
  // with nothing to send, or whose stock was countered away); it must not release this combo early.
  if (p.HazardStock == 0) p.HazardRelease = false;
  p.HazardStock += n;
  TRulesEvent& shown = g.Events.Add(reHazardCount, p.PlayerNo);
  shown.Value = p.HazardStock;
  shown.Flag = counter;
  if (counter) g.Events.Sound("VOICE26");
}

void DropHazards(TRulesContext& g, TPlayerInfo& p, int count) {
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

void EndCombo(TRulesContext& g, TPlayerInfo& p) {
  p.HazardRelease = true;
  p.ChainGauge = 0;
  p.Combo = p.Chain = p.ShotChain = p.SeIndex = p.VoiceIndex = 0;
  g.Events.Add(reComboEnd, p.PlayerNo);
}

// One trim step per tick. The blocks of a trimmed row go once its bar is opaque, i.e. at the next
// step. A field is never trimmed below one playable row: a step that would go further trims
// nothing and makes no bar, so every bar made is one trimmed row that comes back.
void TrimTick(TRulesContext& g, TPlayerInfo& p) {
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
void RestoreTick(TRulesContext& g, TPlayerInfo& p) {
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
static void GaugeTick(TRulesContext& g, TPlayerInfo& p, int moveCount) {
  if (p.ChainGauge > 0) {
    const int period = g.Config.ChainGaugePeriod > 0 ? g.Config.ChainGaugePeriod : 1;
    p.ChainGauge -= double(moveCount) * 100.0 / period;
    // Reaching exactly 0 ends the chain too; otherwise a gauge that lands on 0 would never end it.
    if (p.ChainGauge <= 0) EndCombo(g, p);
  }
}

static void RainbowTick(TRulesContext& g, TPlayerInfo& p) {
  if (!p.RainbowMode) return;
  const int period = g.Config.RainbowModePeriod > 0 ? g.Config.RainbowModePeriod : 1;
  const double left = 1.0 - double(g.FrameTime - p.RainbowStart) / period;
  p.RainbowGauge = 100.0 * (left > 0 ? left : 0);
  if (p.RainbowGauge <= 0) EndRainbowMode(g, p);
}

void MoveTimers(TRulesContext& g, int moveCount) {
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

void RainbowStartTest(TRulesContext& g, TPlayerInfo& p) {
  if (p.RainbowMode || p.RainbowGauge < 100) return;
  p.RainbowMode = true;
  p.RainbowStart = g.FrameTime;
  p.RainbowGauge = 100;
  g.Events.Add(reRainbow, p.PlayerNo).Flag = true;
  p.BonusGiven = false;
  ShowBoard(g, p, "STR_RAINBOW", true);
  g.Events.Sound("VOICE1D");
}

void EndRainbowMode(TRulesContext& g, TPlayerInfo& p) {
  p.RainbowMode = false;
  p.RainbowGauge = 0;
  p.PendingLines = 0;
  p.LineUpTime = g.FrameTime;
  g.Events.Add(reRainbow, p.PlayerNo).Flag = false;
  ShowBoard(g, p, "STR_FINISH", true);
  g.Events.Sound("VOICE1E");
}

}  // namespace kq
