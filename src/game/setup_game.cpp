#include "app/context.h"
#include "game/rules.h"

namespace kq {

bool SetupGame(GameContext&) { return true; }
void CompleteGameStart(GameContext&) {}
void LeavePlay(GameContext& g) {
  g.Player1P.FallingList.clear();
  g.Player2P.FallingList.clear();
}

}  // namespace kq
