#pragma once
// Where the settings and score files live. A portable copy (its asset pack in the program
// folder) keeps them beside the executable when it can write there; an installed copy, and a
// portable one in a read-only folder, keeps them in the XDG user folders, $XDG_CONFIG_HOME/kq001/
// and $XDG_DATA_HOME/kq001/.
#include <optional>
#include <string>
#include <vector>

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
  // The chosen place when the file is there; in the user folder, else the file beside the
  // program; "" when there is none to read.
  std::string ReadPath;
  std::vector<std::string> WritePlaces;  // first is the chosen place, then the fallback
  std::string UserPlace;                 // the place in a user folder, made on first save
  const std::string& Chosen() const;
};

struct TUserFiles {
  TUserFile Ini;
  TUserFile Hi;
  bool BesideProgram = false;  // the chosen places are in the program folder
  std::string Warning;         // one line for stderr when the user folders cannot be used
};

// Portable: the asset pack sits in the program folder (the build tree, an unpacked folder).
// Installed: the pack is elsewhere (../share/kq001, $XDG_DATA_DIRS), so the program folder is a
// bindir such as ~/.local/bin: writable, but no place for a player's files.
enum class TCopyKind { Portable, Installed };

// appPath ends with '/'; baseName is the executable's name without extension.
TUserFiles ResolveUserFiles(const std::string& appPath, const std::string& baseName, const TUserEnv& env,
                            TCopyKind kind = TCopyKind::Portable);

// Creates the folder that will hold path, and its missing parents, with mode 0700; false with
// errno set.
bool MakeUserFolder(const std::string& path);
// Whether a file could be made in folder (or in the nearest existing folder above it).
bool FolderCanTakeFiles(const std::string& folder);

}  // namespace kq
