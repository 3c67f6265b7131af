#pragma once
// Program entry: start-up, the frame loop, shut-down.
#include <cstdint>
#include <string>

namespace kq {

struct GameContext;

// Parses the command line (including the headless runner's options) and runs the program.
int RunProgram(int argc, char** argv);

// One frame tick: clock sample, input poll, the screen state's handler, one-shot clearing.
void FrameTick(GameContext& g, uint32_t now, int moveCount);

}  // namespace kq
