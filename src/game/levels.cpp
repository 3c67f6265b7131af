#include "app/context.h"
#include "game/rules.h"

namespace kq {

// Placeholders until the level rules land.
void CheckLevel(GameContext& g, TPlayerInfo& p) {
  if (p.Level == 0 && !g.LevelTable.empty()) {
    p.Level = 1;
    p.LvHardBlockRatio = g.LevelTable[0].HardBlockRatio;
    p.LvNeedBlock = g.LevelTable[0].NeedBlock;
    p.LvLineUpInterval = g.LevelTable[0].LineUpInterval;
  }
}
bool EndingTest(GameContext&, TPlayerInfo&) {
  return false;
}
void EndingTick(GameContext&, TPlayerInfo&) {}

}  // namespace kq
