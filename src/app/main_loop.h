#pragma once
// Program entry: start-up, the frame loop, shut-down.
#include <cstdint>
#include <string>

namespace kq {

struct GameContext;

// Parses the command line (including the headless runner's options) and runs the program.
int RunProgram(int argc, char** argv);

// Fills the screen table: the front-end screens and the play screen, with every game recorded
// (or played back) tick by tick.
void InstallProgramScreens(GameContext& g);

}  // namespace kq
