#include "app/context.h"
#include "screens/screens.h"

namespace kq {

void BuildOptionItems(GameContext&) {}
void EnterOptions(GameContext&) {}
void OptionsTick(GameContext&, int) {}
void EnterKeyAssign(GameContext&) {}
void KeyAssignTick(GameContext&, int) {}
void EnterPadAssign(GameContext&) {}
void PadAssignTick(GameContext&, int) {}

}  // namespace kq
