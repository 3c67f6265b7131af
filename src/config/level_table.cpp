#include "config/level_table.h"

#include <cstddef>
#include <cstdio>

namespace kq {

// data/LevelUp.def, embedded at build time (level_up_def.cpp in the build tree).
extern const unsigned char kLevelUpDef[];
extern const std::size_t kLevelUpDefSize;

namespace {

int LevelValue(const TProfile& def, const char* section, const char* key, int lo, int hi) {
  auto v = def.ReadInteger(section, key);
  return v && *v >= lo && *v <= hi ? *v : 0;
}

}  // namespace

std::string_view DefaultLevelTableText() {
  return {reinterpret_cast<const char*>(kLevelUpDef), kLevelUpDefSize};
}

TLevelTable BuildLevelTable(const TProfile& def, const TGameConfig& cfg) {
  TLevelTable table;
  for (int n = 1; n <= kMaxLevels; ++n) {
    char section[16];
    std::snprintf(section, sizeof section, "LEVEL%.3d", n);
    TLevelEntry e;
    e.HardBlockRatio = LevelValue(def, section, "HardBlockRatio", 1, 100);
    e.NeedBlock = LevelValue(def, section, "NeedBlock", 1, 999);
    e.LineUpInterval = LevelValue(def, section, "LineUpInterval", 100, 100000);
    if (e.HardBlockRatio == 0 || e.NeedBlock == 0 || e.LineUpInterval == 0) break;
    table.push_back(e);
  }
  if (table.empty()) table.push_back(TLevelEntry{cfg.HardBlockRatio, 70, cfg.LineUpInterval});
  return table;
}

}  // namespace kq
