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
// when the name is taken. A kept recording carries "-keep" before the extension.
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

// Deletes the recordings beyond the newest `keep`, except kept ones (which do not count) and
// one-player games whose result still stands in the ranking (one recording per row). Files of
// other names are never touched.
void PruneReplays(const std::string& dir, const THiScoreTable& ranking, size_t keep = kReplaysKept);

// Names this folder's recordings are written under, newest first.
std::vector<std::string> ListReplays(const std::string& dir);

// One file of the replays list. Listing reads names only; the header is read on demand.
struct TReplayEntry {
  std::string File;   // name in the folder
  std::string Stamp;  // YYYYMMDDHHMMSS, local time: from the name, else the file's change time
  bool Kept = false;  // named as kept: never pruned
  bool HeaderRead = false;
  bool Valid = false;   // the header reads as a recording this game can show
  std::string Problem;  // why not ("not a replay file", "cannot read the file" ...)
  TReplayHeader Header;
};

// Every *.kqr file of the folder (recordings, and files that only claim to be), newest first.
std::vector<TReplayEntry> IndexReplays(const std::string& dir);
// Reads the entry's header once (later calls do nothing).
void ReadEntryHeader(const std::string& dir, TReplayEntry& e);

// Marks a recording kept (or not) by its name; the entry follows the new name. False with the
// reason in error when the file cannot be renamed.
bool SetReplayKept(const std::string& dir, TReplayEntry& e, bool kept, std::string& error);
// Deletes one file of the list: only a regular *.kqr file directly in the folder, never
// anything else. False with the reason in error.
bool DeleteReplay(const std::string& dir, const std::string& file, std::string& error);

}  // namespace kq
