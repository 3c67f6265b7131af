#include "app/main_loop.h"

#include "app/context.h"

namespace kq {

int RunProgram(int, char**) { return 0; }
void FrameTick(GameContext&, uint32_t, int) {}

}  // namespace kq
