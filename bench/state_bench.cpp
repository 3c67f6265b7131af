// The rules' state as a value: copy and restore of a busy versus state, a few ticks of both
// players without drawing, and the no-render speed of play.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "game/rules.h"

using namespace kq;

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

std::vector<std::string> NearlyFullField(TRandom& r) {
  std::vector<std::string> rows(13, "........");
  for (int i = 2; i < 13; ++i)
    for (char& ch : rows[size_t(i)]) ch = char('0' + r.Random(6));
  return rows;
}

// A versus game (or a one-player game) on nearly full fields with random shots, drawn nowhere.
struct Game {
  GameContext g;
  TRandom input{99};

  explicit Game(int mode) {
    InstallPlayScreen(g.Screens);
    g.NoRender = true;
    g.Config.UseDirect3D = false;
    g.Config.DisableGameOver = true;  // the fields stay full for the whole run
    g.LevelTable = {TLevelEntry{10, 100000, 2000}};
    g.FrameTime = 10000;
    TRandom r(7);
    g.SetGameMode(mode);
    g.StartField = {NearlyFullField(r), NearlyFullField(r)};
    g.HasStartField = {true, mode == 2};
    g.EnterState(scPlay);
  }
  ~Game() { g.DXSpriteEngine1.ClearChildren(); }

  void Press(TDXInput& dev, const TKeyAssign& k) {
    for (int d = 0; d < 4; ++d)
      if (input.Random(8) == 0) dev.States.flip(size_t(d));
    if (input.Random(6) == 0) dev.States.set(k.J02);
    if (input.Random(10) == 0) dev.States.set(input.Random(2) ? k.J01 : k.J03);
  }
  void Tick(int ms) {
    Press(g.DXInput1, g.Config.KeyAssign1P);
    Press(g.DXInput2, g.Config.KeyAssign2P);
    g.FrameTime += uint32_t(ms);
    GameTick(g, ms);
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, true);
    for (int n = 0; n < 2; ++n) {
      TPlayerInfo& p = g.Player(n);
      if (p.Active && p.Phase == gpPlay && !p.Cells[0][8] && p.ShotsInFlight == 0) p.PendingLines = 5;
    }
  }
};

}  // namespace

int main() {
  Game game(2);
  for (int i = 0; i < 2000; ++i) game.Tick(16);  // fields, gauges, shots and falls in full swing

  const int copies = 200000;
  TGameState snap = game.g.State;
  auto t0 = Clock::now();
  for (int i = 0; i < copies; ++i) {
    TGameState copy = game.g.State;
    asm volatile("" : : "r"(&copy) : "memory");
  }
  auto t1 = Clock::now();
  std::printf("copy of a full versus state: %.3f us (target <= 10 us)\n", Micros(t0, t1) / copies);
  t0 = Clock::now();
  for (int i = 0; i < copies; ++i) {
    game.g.State = snap;
    asm volatile("" : : "r"(&game.g.State) : "memory");
  }
  t1 = Clock::now();
  std::printf("restore of a full versus state: %.3f us (target <= 10 us)\n", Micros(t0, t1) / copies);

  // Eight ticks of both players without drawing, as a rollback runs them: back to the snapshot,
  // then on again with the same inputs.
  const int rounds = 5000;
  const TRandom input = game.input;
  const uint32_t clock = game.g.FrameTime;
  double resim = 0;
  for (int i = 0; i < rounds; ++i) {
    game.g.State = snap;
    game.input = input;
    game.g.FrameTime = clock;
    t0 = Clock::now();
    for (int t = 0; t < 8; ++t) game.Tick(16);
    t1 = Clock::now();
    resim += Micros(t0, t1);
  }
  std::printf("8 ticks of both players from a snapshot, no drawing: %.1f us (target <= 100 us)\n",
              resim / rounds);

  for (int mode : {1, 2}) {
    Game run(mode);
    TRandom frames(3);
    const int ticks = 200000;
    t0 = Clock::now();
    for (int i = 0; i < ticks; ++i) run.Tick(1 + frames.Random(50));
    t1 = Clock::now();
    std::printf("no-render %s play: %.0f ticks per second (before this state type: about 500000)\n",
                mode == 2 ? "versus" : "one-player", ticks / (Micros(t0, t1) / 1e6));
  }
  return 0;
}
