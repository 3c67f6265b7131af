#include "core/tick_driver.h"

#include "core/context.h"

namespace kq {

ITickInput::~ITickInput() = default;
void ITickInput::Done(GameContext&) {}

void PollDevices(GameContext& g) {
  TDXInput* devices[2] = {&g.DXInput1, &g.DXInput2};
  for (size_t n = 0; n < 2; ++n) {
    if (TControlProgram* prog = g.ControlPrograms[n].get()) {
      if (g.Paused) continue;  // the computer waits with the game
      prog->Decide();
      devices[n]->Poll(*prog);
    } else if (g.Platform) {
      devices[n]->Poll(g.Platform->Input());
    }
  }
}

bool TDeviceInput::Latch(GameContext& g) {
  if (g.Platform && !g.Platform->CanDraw()) return false;
  PollDevices(g);
  return true;
}

void RunTick(GameContext& g, uint32_t now, int moveCount, ITickInput& input) {
  // The rules' clock leaves out the pauses of the game in play.
  g.FrameTime = now - g.ClockHeld;
  g.FrameRate.Tick(now);
  ++g.TickCount;
  if (!input.Latch(g)) return;
  const TScreenState state = g.ScreenState;
  if (!g.Screens.Find(state)) return;
  RunScreenUpdate(g, moveCount);
  // The clearing of the state the tick started in, even if the tick left it.
  EndFrameInput(g.DXInput1, g.DXInput2, g.Config, state == scPlay);
  input.Done(g);
}

void FrameTick(GameContext& g, uint32_t now, int moveCount) {
  TDeviceInput devices;
  RunTick(g, now, moveCount, devices);
}

}  // namespace kq
