#pragma once
// Everything the rules read and write for both players, as one value: copying it is a snapshot
// and assigning a copy back puts the game where it was. It refers to no sprite; the sprites read
// it to draw.
#include <array>
#include <cstdint>
#include <vector>

#include "core/player.h"
#include "engine/random.h"

namespace kq {

// A block taken off a field during this tick (trimmed away, pushed out of the top row): it makes
// one last step with the others in this tick's field move unless an erase resolves first.
struct TLeavingBlock {
  uint8_t Player = 0;
  TBlock Block;
};

// A fade of the field's rules: the alpha follows the clock at FadeRate per ms, fading in or out;
// a fade with FadeBack holds at its end for HoldTime ms and then fades back (Stage 0 fading, 1
// holding, 2 fading back, 3 done).
struct TFade {
  uint8_t Stage = 0;
  uint32_t StartTime = 0;  // 0 = not running
  bool FadeIn = true;
  bool FadeBack = false;
  uint32_t HoldTime = 0;
  float Alpha = 0;
};

// A field-wide black bar over one row: a trim bar fades in (the row is then trimmed and its shade
// shown), holds while the row stays trimmed, fades back unseen and then counts the row as one to
// restore; a restore bar fades out from opaque.
struct TRowBar {
  uint32_t Serial = 0;
  uint8_t Owner = 0;
  int Row = 0;
  TFade Fade;
};

// The darkening over a lost field (3-D mode): fades in and stops past alpha 160.
struct TOverFade {
  uint32_t Serial = 0;
  uint8_t Owner = 0;
  TFade Fade;
  bool Darkened = false;
};

struct TGameState {
  std::array<TPlayerInfo, 2> Players;
  std::vector<TShot> Shots;  // in flight, in the order fired
  std::vector<TRowBar> Bars;
  std::vector<TOverFade> OverFades;
  std::vector<TLeavingBlock> Leaving;
  // Numbers the field's moving things (blocks, shots) as they are made: each tick they move in
  // this order, which decides among other things the order hazard blocks draw their colours.
  uint32_t NextSerial = 0;
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

// A hash of every rules field of the state (both records, the field's moving things, the clock,
// the rules' stream): two machines playing one match compare it, and the traces keep it. Equal
// states give equal hashes; the Rival links count only as linked or not.
uint64_t HashState(const TGameState& s);

}  // namespace kq
