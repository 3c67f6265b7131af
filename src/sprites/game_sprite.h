#pragma once
// Base of the game's own sprite classes: they reach the game context (clock, settings, media).
#include "engine/sprite.h"

namespace kq {

struct GameContext;

// Direct3D blend factor numbers, kept so blend overrides read like the original.
constexpr int kBlendZero = 1;
constexpr int kBlendOne = 2;
constexpr int kBlendSrcAlpha = 5;
constexpr int kBlendInvSrcAlpha = 6;

}  // namespace kq
