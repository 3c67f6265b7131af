#pragma once
// The level table: LevelUp.def beside the executable, or the table built into the program.
#include <string_view>

#include "config/game_config.h"
#include "config/profile.h"

namespace kq {

// Levels a table can hold; sections beyond LEVEL999 are never read.
constexpr int kMaxLevels = 999;

// The built-in table, data/LevelUp.def, as profile text: [Level001] to [Level200], [Level013] twice.
std::string_view DefaultLevelTableText();

// Reads LEVEL001, LEVEL002, ... until a section is missing or holds a value out of range; an
// empty result becomes one level from cfg's HardBlockRatio and LineUpInterval with NeedBlock 70.
TLevelTable BuildLevelTable(const TProfile& def, const TGameConfig& cfg);

}  // namespace kq
