#pragma once
// Where the settings and score files live. A portable copy (its asset pack in the program
// folder) keeps them beside the executable when it can write there; an installed copy, and a
// portable one in a read-only folder, keeps them in the XDG user folders, $XDG_CONFIG_HOME/kq001/
// and $XDG_DATA_HOME/kq001/.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/game_config.h"

namespace kq {

// The environment the choice depends on; unset variables are nullopt.
struct TUserEnv {
  std::optional<std::string> Home;
  std::optional<std::string> XdgConfigHome;
  std::optional<std::string> XdgDataHome;
  std::optional<std::string> XdgDataDirs;
  static TUserEnv FromProcess();
};

// "$XDG_CONFIG_HOME/kq001/" (default "~/.config/kq001/"), "" when neither gives an absolute
// folder. Relative or empty XDG values are ignored.
std::string UserConfigFolder(const TUserEnv& env);
// "$XDG_DATA_HOME/kq001/" (default "~/.local/share/kq001/"), "" likewise.
std::string UserDataFolder(const TUserEnv& env);
// Each absolute $XDG_DATA_DIRS entry (default /usr/local/share:/usr/share) + "kq001/".
std::vector<std::string> SystemDataFolders(const TUserEnv& env);

// One user file: where it is read at start-up and the places a save tries, in order.
struct TUserFile {
  // The newest valid copy among the places a save may have gone to; "" when there is none.
  std::string ReadPath;
  int64_t ReadTime = 0;                  // its modification time in ns; 0 when none was read
  std::vector<std::string> WritePlaces;  // first is the chosen place, then the fallback
  std::string UserPlace;                 // the place in a user folder, made on first save
  const std::string& Chosen() const;
};

struct TUserFiles {
  TUserFile Ini;
  TUserFile Hi;
  bool BesideProgram = false;  // the chosen places are in the program folder
  std::string Warning;         // one line for stderr when the user folders cannot be used
  // The settings as read at start-up: a save into a file that changed since only carries over
  // what this run changed.
  TGameConfig StartSettings;
};

// Portable: the asset pack sits in the program folder (the build tree, an unpacked folder).
// Installed: the pack is elsewhere (../share/kq001, $XDG_DATA_DIRS), so the program folder is a
// bindir such as ~/.local/bin: writable, but no place for a player's files.
enum class TCopyKind { Portable, Installed };

// Whether bytes hold a usable copy of a user file.
using TUserFileCheck = std::function<bool(std::string_view bytes)>;

// A copy beside the program reads the user folder's file only when its own save had to go
// there: the save leaves this note (the user file's name + ".from", holding the path it stands
// in for), and a later save to the chosen place takes it away.
std::string StandInNotePath(const TUserFile& f);
// Whether the note names f's chosen place.
bool StandsIn(const TUserFile& f);
// After a save to place went well: writes or removes the note as the place asks. Throws
// EWriteError when a needed note cannot be written.
void NoteSavedPlace(const TUserFile& f, const std::string& place);

// Modification time in ns of the file path leads to (links followed); -1 when there is none.
int64_t ModifiedTime(const std::string& path);

// appPath ends with '/'; baseName is the executable's name without extension.
// The score file is read only when it parses; an unreadable or foreign copy never hides an
// older good one.
TUserFiles ResolveUserFiles(const std::string& appPath, const std::string& baseName, const TUserEnv& env,
                            TCopyKind kind = TCopyKind::Portable);

// Creates the folder that will hold path, and its missing parents, with mode 0700; false with
// errno set.
bool MakeUserFolder(const std::string& path);
// Whether a file could be made in folder (or in the nearest existing folder above it).
bool FolderCanTakeFiles(const std::string& folder);

}  // namespace kq
