#include "app/context.h"
#include "sprites/hud_sprites.h"

namespace kq {

// Minimal bodies until the poker display lands.
TPokerSprite::TPokerSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}
void TPokerSprite::Advance(int elapsed) { TImageSprite::Advance(elapsed); }
void TPokerSprite::Render() {}

}  // namespace kq
