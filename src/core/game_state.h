#pragma once
// Everything the rules read and write for both players, as one value: copying it is a snapshot
// and assigning a copy back puts the game where it was. It refers to no sprite; the sprites read
// it to draw.
#include <array>
#include <cstdint>

#include "core/player.h"
#include "engine/random.h"

namespace kq {

struct TGameState {
  std::array<TPlayerInfo, 2> Players;
  TRandom Rng;             // the rules' one random stream
  uint32_t FrameTime = 0;  // the game clock: this tick's sample
  uint8_t ExStage = 0;     // 0 normal levels, 1 EX levels reached
  int EndingStep = 0;
  uint32_t EndingTime = 0;

  TGameState() = default;
  TGameState(const TGameState& other) { *this = other; }
  TGameState& operator=(const TGameState& other);
};

// The players' Rival links point into the state that holds them; a copy links its own pair.
void LinkRivals(TGameState& s);

}  // namespace kq
