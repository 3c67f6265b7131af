// Versus play with two nearly full fields, shots and erasures running: the time of one tick with
// its drawing on the software canvas, and the speed of the no-render simulation.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/load_assets.h"
#include "app/main_loop.h"
#include "core/context.h"
#include "engine/sdl_platform.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "support/doubles.h"

using namespace kq;

namespace {

using test::MemoryPlatform;

std::vector<std::string> NearlyFullField(TRandom& r) {
  std::vector<std::string> rows(13, "........");
  for (int i = 2; i < 13; ++i)  // rows 0..10
    for (char& ch : rows[size_t(i)]) ch = char('0' + r.Random(6));
  return rows;
}

enum class Screen { None, Memory, SdlSoftware };

struct Run {
  GameContext g;
  MemoryPlatform memory;
  std::unique_ptr<SdlPlatform> sdl;
  TRandom input{99};

  Run(bool d3d, Screen screen) {
    kq::InstallProgramScreens(g);
    if (screen == Screen::SdlSoftware) {
      PlatformOptions opt;
      opt.Headless = true;  // the SDL software renderer on the dummy video driver
      sdl = std::make_unique<SdlPlatform>(opt);
      g.Platform = sdl.get();
    } else if (screen == Screen::Memory) {
      g.Platform = &memory;
    }
    g.AppPath = std::string(KQ_BIN_DIR) + "/";  // the generated picture pack
    g.RecordSounds = true;                      // no audio device
    LoadAssets(g, 1);
    g.NoRender = screen == Screen::None;
    g.Config.UseDirect3D = d3d;
    g.Config.DisableGameOver = true;  // keep the fields full for the whole run
    g.LevelTable = {TLevelEntry{10, 100000, 2000}};
    g.FrameTime = 10000;
    TRandom r(7);
    g.GameMode = 2;
    g.FieldCols = 8;
    g.StartField = {NearlyFullField(r), NearlyFullField(r)};
    g.HasStartField = {true, true};
    g.EnterState(scPlay);
  }
  ~Run() {
    g.DXSpriteEngine1.ClearChildren();
    g.Platform = nullptr;
  }

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
    // Keep both fields nearly full: refill when erasures have emptied them.
    for (int n = 0; n < 2; ++n) {
      TPlayerInfo& p = g.Player(n);
      if (p.Phase == gpPlay && !p.Cells[0][8] && p.ShotsInFlight == 0) p.PendingLines = 5;
    }
  }
};

// CPU time of this thread in microseconds: the machine is shared, so wall time is noisy.
double CpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

double Percentile(std::vector<double> v, int pct) {
  std::sort(v.begin(), v.end());
  return v[v.size() * size_t(pct) / 100];
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  for (Screen screen : {Screen::SdlSoftware, Screen::Memory})
    for (bool d3d : {true, false}) {
      Run run(d3d, screen);
      std::vector<double> wall, cpu;
      int sprites = 0;
      for (int i = 0; i < 3000; ++i) {
        const double c0 = CpuMicros();
        const auto t0 = std::chrono::steady_clock::now();
        run.Tick(16);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(CpuMicros() - c0);
        wall.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        sprites = std::max(sprites, run.g.DXSpriteEngine1.DrawCount);
      }
      std::printf(
          "versus tick + draw, %s path, %s, up to %d sprites drawn: median %.3f ms CPU "
          "(%.3f ms wall), 95th percentile %.3f ms CPU (target: median <= 1.5 ms)\n",
          d3d ? "3-D" : "plain", screen == Screen::Memory ? "memory canvas" : "SDL software renderer",
          sprites, Median(cpu) / 1000, Median(wall) / 1000, Percentile(cpu, 95) / 1000);
    }
  {
    Run run(true, Screen::None);
    TRandom frames(3);
    const int ticks = 200000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < ticks; ++i) run.Tick(1 + frames.Random(50));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("no-render versus simulation: %.0f ticks per second (target >= 20000)\n", ticks / s);
  }
  return 0;
}
