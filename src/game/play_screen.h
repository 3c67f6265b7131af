#pragma once
// The play screen: a game from its start (EnterPlay) through its ticks (GameTick) to leaving.
#include "core/screen.h"

namespace kq {

class TPlayScreen : public TScreen {
 public:
  const char* Name() const override { return "play"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;
};

}  // namespace kq
