#include <algorithm>
#include <cstdio>

#include "game/rules.h"

namespace kq {

namespace {

void MarkErased(TPlayerInfo& p, TBlock& b) {
  if (b.Erased) return;  // never count one block twice, or the erase wait would never end
  b.Erased = true;
  b.PatternSpeed = 0.01;
  ++p.ErasingCount;
}

void ClearVisited(TPlayerInfo& p) {
  for (auto& col : p.Visited) col.fill(0);
}

void FloodFrom(TRulesContext& g, int col, int row, int& count, bool mark, TPlayerInfo& p, int kind) {
  FloodGroup(g, 1, col, row + 1, count, mark, p, kind);
  FloodGroup(g, 2, col, row - 1, count, mark, p, kind);
  FloodGroup(g, 3, col - 1, row, count, mark, p, kind);
  FloodGroup(g, 4, col + 1, row, count, mark, p, kind);
}

}  // namespace

void FloodGroup(TRulesContext& g, int direction, int col, int row, int& count, bool mark, TPlayerInfo& p,
                int kind) {
  if (row < 0 || row >= p.Rows || row >= kFieldRows) return;
  if (col < 0 || col >= p.Cols || col >= kMaxCols) return;
  TBlock* b = &p.Cells[size_t(col)][size_t(row)];
  if (!*b || p.Visited[size_t(col)][size_t(row)] || b->Kind != kind) return;
  if (mark) MarkErased(p, *b);
  p.Visited[size_t(col)][size_t(row)] = 1;
  ++count;
  switch (direction) {
    case 1:
      FloodGroup(g, 1, col, row + 1, count, mark, p, kind);
      FloodGroup(g, 3, col - 1, row, count, mark, p, kind);
      FloodGroup(g, 4, col + 1, row, count, mark, p, kind);
      break;
    case 2:
      FloodGroup(g, 2, col, row - 1, count, mark, p, kind);
      FloodGroup(g, 3, col - 1, row, count, mark, p, kind);
      FloodGroup(g, 4, col + 1, row, count, mark, p, kind);
      break;
    case 3:
      FloodGroup(g, 1, col, row + 1, count, mark, p, kind);
      FloodGroup(g, 2, col, row - 1, count, mark, p, kind);
      FloodGroup(g, 3, col - 1, row, count, mark, p, kind);
      break;
    case 4:
      FloodGroup(g, 1, col, row + 1, count, mark, p, kind);
      FloodGroup(g, 2, col, row - 1, count, mark, p, kind);
      FloodGroup(g, 4, col + 1, row, count, mark, p, kind);
      break;
    default:
      break;
  }
}

int EraseGroup(TRulesContext& g, TPlayerInfo& p, int col, int row) {
  if (col < 0 || col >= p.Cols || col >= kMaxCols || row < 0 || row >= p.Rows || row >= kFieldRows) return 0;
  TBlock* b = BlockAt(p, col, row);
  if (!b || b->Erased || b->Hazard) return 0;

  // Size pass.
  ClearVisited(p);
  int count = 1;
  p.Visited[size_t(col)][size_t(row)] = 1;
  FloodFrom(g, col, row, count, false, p, b->Kind);
  ClearVisited(p);
  const int limit = p.RainbowMode ? g.Config.EraseLowerLimitRainbow : g.Config.EraseLowerLimit;
  if (count < limit) return 0;

  // Marking pass.
  count = 1;
  p.Visited[size_t(col)][size_t(row)] = 1;
  MarkErased(p, *b);
  FloodFrom(g, col, row, count, true, p, b->Kind);
  ClearVisited(p);

  p.ChainGauge = std::min(p.ChainGauge + 100, 100.0);
  p.ErasedInLevel += count;
  if (p.DealsPoker) DealPokerCard(g, p, b->Kind);
  if (g.Config.UseDirect3D) {
    TRulesEvent& dust = g.Events.Add(reDust, p.PlayerNo);
    dust.Col = b->Col;
    dust.Y = b->Y;
  }
  return count;
}

void AddCombo(TPlayerInfo& p, int n) {
  p.Combo += n;
  if (p.Combo > p.MaxCombo) p.MaxCombo = p.Combo;
}

void ShowCombo(TRulesContext& g, TPlayerInfo& p) {
  g.Events.Add(reCombo, p.PlayerNo).Value = p.Combo;
}

void AddScoreRaw(TRulesContext& g, TPlayerInfo& p, int points) {
  p.Score = int(std::min<int64_t>(int64_t(p.Score) + points, kMaxScore));
  TRulesEvent& e = g.Events.Add(reScore, p.PlayerNo);
  e.Value = p.Score;
  e.Roll = points * 0.004;
}

void AddScore(TRulesContext& g, TPlayerInfo& p, int n) {
  AddScoreRaw(g, p, 10 * n * p.Chain);
  if (g.GameMode == 2)
    p.PowerGauge += n * g.Config.PowerIncPerBlock;
  else if (!p.RainbowMode)
    p.RainbowGauge += n * g.Config.RainbowIncPerBlock;
}

void PlayEraseSounds(TRulesContext& g, const TPlayerInfo& p) {
  char name[16];
  std::snprintf(name, sizeof name, "SE%.2X", unsigned(p.SeIndex));
  g.Events.Sound(name);
  std::snprintf(name, sizeof name, "VOICE%.2X", unsigned(p.VoiceBase + p.VoiceIndex));
  g.Events.Sound(name);
}

}  // namespace kq
