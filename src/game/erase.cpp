#include <algorithm>
#include <cstdio>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"

namespace kq {

namespace {

struct TDustParticle {
  int EndDx, Speed, PeakDx, PeakDy;
};

// Three bursts of four particles, relative to the erased start block.
constexpr TDustParticle kDustPatterns[3][4] = {
    {{-80, -4, -42, -77}, {-47, -2, -28, -81}, {80, 4, 39, -78}, {96, 4, 73, -75}},
    {{-84, -4, -49, -114}, {-84, -4, -85, -53}, {59, 3, 32, -58}, {46, 3, 55, -96}},
    {{-104, -5, -107, -36}, {-71, -3, -46, -79}, {77, 3, 64, -104}, {105, 4, 100, -56}},
};

void MarkErased(TPlayerInfo& p, TBlock& b) {
  if (b.Erased) return;  // never count one block twice, or the erase wait would never end
  b.Erased = true;
  b.PatternSpeed = 0.01;
  ++p.ErasingCount;
}

void SpawnDust(GameContext& g, const TPlayerInfo& p, const TBlock& b) {
  const int pattern = g.FxRng.Random(3);
  const double bx = CellX(p, b.Col);
  const int x = int(bx), y = int(b.Y);
  for (const TDustParticle& d : kDustPatterns[pattern]) {
    auto* s = new TDustSprite(g, &g.DXSpriteEngine1);
    InitTextureSprite(*s, &g.DustTex, 32, 32, 0, 0.05, false, 999, 9, -200, -200);
    s->Setup(bx, y, x + d.PeakDx, y + d.PeakDy, x + d.EndDx, d.Speed);
  }
}

void ClearVisited(TPlayerInfo& p) {
  for (auto& col : p.Visited) col.fill(0);
}

void FloodFrom(GameContext& g, int col, int row, int& count, bool mark, TPlayerInfo& p, int kind) {
  FloodGroup(g, 1, col, row + 1, count, mark, p, kind);
  FloodGroup(g, 2, col, row - 1, count, mark, p, kind);
  FloodGroup(g, 3, col - 1, row, count, mark, p, kind);
  FloodGroup(g, 4, col + 1, row, count, mark, p, kind);
}

}  // namespace

void FloodGroup(GameContext& g, int direction, int col, int row, int& count, bool mark, TPlayerInfo& p,
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

int EraseGroup(GameContext& g, TPlayerInfo& p, int col, int row) {
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
  if (g.Config.UseDirect3D) SpawnDust(g, p, *b);
  return count;
}

void AddCombo(TPlayerInfo& p, int n) {
  p.Combo += n;
  if (p.Combo > p.MaxCombo) p.MaxCombo = p.Combo;
}

void ShowCombo(GameContext& g, TPlayerInfo& p) {
  if (TComboSprite* combo = g.View(p).ComboSprite) combo->SetValue(int64_t(p.Combo) * 10000);
}

void AddScoreRaw(GameContext& g, TPlayerInfo& p, int points) {
  p.Score = int(std::min<int64_t>(int64_t(p.Score) + points, kMaxScore));
  if (TScoreSprite* score = g.View(p).ScoreSprite) {
    score->RollSpeed = points * 0.004;
    score->SetValue(int64_t(p.Score) * 10000);
  }
}

void AddScore(GameContext& g, TPlayerInfo& p, int n) {
  AddScoreRaw(g, p, 10 * n * p.Chain);
  if (g.GameMode == 2)
    p.PowerGauge += n * g.Config.PowerIncPerBlock;
  else if (!p.RainbowMode)
    p.RainbowGauge += n * g.Config.RainbowIncPerBlock;
}

void PlayEraseSounds(GameContext& g, const TPlayerInfo& p) {
  char name[16];
  std::snprintf(name, sizeof name, "SE%.2X", unsigned(p.SeIndex));
  g.PlaySound(name);
  std::snprintf(name, sizeof name, "VOICE%.2X", unsigned(p.VoiceBase + p.VoiceIndex));
  g.PlaySound(name);
}

}  // namespace kq
