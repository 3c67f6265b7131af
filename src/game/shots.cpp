#include <algorithm>
#include <cmath>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"

namespace kq {

TShotSprite::TShotSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

TShotSprite* FireShot(GameContext& g, TPlayerInfo& p, int col, int row, int shotType,
                      std::string_view pictureName) {
  TImageSprite* shooter = g.View(p).Shooter;
  const double sx = shooter ? shooter->X : p.FieldCenterX;
  const int halfHeight = shooter ? shooter->Height / 2 : 0;  // whole pixels
  const double sy = shooter ? shooter->Y - halfHeight : 450;
  const double m = p.Cols / 2.0 - 0.5;

  auto* s = NewPictureSprite<TShotSprite>(g, pictureName, sx, sy, 7, 1);
  s->Owner = &p;
  s->TargetCol = col;
  s->TargetRow = row;
  s->TargetX = CellX(p, col);
  s->TargetY = CellY(p, row);
  s->ShotType = uint8_t(shotType);
  ++p.ShotsInFlight;

  double d = 0;
  if (int(std::trunc(sx)) != s->TargetX) {
    s->Slope = (s->TargetY - sy) / (s->TargetX - sx);
    s->Intercept = s->TargetY - s->TargetX * s->Slope;
    if (s->TargetX > sx) {
      s->Direction = 4;
      d = col - m;
    } else {
      s->Direction = 3;
      d = m - col;
    }
  }
  // A target straight above the shooter, or one whose column distance gives no horizontal speed
  // (a shooter off the centre), flies the straight path so that it always arrives.
  if (d <= 0) {
    s->Direction = 1;
    d = row + 1;
  }
  s->Speed = d * 32 / std::max(1, g.Config.ShotSpeed);

  if (shooter) {
    shooter->PatternPos = 0;
    shooter->PatternSpeed = 0.007;
  }
  g.PlaySound("SHOT");
  return s;
}

namespace {

void EraseShotArrives(GameContext& g, TPlayerInfo& p, int col, int row) {
  const int n = EraseGroup(g, p, col, row);
  if (n == 0) {
    g.PlaySound("B_FLICK");
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

void ChangeShotArrives(GameContext& g, TPlayerInfo& p, TBlockSprite* b, uint8_t shotType) {
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
  g.PlaySound(b->Hard ? "B_FLICK" : "B_CHANGE");
  if (p.AdvancedMode) {
    ++b->ChangeCount;
    if (b->ChangeCount > g.Config.BlockCapacity - 1) b->Hard = true;
  }
}

}  // namespace

void TShotSprite::Advance(int elapsed) {
  TImageSprite::Advance(elapsed);
  if (Speed == 0) return;
  bool arrived = false;
  switch (Direction) {
    case 4:
      X += Speed * elapsed;
      Y = Slope * X + Intercept;
      arrived = X > TargetX;
      break;
    case 3:
      X -= Speed * elapsed;
      Y = Slope * X + Intercept;
      arrived = X < TargetX;
      break;
    default:
      Y -= Speed * elapsed;
      arrived = Y < TargetY;
      break;
  }
  if (!arrived) return;  // the position is not clamped: a long frame carries the shot past its cell

  Speed = 0;  // acts once, even before the sweep frees it
  if (Owner) {
    TPlayerInfo& p = *Owner;
    TBlockSprite* b = nullptr;
    if (TargetCol >= 0 && TargetCol < kMaxCols && TargetRow >= 0 && TargetRow < kFieldRows)
      b = p.Cells[size_t(TargetCol)][size_t(TargetRow)];
    if (ShotType == stErase) {
      if (b && p.Phase == gpPlay) EraseShotArrives(G, p, TargetCol, TargetRow);
    } else {
      ChangeShotArrives(G, p, b, ShotType);
    }
    --p.ShotsInFlight;
  }
  Kill();
}

}  // namespace kq
