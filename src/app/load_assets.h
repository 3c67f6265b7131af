#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/user_files.h"

namespace kq {

struct GameContext;

// Everything the game needs before the first screen: settings, level table, scores, key and pad
// assignment, pictures (a missing one throws EResorceLoadError), sounds, music list, option lists.
void LoadAssets(GameContext& g, uint64_t seed);
// The 3-D textures cut from the block sheets, dust, game-over caption and rainbow pictures.
void BuildTextures(GameContext& g);
// Where the settings and scores of this run are read and saved (g.AppPath and g.ExeBaseName set,
// FindAssetPack ran): beside the program only when the pack was found there.
void ResolveUserFiles(GameContext& g, const TUserEnv& env);
// Full paths of the settings and score files in their chosen places (beside the program until
// ResolveUserFiles ran).
std::string IniPath(const GameContext& g);
std::string HiScorePath(const GameContext& g);
// The folder that holds the high-score file, with a trailing '/': other per-user game data
// (replays) belongs beside it.
std::string HiScoreFolder(const GameContext& g);
// Where the asset pack may be, in order: the program folder, the installed data folder
// (exeFolder + dataFromBin, the path from the installed bindir to share/kq001), then each
// $XDG_DATA_DIRS entry's kq001/.
std::vector<std::string> PackCandidates(const std::string& appPath, const std::string& exeFolder,
                                        const std::string& dataFromBin, const TUserEnv& env);
// Takes the first candidate that holds a GRP folder (any case); none: the pictures are looked
// for in the program folder and their load error names what was missing.
void FindAssetPack(GameContext& g, const std::vector<std::string>& candidates);
// All existing BGM\BGM%.3d.mid for 1..999, ascending.
void BuildBgmList(GameContext& g);

}  // namespace kq
