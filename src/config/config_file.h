#pragma once
// The INI file and the level table.
#include <string>

#include "config/file_io.h"
#include "config/game_config.h"
#include "config/profile.h"

namespace kq {

// Reads every setting (missing or out-of-range values take their defaults), then builds the
// level table from levelDefPath when that file exists, else from the built-in table.
void LoadConfig(const std::string& iniPath, const std::string& levelDefPath, TGameConfig& cfg,
                TLevelTable& table);
// Writes the written-back keys, keeping every other line of the file; throws EWriteError
// ("%s に書き込めません") and then leaves the file as it was. When iniPath does not exist yet, the
// text of seedPath (the file read at start-up, elsewhere) is the starting point.
void SaveConfig(const std::string& iniPath, const TGameConfig& cfg, const std::string& seedPath = {},
                const TFileOps& ops = SystemFileOps());

// The settings to save into a file that changed since this run read base: theirs, with what
// the option screens changed in this run (ours against base) put over it.
TGameConfig MergeSettings(const TGameConfig& base, const TGameConfig& ours, const TGameConfig& theirs);

// The two halves on a profile already in memory.
TGameConfig ReadConfig(const TProfile& ini);
void WriteConfig(TProfile& ini, const TGameConfig& cfg);

}  // namespace kq
