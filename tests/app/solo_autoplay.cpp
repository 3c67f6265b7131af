// Plays a one-player game with the computer player at full strength and writes its recording:
// the long one-player game among the golden recordings is made with this (see
// scripts/golden.sh). Usage: kq_solo_autoplay FOLDER SEED OUT.kqr
//   FOLDER holds kq001.INI (the rule settings) and LevelUp.def, read as the game reads them.
// The game is played to the ending's last picture and left with Return, as a person would.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_loop.h"
#include "app/replay.h"
#include "config/config_file.h"
#include "core/context.h"
#include "game/cpu_player.h"

namespace kq {
namespace {

// The computer's controls, plus Return when the driver asks for it (the computer player only
// presses Return at a versus game's retry prompt).
class TSoloProgram : public TControlProgram {
 public:
  TSoloProgram(GameContext& g, uint64_t seed) : g_(g), cpu_(g, 0, kCpuLevels, seed) {}
  // The computer player takes part in versus games only; here it is told it is in one for the
  // moment it decides, and sees player 1's own field, gauges and shots as always.
  void Decide() override {
    const int mode = g_.GameMode;
    g_.GameMode = 2;
    cpu_.Decide();
    g_.GameMode = mode;
  }
  bool VkDown(int vk) const override { return (Confirm && vk == 13) || cpu_.VkDown(vk); }
  int FirstDownVk() const override { return Confirm ? 13 : 0; }
  uint64_t PadStates(int padNo) const override { return cpu_.PadStates(padNo); }
  std::vector<std::string> PadNames() const override { return {}; }
  bool Confirm = false;

 private:
  GameContext& g_;
  TCpuPlayer cpu_;
};

int Run(const std::string& folder, uint64_t seed, const std::string& out) {
  GameContext g;
  InstallProgramScreens(g);
  LoadConfig(folder + "/kq001.INI", folder + "/LevelUp.def", g.Config, g.LevelTable);
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  g.FrameTime = 1000;
  g.SeedProgram(seed);
  g.EnterState(scTitle);
  g.SetGameMode(1);
  g.EnterState(scPlay);
  auto program = std::make_unique<TSoloProgram>(g, MixSeed(seed, 7));
  TSoloProgram& solo = *program;
  g.ControlPrograms[0] = std::move(program);

  uint32_t lastPageAt = 0;
  for (int tick = 0; tick < 400000 && g.ScreenState == scPlay; ++tick) {
    if (g.Player1P.Phase == gpOver) {
      std::fprintf(stderr, "kq_solo_autoplay: the game was lost at level %d; try another seed\n",
                   g.Player1P.Level);
      return 1;
    }
    // Return a second after the last ending picture came up.
    if (g.EndingStep == g.Config.EndingPageNum + 3 && lastPageAt == 0) lastPageAt = g.FrameTime;
    solo.Confirm = lastPageAt != 0 && g.FrameTime - lastPageAt > 1000;
    FrameTick(g, g.FrameTime + 16, 16);
  }
  FinishRecording(g);
  if (g.ScreenState == scPlay || g.LastReplay.empty()) {
    std::fprintf(stderr, "kq_solo_autoplay: the game did not reach its end (level %d)\n", g.Player1P.Level);
    return 1;
  }
  std::ofstream(out, std::ios::binary) << g.LastReplay;
  std::printf("level %d, score %d, best combo %d, EX %d\n", g.Player1P.Level, g.Player1P.Score,
              g.Player1P.MaxCombo, int(g.ExStage));
  return 0;
}

}  // namespace
}  // namespace kq

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kq_solo_autoplay FOLDER SEED OUT.kqr\n");
    return 2;
  }
  return kq::Run(argv[1], std::strtoull(argv[2], nullptr, 10), argv[3]);
}
