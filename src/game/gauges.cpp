#include "app/context.h"
#include "game/rules.h"

namespace kq {

// Placeholders until the gauge rules land.
void CreateHudSprites(GameContext&, TPlayerInfo&, int, int) {}
void SendHazards(GameContext&, TPlayerInfo&, int) {}
void DropHazards(GameContext&, TPlayerInfo&, int) {}
void EndCombo(GameContext&, TPlayerInfo&) {}
void TrimTick(GameContext&, TPlayerInfo& p) {
  p.Phase = gpPlay;
}
void RestoreTick(GameContext&, TPlayerInfo& p) {
  p.Phase = gpPlay;
}
void RainbowStartTest(GameContext&, TPlayerInfo&) {}
void EndRainbowMode(GameContext&, TPlayerInfo&) {}

}  // namespace kq
