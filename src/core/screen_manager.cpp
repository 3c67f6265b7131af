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
  ForgetPlaySprites();
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

}  // namespace kq
