#include <algorithm>
#include <cstdio>

#include "game/field_groups.h"
#include "game/rules.h"

namespace kq {

namespace {

void MarkErased(TPlayerInfo& p, TBlock& b) {
  if (b.Erased) return;  // never count one block twice, or the erase wait would never end
  b.Erased = true;
  b.PatternSpeed = 0.01;
  ++p.ErasingCount;
}

}  // namespace

int EraseGroup(TRulesContext& g, TPlayerInfo& p, int col, int row) {
  if (col < 0 || col >= p.Cols || col >= kMaxCols || row < 0 || row >= p.Rows || row >= kFieldRows) return 0;
  TBlock* b = BlockAt(p, col, row);
  if (!b || b->Erased || b->Hazard) return 0;

  TCellMask group;
  const int count = FloodGroup(
      [&](int c, int r) {
        const TBlock& x = p.Cells[size_t(c)][size_t(r)];
        return x.Serial ? x.Kind : -1;
      },
      p.Cols, p.Rows, col, row, group);
  const int limit = p.RainbowMode ? g.Config.EraseLowerLimitRainbow : g.Config.EraseLowerLimit;
  if (count < limit) return 0;
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = 0; r < kFieldRows; ++r)
      if (group.Test(c, r)) MarkErased(p, p.Cells[size_t(c)][size_t(r)]);

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
