#pragma once
#include <cstdint>
#include <string>

namespace kq {

struct GameContext;

// Everything the game needs before the first screen: settings, level table, scores, key and pad
// assignment, pictures (a missing one throws EResorceLoadError), sounds, music list, option lists.
void LoadAssets(GameContext& g, uint64_t seed);
// The 3-D textures cut from the block sheets, dust, game-over caption and rainbow pictures.
void BuildTextures(GameContext& g);
// Full paths of the settings and score files.
std::string IniPath(const GameContext& g);
std::string HiScorePath(const GameContext& g);
// All existing BGM\BGM%.3d.mid for 1..999, ascending.
void BuildBgmList(GameContext& g);

}  // namespace kq
