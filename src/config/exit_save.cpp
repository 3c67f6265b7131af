#include "config/exit_save.h"

#include "config/config_file.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "engine/errors.h"

namespace kq {

TExitSaveResult SaveAtExit(const std::string& iniPath, const TGameConfig& cfg, const std::string& hiPath,
                           const THiScoreTable& scores, TRandom& rng) {
  TExitSaveResult r;
  try {
    SaveConfig(iniPath, cfg);
  } catch (const EWriteError& e) {
    r.ConfigError = e.what();
  }
  if (!SaveHiScores(hiPath, scores, rng)) r.HiScoreError = WriteErrorText(hiPath);
  return r;
}

}  // namespace kq
