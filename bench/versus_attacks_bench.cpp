// Versus frames with hazards falling, trims fading and the HUD rolling: tick + draw time in the
// headless software renderer, in both drawing paths, and with the computer playing player 2.
// Target: median <= 1.5 ms.
#include <algorithm>
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
#include "sprites/hud_sprites.h"
#include "sprites/presentation.h"

namespace {

using namespace kq;

// CPU time of this thread: the figure does not swing with other work on the machine.
double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Rows 0..6 full on both sides: crowded, with room left for the hazards after a trim.
std::vector<std::string> CrowdedField() {
  std::vector<std::string> rows(6, "........");
  const char* lines[] = {"01234501", "12345012", "23450123", "34501234", "45012345", "50123450", "01234501"};
  for (const char* l : lines) rows.push_back(l);
  return rows;
}

double Run(SdlPlatform& platform, bool direct3D, int cpu2, int frames, int& trims, int& drops, int& games) {
  GameContext g;
  kq::InstallProgramScreens(g);
  g.Platform = &platform;
  g.AppPath = std::string(KQ_BIN_DIR) + "/";
  LoadAssets(g, 7);
  g.Config.UseDirect3D = direct3D;
  g.Config.DisableBgm = true;
  g.Config.LineTrimingPeriod = 2000;
  g.Config.HazardBlockPeriod = 1500;
  g.Config.DisableGameOver = true;
  g.Config.Cpu2P = cpu2;
  g.GameMode = 2;
  g.FieldCols = 8;
  g.StartField = {CrowdedField(), CrowdedField()};
  g.HasStartField = {true, true};
  uint32_t now = 1000;
  platform.SetVirtualTime(now);
  g.FrameTime = now;
  g.EnterState(scPlay);

  std::vector<double> ms;
  for (int f = 0; f < frames; ++f) {
    TPlayerInfo& a = g.Player(f / 400 % 2);
    TPlayerInfo& b = *a.Rival;
    if (f % 400 == 0) a.PowerGauge = 100;  // a trim on the rival
    if (f % 400 == 200) {                  // a stock released onto the rival
      SendHazards(g, a, 12);
      PresentRulesEvents(g);
      a.HazardRelease = true;
    }
    if (f % 20 == 0) {  // numbers rolling all the time
      a.Score = std::min(a.Score + 1234, 9999999);
      g.View(a).ScoreSprite->RollSpeed = 5;
      g.View(a).ScoreSprite->SetValue(int64_t(a.Score) * 10000);
      a.Combo += 3;
      g.View(a).ComboSprite->SetValue(int64_t(a.Combo) * 10000);
      a.ChainGauge = 100;
    }
    if (!a.Active || !b.Active || g.ScreenState != scPlay) {
      g.EnterState(scPlay);
      ++games;
      continue;
    }
    const kq::TGamePhase before = b.Phase;
    now += 16;
    platform.SetVirtualTime(now);
    const double t0 = CpuMs();
    FrameTick(g, now, 16);
    ms.push_back(CpuMs() - t0);
    if (b.Phase != before && b.Phase == gpTrim) ++trims;
    if (b.Phase != before && b.Phase == gpFall && before == gpPlay) ++drops;
  }
  g.Platform = nullptr;
  std::sort(ms.begin(), ms.end());
  return ms.empty() ? 0 : ms[ms.size() / 2];
}

}  // namespace

int main() {
  PlatformOptions po;
  po.Headless = true;
  std::unique_ptr<SdlPlatform> platform;
  try {
    platform = std::make_unique<SdlPlatform>(po);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "versus_attacks_bench: %s\n", e.what());
    return 1;
  }
  bool ok = true;
  for (int cpu2 : {0, 5})
    for (bool d3 : {false, true}) {
      int trims = 0, drops = 0, games = 1;
      double median = Run(*platform, d3, cpu2, 4000, trims, drops, games);
      bool pass = median <= 1.5;
      ok = ok && pass;
      std::printf(
          "versus frame with attacks (%s path%s): median %.3f ms CPU over 4000 frames, %d games, %d trims, "
          "%d drops (target <= 1.5 ms) %s\n",
          d3 ? "3-D" : "2-D", cpu2 ? ", player 2 is CPU 5" : "", median, games, trims, drops,
          pass ? "ok" : "OVER");
    }
  return ok ? 0 : 1;
}
