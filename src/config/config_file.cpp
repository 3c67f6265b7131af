#include "config/config_file.h"

namespace kq {

// Placeholder until the profile reader lands: defaults and a one-level table.
void LoadConfig(const std::string&, const std::string&, TGameConfig& cfg, TLevelTable& table) {
  cfg = TGameConfig{};
  table = {TLevelEntry{cfg.HardBlockRatio, 70, cfg.LineUpInterval}};
}

void SaveConfig(const std::string&, const TGameConfig&) {}

}  // namespace kq
