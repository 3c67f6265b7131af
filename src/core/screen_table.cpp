#include "core/context.h"

namespace kq {

namespace {

TScreenHandlers* Handlers(GameContext& g, TScreenState state) {
  return size_t(state) < g.Screens.size() ? &g.Screens[size_t(state)] : nullptr;
}

// Player 1's device, then player 2's: from the keyboard and pads, or from the computer player
// that plays it, which decides first.
void PollInputs(GameContext& g) {
  TDXInput* devices[2] = {&g.DXInput1, &g.DXInput2};
  for (size_t n = 0; n < 2; ++n) {
    if (TControlProgram* prog = g.ControlPrograms[n].get()) {
      prog->Decide();
      devices[n]->Poll(*prog);
    } else if (g.Platform) {
      devices[n]->Poll(g.Platform->Input());
    }
  }
}

}  // namespace

void GameContext::EnterState(TScreenState newState) {
  if (TScreenHandlers* h = Handlers(*this, ScreenState); h && h->Leave) h->Leave(*this, newState);
  // Every sprite belongs to one screen; the records must not keep pointers to freed sprites.
  ForgetPlaySprites();
  RetryYes = RetryNo = EndingPicture = TitleCursorSprite = nullptr;
  DXSpriteEngine1.ClearChildren();
  if (TScreenHandlers* h = Handlers(*this, newState); h && h->Enter) h->Enter(*this);
  DXInput1.States.reset();  // player 2's latches survive until the end of the frame
  ScreenState = newState;
}

void FrameTick(GameContext& g, uint32_t now, int moveCount) {
  g.FrameTime = now;
  g.FrameRate.Tick(now);
  ++g.TickCount;
  if (g.Platform && !g.Platform->CanDraw()) return;  // latched states wait for the next real tick
  PollInputs(g);
  const TScreenState state = g.ScreenState;
  TScreenHandlers* h = Handlers(g, state);
  if (!h || !h->Tick) return;
  h->Tick(g, moveCount);
  // The clearing of the state the tick started in, even if the handler left it.
  EndFrameInput(g.DXInput1, g.DXInput2, g.Config, state == scPlay);
}

}  // namespace kq
