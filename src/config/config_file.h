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

// Rivals remembered in [Network].
constexpr int kMaxRecentRivals = 4;
// A server or rival as the INI keeps it: printable, no spaces, at most 64 characters (else empty).
std::string CleanNetText(const std::string& s);
// Whether s reads as a match server's address: HOST, HOST:PORT or [IPv6]:PORT, clean as above,
// the port 1 to 65535.
bool ServerAddressOk(const std::string& s);
// Puts rival first in the recent list, once, keeping the newest few.
void RememberRival(TGameConfig& c, const std::string& rival);

// The settings to save into a file that changed since this run read base: theirs, with what
// the option screens changed in this run (ours against base) put over it.
TGameConfig MergeSettings(const TGameConfig& base, const TGameConfig& ours, const TGameConfig& theirs);

// The two halves on a profile already in memory.
TGameConfig ReadConfig(const TProfile& ini);
void WriteConfig(TProfile& ini, const TGameConfig& cfg);

}  // namespace kq
