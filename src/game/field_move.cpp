// The field's moving things as rules: blocks counting down their erase, falling and settling, and
// shots flying to their cells. They move once per tick after the timers, all of them in the order
// they were made, as the sprites that carried them used to.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "game/rules.h"

namespace kq {

namespace {

// The block's step: its erase animation, its fall, then counting the erase or settling a hazard.
void StepBlock(TRulesContext& g, TPlayerInfo& p, TBlock& b, int elapsed) {
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

// One step of a fade; true when it has ended for good (not turning back), when a bar goes.
bool StepFade(TFade& f, uint32_t now) {
  switch (f.Stage) {
    case 0:
    case 2: {
      if (f.StartTime == 0) return false;
      const double run = double(now - f.StartTime) * kFieldFadeRate;
      bool ended = false;
      if (f.FadeIn) {
        f.Alpha = float(run);
        if (run > 255) {
          f.Alpha = 255;
          ended = true;
        }
      } else {
        f.Alpha = float(255 - run);
        if (255 - run < 0) {
          f.Alpha = 0;
          ended = true;
        }
      }
      if (!ended) return false;
      f.StartTime = 0;
      const bool back = f.Stage == 0 && f.FadeBack;
      if (back) {
        f.FadeIn = !f.FadeIn;
        f.StartTime = now;
      }
      ++f.Stage;
      return !back;
    }
    case 1:
      if (now - f.StartTime > f.HoldTime) {
        f.StartTime = now;
        f.Stage = 2;
      }
      return false;
    default:
      return false;
  }
}

// A bar's step: opaque, the row's fade is done (a trimmed row shows its shade); a trim bar that
// has faded back counts its row as one to restore. Returns true when the bar goes.
bool StepBar(TRulesContext& g, TRowBar& bar) {
  TPlayerInfo& p = g.State.Players[bar.Owner & 1];
  const uint8_t before = bar.Fade.Stage;
  const bool gone = StepFade(bar.Fade, g.FrameTime);
  if (bar.Fade.Stage != before) {
    if (bar.Fade.Stage == 1) {
      p.Trimming = false;
      if (bar.Fade.FadeBack) ShowRowShade(g, p, bar.Row, true);
    } else if (bar.Fade.Stage == 3) {
      ++p.RestoreLeft;
    }
  }
  return gone;
}

void StepOverFade(TRulesContext& g, TOverFade& f) {
  StepFade(f.Fade, g.FrameTime);
  if (f.Darkened || f.Fade.Alpha <= 160) return;
  f.Fade.StartTime = 0;  // the darkening stops here
  f.Darkened = true;
  if (g.GameMode != 1) return;
  const TPlayerInfo& p = g.State.Players[f.Owner & 1];
  TRulesEvent& e = g.Events.Add(reGameOverDark, f.Owner);
  e.X = p.FieldCenterX;
  e.Y = p.FieldCenterY;
  g.Events.Sound("VOICE1C");
}

// A block whose step would change nothing: no animation, no fall, nothing to count or settle.
// Leaving it out keeps the ordering to the few that move; only a shot changes another block, so a
// block made after the first shot in flight keeps its turn (a landing may start its erase).
bool AtRest(const TBlock& b) {
  return b.PatternSpeed == 0 && b.Speed == 0 && !(b.Erased && !b.Counted) && !b.Hazard && b.PatternPos >= 0 &&
         b.PatternPos < 6;
}

enum TMoverKind : uint8_t { mkBlock, mkLeaving, mkShot, mkBar, mkOverFade };

struct TMover {
  uint32_t Serial;
  TMoverKind Kind;
  uint8_t Player;
  uint8_t Col, Row;  // a block's cell
  uint16_t Index;    // a leaving block's place in its list
};

}  // namespace

void StartRowBar(TRulesContext& g, TPlayerInfo& p, int row, bool trim) {
  TRowBar bar;
  bar.Serial = ++g.State.NextSerial;
  bar.Owner = p.PlayerNo;
  bar.Row = row;
  bar.Fade.FadeIn = trim;
  bar.Fade.FadeBack = trim;
  bar.Fade.HoldTime = trim ? uint32_t(g.Config.LineTrimingPeriod) : 0;
  bar.Fade.Alpha = trim ? 0 : 255;
  bar.Fade.StartTime = g.FrameTime != 0 ? g.FrameTime : 1;  // 0 means not running
  g.State.Bars.push_back(bar);
  p.Trimming = true;
}

void StartOverFade(TRulesContext& g, TPlayerInfo& p) {
  TOverFade f;
  f.Serial = ++g.State.NextSerial;
  f.Owner = p.PlayerNo;
  f.Fade.FadeIn = true;
  f.Fade.StartTime = g.FrameTime != 0 ? g.FrameTime : 1;
  g.State.OverFades.push_back(f);
}

TBlock* CreateBlock(TRulesContext& g, TPlayerInfo& p, int col, int row, int kind, bool hard) {
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

void TakeBlock(TRulesContext& g, TPlayerInfo& p, int col, int row) {
  TBlock* b = BlockAt(p, col, row);
  if (!b) return;
  g.State.Leaving.push_back({p.PlayerNo, *b});
  *b = TBlock{};
}

void MoveField(TRulesContext& g, int moveCount) {
  TGameState& s = g.State;
  TMover movers[2 * kMaxCols * kFieldRows + 64];
  size_t n = 0;
  constexpr size_t kMax = sizeof movers / sizeof movers[0];
  uint32_t firstShot = UINT32_MAX;
  for (const TShot& shot : s.Shots) firstShot = std::min(firstShot, shot.Serial);
  for (uint8_t pn = 0; pn < 2; ++pn) {
    const TPlayerInfo& p = s.Players[pn];
    for (uint8_t c = 0; c < kMaxCols; ++c)
      for (uint8_t r = 0; r < kFieldRows; ++r)
        if (const TBlock& b = p.Cells[c][r]; b.Serial && (b.Serial > firstShot || !AtRest(b)))
          movers[n++] = {b.Serial, mkBlock, pn, c, r, 0};
  }
  for (size_t i = 0; i < s.Leaving.size() && n < kMax; ++i)
    movers[n++] = {s.Leaving[i].Block.Serial, mkLeaving, s.Leaving[i].Player, 0, 0, uint16_t(i)};
  for (const TShot& shot : s.Shots)
    if (n < kMax) movers[n++] = {shot.Serial, mkShot, shot.Owner, 0, 0, 0};
  for (const TRowBar& bar : s.Bars)
    if (n < kMax) movers[n++] = {bar.Serial, mkBar, bar.Owner, 0, 0, 0};
  for (const TOverFade& f : s.OverFades)
    if (n < kMax) movers[n++] = {f.Serial, mkOverFade, f.Owner, 0, 0, 0};
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
      case mkBar:
        for (size_t k = 0; k < s.Bars.size(); ++k)
          if (s.Bars[k].Serial == m.Serial) {
            if (StepBar(g, s.Bars[k])) s.Bars.erase(s.Bars.begin() + ptrdiff_t(k));
            break;
          }
        break;
      case mkOverFade:
        for (TOverFade& f : s.OverFades)
          if (f.Serial == m.Serial) StepOverFade(g, f);
        break;
    }
  }
  s.Leaving.clear();  // what left the fields has made its last step
}

}  // namespace kq
