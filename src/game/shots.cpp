#include <algorithm>
#include <cmath>

#include "game/rules.h"

namespace kq {

uint32_t FireShot(TRulesContext& g, TPlayerInfo& p, int col, int row, int shotType,
                  std::string_view pictureName) {
  (void)pictureName;  // the shot view picks the picture by the shot type
  const double sx = p.ShooterPlaced ? p.ShotFromX : p.FieldCenterX;
  const double sy = p.ShooterPlaced ? p.ShotFromY : 450;
  const double m = p.Cols / 2.0 - 0.5;

  TShot s;
  s.Serial = ++g.State.NextSerial;
  s.Owner = p.PlayerNo;
  s.X = sx;
  s.Y = sy;
  s.TargetCol = col;
  s.TargetRow = row;
  s.TargetX = CellX(p, col);
  s.TargetY = CellY(p, row);
  s.ShotType = uint8_t(shotType);
  ++p.ShotsInFlight;

  double d = 0;
  if (int(std::trunc(sx)) != s.TargetX) {
    s.Slope = (s.TargetY - sy) / (s.TargetX - sx);
    s.Intercept = s.TargetY - s.TargetX * s.Slope;
    if (s.TargetX > sx) {
      s.Direction = 4;
      d = col - m;
    } else {
      s.Direction = 3;
      d = m - col;
    }
  }
  // A target straight above the shooter, or one whose column distance gives no horizontal speed
  // (a shooter off the centre), flies the straight path so that it always arrives.
  if (d <= 0) {
    s.Direction = 1;
    d = row + 1;
  }
  s.Speed = d * 32 / std::max(1, g.Config.ShotSpeed);
  g.State.Shots.push_back(s);

  g.Events.Add(reShooter, p.PlayerNo);
  g.Events.Sound("SHOT");
  return s.Serial;
}

TShot* FindShot(TRulesContext& g, uint32_t serial) {
  for (TShot& s : g.State.Shots)
    if (s.Serial == serial) return &s;
  return nullptr;
}

namespace {

void EraseShotArrives(TRulesContext& g, TPlayerInfo& p, int col, int row) {
  const int n = EraseGroup(g, p, col, row);
  if (n == 0) {
    g.Events.Sound("B_FLICK");
    return;
  }
  AddCombo(p, n);
  p.Phase = gpErase;
  p.Chain = std::min(p.Chain + 1, 7);
  p.ShotChain = std::min(p.ShotChain + 1, 10);
  p.SeIndex = 1;
  p.VoiceIndex = std::min(p.VoiceIndex + 1, 11);
  if (p.Rival && p.Rival->Active && p.ShotChain >= 2) SendHazards(g, p, g.Config.HazardBlockChainAdd);
  PlayEraseSounds(g, p);
  ShowCombo(g, p);
  AddScore(g, p, n);
  CheckLevel(g, p);
}

void ChangeShotArrives(TRulesContext& g, TPlayerInfo& p, TBlock* b, uint8_t shotType) {
  if (!b) return;
  int k = b->Kind;
  const int last = g.Config.TotalBlockType - 1;
  if (!b->Hard && b->PatternSpeed == 0) {
    if (shotType == stChangeUp)
      k = k >= last ? 0 : k + 1;
    else
      k = k <= 0 ? last : k - 1;
  }
  b->Kind = k;
  g.Events.Sound(b->Hard ? "B_FLICK" : "B_CHANGE");
  if (p.AdvancedMode) {
    ++b->ChangeCount;
    if (b->ChangeCount > g.Config.BlockCapacity - 1) b->Hard = true;
  }
}

}  // namespace

void StepShot(TRulesContext& g, uint32_t serial, int elapsed) {
  TShot* shot = FindShot(g, serial);
  if (!shot || shot->Speed == 0) return;
  TShot& s = *shot;
  bool arrived = false;
  switch (s.Direction) {
    case 4:
      s.X += s.Speed * elapsed;
      s.Y = s.Slope * s.X + s.Intercept;
      arrived = s.X > s.TargetX;
      break;
    case 3:
      s.X -= s.Speed * elapsed;
      s.Y = s.Slope * s.X + s.Intercept;
      arrived = s.X < s.TargetX;
      break;
    default:
      s.Y -= s.Speed * elapsed;
      arrived = s.Y < s.TargetY;
      break;
  }
  if (!arrived) return;  // the position is not clamped: a long frame carries the shot past its cell

  // It acts once and goes; the acting may fire nothing, but take the values out first all the same.
  const TShot landed = s;
  std::erase_if(g.State.Shots, [&](const TShot& x) { return x.Serial == serial; });
  TRulesEvent& e = g.Events.Add(reShotLanded, landed.Owner);
  e.Col = landed.TargetCol;
  e.Row = landed.TargetRow;
  e.X = landed.X;
  e.Y = landed.Y;
  TPlayerInfo& p = g.State.Players[landed.Owner];
  TBlock* b = BlockAt(p, landed.TargetCol, landed.TargetRow);
  if (landed.ShotType == stErase) {
    if (b && p.Phase == gpPlay) EraseShotArrives(g, p, landed.TargetCol, landed.TargetRow);
  } else {
    ChangeShotArrives(g, p, b, landed.ShotType);
  }
  --p.ShotsInFlight;
}

}  // namespace kq
