#include "app/context.h"
#include "screens/screens.h"

namespace kq {

void EnterRanking(GameContext&) {}
void RankingTick(GameContext&, int) {}

}  // namespace kq
