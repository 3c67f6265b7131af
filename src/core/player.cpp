#include "core/player.h"

namespace kq {

void TPlayerInfo::ForgetSprites() {
  Sight = nullptr;
  Shooter = nullptr;
  ChainGaugeSprite = nullptr;
  PowerGaugeSprite = nullptr;
  RainbowGaugeSprite = nullptr;
  ComboSprite = nullptr;
  for (auto& col : Cells) col.fill(nullptr);
  ScoreSprite = nullptr;
  RowShades.fill(nullptr);
  HazardIcon = nullptr;
  HazardCountSprite = nullptr;
  LevelSprite = nullptr;
  PokerSprite = nullptr;
  DangerSprite = nullptr;
  RainbowSprite = nullptr;
  FallingList.clear();
}

}  // namespace kq
