#pragma once
// What the game writes when it closes, and where it went.
#include <functional>
#include <string>
#include <vector>

#include "config/file_io.h"
#include "config/game_config.h"
#include "config/user_files.h"
#include "engine/random.h"

namespace kq {

struct TSaveReport {
  std::string SavedPath;              // where the file went; empty when every place failed
  std::vector<std::string> Failures;  // "Cannot write <path>: <reason>" per place that failed (translated)
  bool Lost() const { return SavedPath.empty(); }
  bool Moved() const { return !SavedPath.empty() && !Failures.empty(); }
};

// Tries file's places in order until write(path) does not throw EWriteError; the user folder is
// made (mode 0700) before its place is tried.
TSaveReport SaveToPlaces(const TUserFile& file, const std::function<void(const std::string&)>& write);

struct TExitSaveResult {
  TSaveReport Config;
  TSaveReport HiScores;
  // Something was not saved at all: the program must end with a failure status.
  bool Lost() const { return Config.Lost() || HiScores.Lost(); }
  // For stderr and the message box: what failed and where each file went instead; empty when
  // both went to their chosen places.
  std::string Message() const;
};

// The settings first, then the scores, which are saved even when the settings could not be:
// a settings failure must not cost the run's results. Never throws.
TExitSaveResult SaveAtExit(const TUserFiles& files, const TGameConfig& cfg, const THiScoreTable& scores,
                           TRandom& rng, const TFileOps& ops = SystemFileOps());
// The same with one place for each file.
TExitSaveResult SaveAtExit(const std::string& iniPath, const TGameConfig& cfg, const std::string& hiPath,
                           const THiScoreTable& scores, TRandom& rng);

}  // namespace kq
