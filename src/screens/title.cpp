#include "app/context.h"
#include "screens/screens.h"

namespace kq {

void EnterTitle(GameContext&) {}
void TitleTick(GameContext&, int) {}
void EnterOpening(GameContext&) {}
void OpeningTick(GameContext&, int) {}

}  // namespace kq
