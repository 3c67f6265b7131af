#pragma once
// The game's sound effects, each built for its role.
#include "gen_sounds/dsp.h"

namespace kq::gen {

// Erase sound n (1..10): a bell one step higher on each chained erase.
TSound EraseBell(int n);
TSound ChangeChirp();  // a block changes colour
TSound ShotWhoosh();   // a shot flies
TSound SelectChime();  // menu choice
TSound LevelUpFanfare();
TSound FlickTick();  // a shot that changes nothing
TSound CursorBlip();
TSound BadBuzz();

}  // namespace kq::gen
