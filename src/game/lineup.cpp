#include <algorithm>
#include <cstdio>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"

namespace kq {

TBlockSprite* CreateBlock(GameContext& g, TPlayerInfo& p, int col, int row, int kind, bool hard) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%d", hard ? "BLOCK_C" : "BLOCK_N", kind);
  auto* b = NewPictureSprite<TBlockSprite>(g, name, CellX(p, col), CellY(p, row), 2, 6, false, 0, 1);
  b->Owner = &p;
  b->Kind = kind;
  b->Hard = hard;
  b->Col = col;
  b->Row = row;
  b->TargetRow = row;
  b->TargetX = CellX(p, col);
  b->TargetY = CellY(p, row);
  if (col >= 0 && col < kMaxCols && row >= 0 && row < kFieldRows) {
    TBlockSprite*& cell = p.Cells[size_t(col)][size_t(row)];
    if (cell) cell->Kill();  // never leave a sprite drawn without a cell
    cell = b;
  }
  return b;
}

void FillRow(GameContext& g, TPlayerInfo& p, int row) {
  for (int c = 0; c < p.Cols; ++c) {
    const int kind = g.Rng.Random(g.Config.TotalBlockType);
    const bool hard = g.Rng.Random(100) + 1 <= p.LvHardBlockRatio;
    CreateBlock(g, p, c, row, kind, hard);
  }
}

void RiseLine(GameContext& g, TPlayerInfo& p) {
  const int top = std::clamp(p.Rows, 1, kFieldRows) - 1;
  for (int c = 0; c < p.Cols; ++c) {
    TBlockSprite*& cell = p.Cells[size_t(c)][size_t(top)];
    if (!cell) continue;
    if (!g.Config.DisableGameOver) {
      GameOver(g, p);
      return;
    }
    cell->Kill();
    cell = nullptr;
  }

  if (p.Sight.Live) {
    TSightCell* s = &p.Sight;
    const bool onBlock = s->Col >= 0 && s->Col < kMaxCols && s->Row >= 0 && s->Row < kFieldRows &&
                         p.Cells[size_t(s->Col)][size_t(s->Row)] != nullptr;
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
      TBlockSprite*& below = p.Cells[size_t(c)][size_t(r - 1)];
      TBlockSprite*& cell = p.Cells[size_t(c)][size_t(r)];
      cell = below;
      below = nullptr;
      if (cell) {
        ++cell->Row;
        cell->X = CellX(p, c);
        cell->Y = CellY(p, r);
      }
    }
  }
  p.RiseOffset = 32;
  --p.PendingLines;
  FillRow(g, p, 0);
}

void RiseTick(GameContext& g, TPlayerInfo& p) {
  const int64_t run = int64_t(uint32_t(g.FrameTime - p.LineUpTime));
  p.RiseOffset = int(32 - (run * 32) / 300);
  if (p.RiseOffset > 0) return;
  p.RiseOffset = 0;
  p.Phase = gpPlay;
  UpdateDanger(g, p, true);
}

void PlayTick(GameContext& g, TPlayerInfo& p) {
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
      if (THazardBlockCountSprite* count = g.View(rival).HazardCountSprite) count->ResetNumber(0);
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
