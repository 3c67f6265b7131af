#pragma once
// Versus matches played in process by computer players, without drawing: the strength table of
// the CPU benchmark. Level 0 is a player that presses random keys.
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "config/level_table.h"
#include "config/profile.h"
#include "core/context.h"
#include "game/cpu_player.h"

namespace kq::bench {

// Holds random controls of one player for random short times.
class TRandomKeys : public TControlProgram {
 public:
  TRandomKeys(GameContext& g, int playerNo, uint64_t seed) : g_(g), no_(playerNo), rng_(seed) {}
  void Decide() override {
    const TKeyAssign& k = g_.Keys(g_.Player(no_));
    const int controls[8] = {0, 1, 2, 3, k.J01, k.J02, k.J03, k.J04};
    for (int c : controls)
      if (held_.test(size_t(c)) && rng_.Random(3) == 0) held_.reset(size_t(c));
    if (rng_.Random(4) == 0) held_.set(size_t(controls[rng_.Random(8)]));
  }
  bool VkDown(int vk) const override {
    const TDXInput& dev = no_ == 0 ? g_.DXInput1 : g_.DXInput2;
    for (int s = 0; s < kInputStates; ++s)
      if (held_.test(size_t(s)))
        for (int code : dev.Keys[size_t(s)])
          if (code == vk && vk != 0) return true;
    return false;
  }
  int FirstDownVk() const override { return 0; }
  uint64_t PadStates(int) const override { return held_.to_ullong(); }
  std::vector<std::string> PadNames() const override { return {}; }

 private:
  GameContext& g_;
  int no_;
  TRandom rng_;
  TInputStates held_;
};

// Decision times of the computer players: every tick's, and those of the ticks that searched for
// plans.
struct TDecisionTimes {
  std::vector<double> All, Searching;
};

// Times each decision of the program it wraps.
class TTimedProgram : public TControlProgram {
 public:
  TTimedProgram(std::unique_ptr<TControlProgram> inner, TDecisionTimes* times)
      : inner_(std::move(inner)), times_(times) {}
  void Decide() override {
    const auto* cpu = dynamic_cast<const TCpuPlayer*>(inner_.get());
    const int searches = cpu ? cpu->Searches() : 0;
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    inner_->Decide();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    if (!times_) return;
    const double ms = double(b.tv_sec - a.tv_sec) * 1000.0 + double(b.tv_nsec - a.tv_nsec) / 1e6;
    times_->All.push_back(ms);
    if (cpu && cpu->Searches() != searches) times_->Searching.push_back(ms);
  }
  bool VkDown(int vk) const override { return inner_->VkDown(vk); }
  int FirstDownVk() const override { return inner_->FirstDownVk(); }
  uint64_t PadStates(int pad) const override { return inner_->PadStates(pad); }
  std::vector<std::string> PadNames() const override { return inner_->PadNames(); }
  const TControlProgram* Inner() const { return inner_.get(); }

 private:
  std::unique_ptr<TControlProgram> inner_;
  TDecisionTimes* times_;
};

// The program a timed wrapper holds (or the program itself).
inline const TControlProgram* Inner(const TControlProgram* p) {
  const auto* timed = dynamic_cast<const TTimedProgram*>(p);
  return timed ? timed->Inner() : p;
}

struct TMatchResult {
  int Winner = 0;  // 1 or 2, 0 when the match hit the tick limit
  uint32_t Ticks = 0;
};

// One match of level a (player 1) against level b (player 2) with the default settings and
// level table, 16 ms ticks. decisionMs collects the decision times of the computer players.
inline TMatchResult PlayMatch(int a, int b, uint64_t seed, uint32_t maxTicks,
                              TDecisionTimes* decisionMs = nullptr,
                              const std::function<void(const GameContext&)>& watch = {}) {
  GameContext g;
  kq::InstallProgramScreens(g);
  g.Config.UseDirect3D = false;
  g.Config.DisableBgm = true;
  g.Config.Cpu1P = a;
  g.Config.Cpu2P = b;
  g.LevelTable = BuildLevelTable(TProfile(std::string(DefaultLevelTableText())), g.Config);
  g.SeedProgram(seed);
  g.NoRender = true;
  g.GameMode = 2;
  g.FieldCols = 8;
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  uint32_t now = 1000;
  g.FrameTime = now;
  g.ScreenState = scTitle;
  g.EnterState(scPlay);
  const int levels[2] = {a, b};
  for (int n = 0; n < 2; ++n) {
    std::unique_ptr<TControlProgram> prog = std::move(g.ControlPrograms[size_t(n)]);
    if (levels[n] == 0) prog = std::make_unique<TRandomKeys>(g, n, seed * 31 + uint64_t(n));
    g.ControlPrograms[size_t(n)] =
        std::make_unique<TTimedProgram>(std::move(prog), levels[n] > 0 ? decisionMs : nullptr);
  }
  TMatchResult r;
  for (r.Ticks = 1; r.Ticks <= maxTicks; ++r.Ticks) {
    now += 16;
    FrameTick(g, now, 16);
    if (watch) watch(g);
    if (g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver) {
      r.Winner = g.LastWinner;
      break;
    }
  }
  g.ControlPrograms = {};
  return r;
}

}  // namespace kq::bench
