#pragma once
// Base of the game's own sprite classes: they reach the game context (clock, settings, media).
#include "engine/sprite.h"

namespace kq {

struct GameContext;

// Blend factor numbers as the settings and effect tables write them (Direct3D's numbering),
// so a blend override names the same factor everywhere.
constexpr int kBlendZero = 1;
constexpr int kBlendOne = 2;
constexpr int kBlendSrcAlpha = 5;
constexpr int kBlendInvSrcAlpha = 6;

}  // namespace kq
