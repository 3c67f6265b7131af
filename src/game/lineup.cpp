#include <algorithm>

#include "game/rules.h"

namespace kq {

void FillRow(TRulesContext& g, TPlayerInfo& p, int row) {
  for (int c = 0; c < p.Cols; ++c) {
    const int kind = g.Rng.Random(g.Config.TotalBlockType);
    const bool hard = g.Rng.Random(100) + 1 <= p.LvHardBlockRatio;
    CreateBlock(g, p, c, row, kind, hard);
  }
}

void RiseLine(TRulesContext& g, TPlayerInfo& p) {
  const int top = std::clamp(p.Rows, 1, kFieldRows) - 1;
  for (int c = 0; c < p.Cols; ++c) {
    if (!BlockAt(p, c, top)) continue;
    if (!g.Config.DisableGameOver) {
      GameOver(g, p);
      return;
    }
    TakeBlock(g, p, c, top);
  }

  if (p.Sight.Live) {
    TSightCell* s = &p.Sight;
    const bool onBlock = s->Col >= 0 && s->Col < kMaxCols && s->Row >= 0 && s->Row < kFieldRows &&
                         BlockAt(p, s->Col, s->Row) != nullptr;
    if (onBlock && s->Row < p.Rows - 1) {
      s->FollowRise = true;
      ++s->Row;
      PlaceSight(g, p);
    } else {
      s->FollowRise = false;
    }
  }

  p.Phase = gpRise;
  p.LineUpTime = g.FrameTime;
  for (int r = top; r >= 1; --r) {
    for (int c = 0; c < p.Cols; ++c) {
      TBlock& below = p.Cells[size_t(c)][size_t(r - 1)];
      TBlock& cell = p.Cells[size_t(c)][size_t(r)];
      cell = below;
      below = TBlock{};
      if (cell) {
        ++cell.Row;
        cell.Y = CellY(p, r);
      }
    }
  }
  p.RiseOffset = 32;
  --p.PendingLines;
  FillRow(g, p, 0);
}

void RiseTick(TRulesContext& g, TPlayerInfo& p) {
  const int64_t run = int64_t(uint32_t(g.FrameTime - p.LineUpTime));
  p.RiseOffset = int(32 - (run * 32) / 300);
  if (p.RiseOffset > 0) return;
  p.RiseOffset = 0;
  p.Phase = gpPlay;
  UpdateDanger(g, p, true);
}

void PlayTick(TRulesContext& g, TPlayerInfo& p) {
  if (g.GameMode == 2 && p.Rival) {
    TPlayerInfo& rival = *p.Rival;
    if (p.RestoreLeft >= 3) {
      p.Phase = gpRestore;
      return;
    }
    if (rival.PowerGauge >= 100) {  // power attack received
      rival.PowerGauge = 0;
      p.TrimLeft = 3;
      p.Phase = gpTrim;
      ShowCharAnimation(g, rival, caAttack);
      return;
    }
    if (rival.HazardRelease && rival.HazardStock > 0) {
      DropHazards(g, p, rival.HazardStock);
      rival.HazardStock = 0;
      rival.HazardRelease = false;
      g.Events.Add(reHazardSent, rival.PlayerNo);
      return;
    }
  }
  if (g.GameMode == 1) {
    if (EndingTest(g, p)) return;
    RainbowStartTest(g, p);
  }
  if (p.RainbowMode) return;
  if (uint32_t(g.FrameTime - p.LineUpTime) >= uint32_t(std::max(p.LvLineUpInterval, 0))) {
    p.PendingLines = std::min(p.PendingLines + 1, 5);
    p.LineUpTime = g.FrameTime;
    return;
  }
  if (p.PendingLines <= 0 || p.ShotsInFlight != 0) return;
  RiseLine(g, p);
}

}  // namespace kq
