#include "app/context.h"
#include "game/rules.h"

namespace kq {

// Placeholders until the poker rules land.
void DealPokerCard(GameContext&, TPlayerInfo&, int) {}
void EvaluatePokerHand(TPlayerInfo&) {}

}  // namespace kq
