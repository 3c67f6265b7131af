// Any bytes as LevelUp.def: one to 999 levels, each inside its ranges, or the one-level fallback.
#include <cstdint>
#include <string>

#include "config/level_table.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  TGameConfig cfg;
  cfg.HardBlockRatio = 0;  // out of a level's range, so the fallback is told apart
  const TLevelTable t =
      BuildLevelTable(TProfile(std::string(reinterpret_cast<const char*>(data), size)), cfg);
  KQ_FUZZ_CHECK(!t.empty() && t.size() <= static_cast<size_t>(kMaxLevels));
  if (t.size() == 1 && t[0].HardBlockRatio == 0) {
    KQ_FUZZ_CHECK(t[0].NeedBlock == 70 && t[0].LineUpInterval == cfg.LineUpInterval);
    return 0;
  }
  for (const TLevelEntry& e : t) {
    KQ_FUZZ_CHECK(e.HardBlockRatio >= 1 && e.HardBlockRatio <= 100);
    KQ_FUZZ_CHECK(e.NeedBlock >= 1 && e.NeedBlock <= 999);
    KQ_FUZZ_CHECK(e.LineUpInterval >= 100 && e.LineUpInterval <= 100000);
  }
  return 0;
}
