#pragma once
// Pause of a local game (the Pause key, P, a pad's Start) and what the program draws over the
// play screen: the pause, the computer's levels, the tally of rematches, a replay's keys.
#include <cstdint>

namespace kq {

struct GameContext;
class Canvas;

// The virtual keys that pause: Pause, and P unless a player has it among their keys.
constexpr int kVkPause = 19;
constexpr int kVkP = 80;

// Called at the start of each play tick, before the rules. True when the tick belongs to the
// pause: the rules do not run and the clock they read stands still. Esc while paused ends the
// pause and lets the rules run, so it leaves to the title as always.
bool PauseTick(GameContext& g);
// The rules ran this tick: their clock goes on from here.
void RulesRan(GameContext& g);
// Sets or ends the pause (music with it); ending it also on leaving play.
void SetPaused(GameContext& g, bool paused);

// The held time belongs to one game: on entering and leaving play the clock the rules read is
// the real one again, without a jump in the tick that follows.
void ReleaseClock(GameContext& g);

// The overlay of the play screen (installed as GameContext::PlayOverlay).
void DrawPlayExtras(GameContext& g, Canvas& c);

}  // namespace kq
