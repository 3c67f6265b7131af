#include <cmath>
#include <string>

#include "core/context.h"
#include "sprites/hud_sprites.h"

namespace kq {

TPokerSprite::TPokerSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TPokerSprite::Render() {
  Canvas* c = Engine ? Engine->Surface : nullptr;
  if (!c) return;
  const TImageList& list = G.DXImageList1;
  int x = int(std::trunc(X)), y = int(std::trunc(Y));

  if (const TPictureItem* rim = list.Find("POKER_RIM1"))
    for (int i = 0; i < 5; ++i) rim->Draw(*c, x + 40 * i + 1, y + 1, i);
  if (const TPictureItem* rim = list.Find("POKER_RIM2")) rim->Draw(*c, x + 15, y + 53, 0);

  // One card: the number block of its kind at rest, as a texture quad in 3-D mode.
  auto drawCard = [&](char digit, int cx, int cy) {
    if (digit < '0' || digit > '6') return;
    int kind = digit - '0';
    if (G.Config.UseDirect3D) {
      const TImage& tex = G.BlockTexN[size_t(kind)][1];
      if (!tex.Pixels().Empty()) {
        c->DrawImage(tex, {0, 0, tex.Width(), tex.Height()}, {double(cx), double(cy), 32, 32}, 255,
                     BlendMode::Alpha, 0xFFFFFF);
        return;
      }
    }
    if (const TPictureItem* block = list.Find(std::string("BLOCK_N") + digit)) block->Draw(*c, cx, cy, 1);
  };

  if (!Owner) return;
  const std::string& cards = Owner->PokerCards;
  for (size_t i = 0; i < cards.size() && i < 5; ++i) drawCard(cards[i], x + 40 * int(i), y);
  // The sorted hand blinks with the sprite's two-pattern clock.
  if (PatternPos >= 1) {
    const std::string& sorted = Owner->PokerSorted;
    for (size_t i = 0; i < sorted.size() && i < 5; ++i) drawCard(sorted[i], x + 14 + 33 * int(i), y + 52);
  }
  if (Owner->PokerState == 2 && Owner->PokerHand > 0)
    if (const TPictureItem* name = list.Find("STR_POKER"))
      name->Draw(*c, x + 14, y + 90, Owner->PokerHand - 1);
}

}  // namespace kq
