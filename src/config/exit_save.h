#pragma once
// What the game writes when it closes.
#include <string>

#include "config/game_config.h"
#include "engine/random.h"

namespace kq {

struct TExitSaveResult {
  std::string ConfigError;   // "%s に書き込めません" for the INI file, empty when it was written
  std::string HiScoreError;  // the same for the high-score file
};

// The settings first, then the scores, which are saved even when the settings could not be:
// a settings failure must not cost the run's results. Never throws; the caller shows the
// errors once both writes were tried and still exits normally.
TExitSaveResult SaveAtExit(const std::string& iniPath, const TGameConfig& cfg, const std::string& hiPath,
                           const THiScoreTable& scores, TRandom& rng);

}  // namespace kq
