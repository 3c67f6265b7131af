#include "sprites/hud_sprites.h"

#include "app/context.h"

namespace kq {

// Minimal bodies until the HUD lands.
TNumSprite::TNumSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}
void TNumSprite::Advance(int elapsed) { TImageSprite::Advance(elapsed); }
void TNumSprite::SetValue(int64_t v) {
  RollMode = v >= Value ? 1 : 2;
  OldValue = Value;
  Shown = Value;
  Value = v;
}
void TNumSprite::ResetNumber(double speed) {
  Value = Shown = OldValue = 0;
  RollMode = 0;
  if (speed > 0) RollSpeed = speed;
}
void TScoreSprite::Render() {}
TComboNumSprite::TComboNumSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}
void TComboNumSprite::Advance(int elapsed) { TImageSprite::Advance(elapsed); }
void TComboSprite::Advance(int elapsed) { TNumSprite::Advance(elapsed); }
void TComboSprite::Clear() { ResetNumber(0); }
void THazardBlockCountSprite::SetValue(int64_t v) { TNumSprite::SetValue(v); }
void THazardBlockCountSprite::Advance(int elapsed) { TNumSprite::Advance(elapsed); }
void THazardBlockCountSprite::Render() {}
void THazardBlockCountSprite::Pulse() {}
TLevelSprite::TLevelSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}
void TLevelSprite::Render() {}
TGaugeSprite::TGaugeSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}
void TGaugeSprite::Render() {}
void TChainGaugeSprite::Advance(int elapsed) { TImageSprite::Advance(elapsed); }
void TRainbowGaugeSprite::Advance(int elapsed) { TImageSprite::Advance(elapsed); }

}  // namespace kq
