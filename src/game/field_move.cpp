// The field's moving things as rules: blocks counting down their erase, falling and settling, and
// shots flying to their cells. They move once per tick after the timers, all of them in the order
// they were made, as the sprites that carried them used to.
#include <algorithm>
#include <cstdio>

#include "core/context.h"
#include "game/rules.h"

namespace kq {

namespace {

// The block's step: its erase animation, its fall, then counting the erase or settling a hazard.
void StepBlock(GameContext& g, TPlayerInfo& p, TBlock& b, int elapsed) {
  constexpr int kPatterns = 6;  // positions 0..5; 5 is past the last drawn one
  b.PatternPos += b.PatternSpeed * elapsed;
  if (b.PatternPos >= kPatterns) {
    b.PatternPos = kPatterns - 1;
    b.PatternSpeed = 0;
  }
  if (b.PatternPos < 0) {
    b.PatternPos = 0;
    b.PatternSpeed = 0;
  }
  if (b.Speed != 0) {
    b.Y += b.Speed * elapsed;
    if (b.Y > b.TargetY) {
      b.Y = b.TargetY;
      b.Speed = 0;
    }
  }
  if (b.Erased && b.PatternPos >= 5 && !b.Counted) {
    --p.ErasingCount;
    b.Counted = true;
  } else if (b.Hazard && b.HazardTime < g.FrameTime) {
    b.Kind = g.Rng.Random(g.Config.TotalBlockType);
    b.Hazard = false;
    b.HazardTime = 0;
  }
}

enum TMoverKind : uint8_t { mkBlock, mkLeaving, mkShot };

struct TMover {
  uint32_t Serial;
  TMoverKind Kind;
  uint8_t Player;
  uint8_t Col, Row;  // a block's cell
  uint16_t Index;    // a leaving block's place in its list
};

}  // namespace

TBlock* CreateBlock(GameContext& g, TPlayerInfo& p, int col, int row, int kind, bool hard) {
  if (col < 0 || col >= kMaxCols || row < 0 || row >= kFieldRows) return nullptr;
  TakeBlock(g, p, col, row);  // never two blocks in one cell
  TBlock& b = p.Cells[size_t(col)][size_t(row)];
  b = TBlock{};
  b.Serial = ++g.State.NextSerial;
  b.Kind = kind;
  b.Hard = hard;
  b.Col = col;
  b.Row = row;
  b.TargetRow = row;
  b.Y = CellY(p, row);
  b.TargetY = CellY(p, row);
  return &b;
}

void TakeBlock(GameContext& g, TPlayerInfo& p, int col, int row) {
  TBlock* b = BlockAt(p, col, row);
  if (!b) return;
  g.State.Leaving.push_back({p.PlayerNo, *b});
  *b = TBlock{};
}

void MoveField(GameContext& g, int moveCount) {
  TGameState& s = g.State;
  TMover movers[2 * kMaxCols * kFieldRows + 64];
  size_t n = 0;
  constexpr size_t kMax = sizeof movers / sizeof movers[0];
  for (uint8_t pn = 0; pn < 2; ++pn) {
    const TPlayerInfo& p = s.Players[pn];
    for (uint8_t c = 0; c < kMaxCols; ++c)
      for (uint8_t r = 0; r < kFieldRows; ++r)
        if (const TBlock& b = p.Cells[c][r]; b.Serial) movers[n++] = {b.Serial, mkBlock, pn, c, r, 0};
  }
  for (size_t i = 0; i < s.Leaving.size() && n < kMax; ++i)
    movers[n++] = {s.Leaving[i].Block.Serial, mkLeaving, s.Leaving[i].Player, 0, 0, uint16_t(i)};
  for (const TShot& shot : s.Shots)
    if (n < kMax) movers[n++] = {shot.Serial, mkShot, shot.Owner, 0, 0, 0};
  std::sort(movers, movers + n, [](const TMover& a, const TMover& b) { return a.Serial < b.Serial; });

  for (size_t i = 0; i < n; ++i) {
    const TMover& m = movers[i];
    TPlayerInfo& p = s.Players[m.Player];
    switch (m.Kind) {
      case mkBlock: {
        TBlock& b = p.Cells[m.Col][m.Row];
        if (b.Serial == m.Serial) StepBlock(g, p, b, moveCount);
        break;
      }
      case mkLeaving:
        StepBlock(g, p, s.Leaving[m.Index].Block, moveCount);
        break;
      case mkShot:
        StepShot(g, m.Serial, moveCount);
        break;
    }
  }
  s.Leaving.clear();  // what left the fields has made its last step
}

}  // namespace kq
