#include "app/context.h"
#include "game/rules.h"

namespace kq {

void GameTick(GameContext&, int) {}

}  // namespace kq
