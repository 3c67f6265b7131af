#include "app/context.h"
#include "screens/screens.h"

namespace kq {

void EnterRules(GameContext&) {}
void RulesTick(GameContext&, int) {}

}  // namespace kq
