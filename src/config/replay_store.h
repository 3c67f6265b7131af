#pragma once
// The folder of finished recordings: file names by date, time and mode, atomic writes, and the
// clean-up that keeps the newest recordings and those of results still in the ranking.
#include <string>
#include <vector>

#include "config/game_config.h"
#include "config/replay_file.h"

namespace kq {

constexpr size_t kReplaysKept = 50;

// "YYYYMMDD-HHMMSS-1P.kqr" or "...-VS.kqr" in local time; "-2", "-3" ... before the extension
// when the name is taken.
std::string ReplayFileName(const std::string& dir, int64_t date, int mode);

// Creates the folder, writes the file through a temporary one and renames it into place, then
// prunes. Returns the path written, or empty with the reason in error.
std::string SaveReplay(const std::string& dir, const TReplayHeader& h, const std::string& bytes,
                       const THiScoreTable& ranking, std::string& error);
// The same trying each folder in turn (the scores' folder, then their fallback); error names
// each folder that failed and, when one took the file, where it went.
std::string SaveReplay(const std::vector<std::string>& dirs, const TReplayHeader& h, const std::string& bytes,
                       const THiScoreTable& ranking, std::string& error);

// Whether a file name is one recordings are written under.
bool IsReplayFileName(const std::string& name);
// Removes what a save killed half-way left in dir (temporaries of recordings, of dead processes
// only); returns how many went.
int RemoveStaleReplayTemporaries(const std::string& dir);

// Deletes the recordings beyond the newest `keep`, except one-player games whose result still
// stands in the ranking (one recording per row). Files of other names are never touched.
void PruneReplays(const std::string& dir, const THiScoreTable& ranking, size_t keep = kReplaysKept);

// Names this folder's recordings are written under, newest first.
std::vector<std::string> ListReplays(const std::string& dir);

}  // namespace kq
