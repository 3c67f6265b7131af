#include "core/context.h"
#include "core/screen.h"

namespace kq {

TScreen::~TScreen() = default;
void TScreen::Enter(GameContext&, TScreenState) {}
void TScreen::Leave(GameContext&, TScreenState) {}

void TScreen::Draw(GameContext& g) {
  Canvas* c = g.ScreenCanvas();
  if (!c) return;
  g.DXSpriteEngine1.Surface = c;
  c->Clear(0);
  g.DXSpriteEngine1.DrawSprites();
  g.Platform->Present();
}

void TScreenManager::Register(TScreenState state, std::unique_ptr<TScreen> screen) {
  if (size_t(state) < screens_.size()) screens_[size_t(state)] = std::move(screen);
}

const char* TScreenManager::Name(TScreenState state) const {
  const TScreen* s = Find(state);
  return s ? s->Name() : "none";
}

namespace {

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
  if (Screens.updating_) {
    Screens.requested_ = true;
    Screens.next_ = newState;
    return;
  }
  ChangeState(newState);
}

void GameContext::ChangeState(TScreenState newState) {
  if (TScreen* s = Screens.Find(ScreenState)) s->Leave(*this, newState);
  // Every sprite belongs to one screen; the records must not keep pointers to freed sprites.
  Player1P.ForgetSprites();
  Player2P.ForgetSprites();
  RetryYes = RetryNo = EndingPicture = nullptr;
  DXSpriteEngine1.ClearChildren();
  if (TScreen* s = Screens.Find(newState)) s->Enter(*this, ScreenState);
  DXInput1.States.reset();  // player 2's latches survive until the end of the frame
  ScreenState = newState;
}

void RunScreenUpdate(GameContext& g, int moveCount) {
  TScreenManager& m = g.Screens;
  TScreen* s = m.Find(g.ScreenState);
  if (!s) return;
  m.updating_ = true;
  m.requested_ = false;
  try {
    s->Update(g, moveCount);
  } catch (...) {
    // A tick that threw changes no screen; the program's handler decides what happens next.
    m.updating_ = m.requested_ = false;
    throw;
  }
  m.updating_ = false;
  if (m.requested_) {
    m.requested_ = false;
    g.ChangeState(m.next_);
  }
}

void FrameTick(GameContext& g, uint32_t now, int moveCount) {
  g.FrameTime = now;
  g.FrameRate.Tick(now);
  ++g.TickCount;
  if (g.Platform && !g.Platform->CanDraw()) return;  // latched states wait for the next real tick
  PollInputs(g);
  const TScreenState state = g.ScreenState;
  if (!g.Screens.Find(state)) return;
  RunScreenUpdate(g, moveCount);
  // The clearing of the state the tick started in, even if the tick left it.
  EndFrameInput(g.DXInput1, g.DXInput2, g.Config, state == scPlay);
}

}  // namespace kq
