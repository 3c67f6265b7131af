// An hour of versus play recorded and played back without drawing. Prints the recording's cost
// per tick (target < 0.01 ms), the file size of the hour (target well under 1 MB) and the
// playback speed against real time (target >= 200x), a seek in a 10-minute game (target <= 150 ms)
// and the listing of a folder of 1,000 recordings (target <= 100 ms).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/main_loop.h"
#include "app/replay.h"
#include "config/config_file.h"
#include "config/replay_store.h"
#include "core/context.h"
#include "game/rules.h"

namespace {

using namespace kq;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

void Configure(GameContext& g) {
  LoadConfig("/nonexistent/kq001.INI", "/nonexistent/LevelUp.def", g.Config, g.LevelTable);
  g.Config.DisableGameOver = true;  // one game for the whole hour
  g.Config.DisableBgm = true;
  g.NoRender = true;
  g.GameMode = 2;
  g.FieldCols = 8;
}

// Held and tapped controls of a busy player: about six presses or releases a second.
void RandomInput(TDXInput& dev, const TKeyAssign& k, TRandom& r) {
  const int states[8] = {0, 1, 2, 3, k.J01, k.J02, k.J03, k.J04};
  for (int i = 0; i < 8; ++i)
    if (r.Random(i >= 4 ? 60 : 120) == 0) dev.States.flip(size_t(states[i]));
}

}  // namespace

int main() {
  constexpr uint32_t kHourMs = 3600 * 1000;
  GameContext g;
  kq::InstallProgramScreens(g);
  Configure(g);
  g.SeedProgram(2024);
  g.FrameTime = 1000;
  g.EnterState(scPlay);
  TRandom input(7);
  double recordMs = 0, tickMs = 0;
  uint32_t ticks = 0, played = 0;
  // A lost game is followed by the next (the retry), so the hour is all play.
  std::vector<std::string> games;
  std::vector<std::pair<int, int>> scores;
  const auto start = Clock::now();
  for (uint32_t i = 0; played < kHourMs; ++i) {
    const uint32_t move = 16 + uint32_t(i % 3 != 0);  // 60 Hz frames
    played += move;
    g.FrameTime += move;
    RandomInput(g.DXInput1, g.Config.KeyAssign1P, input);
    RandomInput(g.DXInput2, g.Config.KeyAssign2P, input);
    const auto t0 = Clock::now();
    BeforeGameTick(g, int(move));
    const auto t1 = Clock::now();
    GameTick(g, int(move));
    const auto t2 = Clock::now();
    AfterGameTick(g);
    const auto t3 = Clock::now();
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, true);
    recordMs += Ms(t1 - t0) + Ms(t3 - t2);
    tickMs += Ms(t2 - t1);
    ++ticks;
    if (!g.Recorder || g.ScreenState != scPlay) {
      games.push_back(g.LastReplay);
      scores.push_back({g.Player1P.Score, g.Player2P.Score});
      g.EnterState(scPlay);
    }
  }
  FinishRecording(g);
  games.push_back(g.LastReplay);
  scores.push_back({g.Player1P.Score, g.Player2P.Score});
  const double liveMs = Ms(Clock::now() - start);
  size_t bytes = 0;
  for (const auto& b : games) bytes += b.size();
  std::printf("versus hour: %u ticks in %zu games\n", ticks, games.size());
  std::printf("recording cost: %.5f ms per tick (tick itself %.4f ms; target < 0.01 ms)\n", recordMs / ticks,
              tickMs / ticks);
  std::printf("an hour of versus play: %zu bytes (%.1f KB; target well under 1 MB)\n", bytes,
              double(bytes) / 1024.0);

  uint64_t gameMs = 0;
  uint32_t back = 0;
  double wallMs = 0;
  bool same = true;
  for (size_t n = 0; n < games.size(); ++n) {
    GameContext p;
    kq::InstallProgramScreens(p);
    Configure(p);
    TReplayFile file;
    std::string error;
    if (!ParseReplay(games[n], file, error)) {
      std::printf("replay unreadable: %s\n", error.c_str());
      return 1;
    }
    gameMs += file.Header.DurationMs;
    const auto p0 = Clock::now();
    if (!StartPlayback(p, "bench.kqr", std::move(file), error)) {
      std::printf("%s\n", error.c_str());
      return 1;
    }
    while (PlaybackTick(p)) ++back;
    wallMs += Ms(Clock::now() - p0);
    same = same && p.Player1P.Score == scores[n].first && p.Player2P.Score == scores[n].second &&
           p.Playback->Mismatch.empty();
  }
  std::printf("headless playback without drawing: %u ticks in %.0f ms, %.0fx real time (target >= 200x)%s\n",
              back, wallMs, double(gameMs) / wallMs, same ? "" : "  MISMATCH");
  std::printf("(live run with recording took %.0f ms)\n", liveMs);

  // A one-player game of 10 minutes (game over off), then seeks at its end: back 10 s
  // re-simulates from the start, forward 10 s from where playback stands, back to the start
  // only resets.
  {
    GameContext r;
    kq::InstallProgramScreens(r);
    Configure(r);
    r.GameMode = 1;
    r.FieldCols = 7;
    r.SeedProgram(77);
    r.FrameTime = 1000;
    r.EnterState(scPlay);
    for (uint32_t i = 0, at = 0; at < 600000 && r.Recorder && r.ScreenState == scPlay; ++i) {
      const uint32_t move = 16 + uint32_t(i % 3 != 0);
      at += move;
      r.FrameTime += move;
      RandomInput(r.DXInput1, r.Config.KeyAssign1P, input);
      BeforeGameTick(r, int(move));
      GameTick(r, int(move));
      AfterGameTick(r);
      EndFrameInput(r.DXInput1, r.DXInput2, r.Config, true);
    }
    FinishRecording(r);
    GameContext p;
    kq::InstallProgramScreens(p);
    Configure(p);
    p.GameMode = 1;
    TReplayFile file;
    std::string error;
    if (!ParseReplay(r.LastReplay, file, error)) {
      std::printf("%s\n", error.c_str());
      return 1;
    }
    std::printf("one-player game for seeking: %.0f s\n",
                static_cast<double>(file.Header.DurationMs) / 1000.0);
    if (!StartPlayback(p, "bench.kqr", std::move(file), error)) {
      std::printf("%s\n", error.c_str());
      return 1;
    }
    while (PlaybackMs(p) < 600000 && PlaybackTick(p)) {
    }
    double worst = 0;
    for (int64_t step : {-10000, 10000, -10000, -600000}) {
      const auto s0 = Clock::now();
      SeekPlayback(p, int64_t(PlaybackMs(p)) + step);
      const double ms = Ms(Clock::now() - s0);
      worst = std::max(worst, ms);
      std::printf("seek %+lld s at %u ms: %.1f ms\n", static_cast<long long>(step / 1000), PlaybackMs(p), ms);
    }
    std::printf("worst seek in a 10-minute game: %.1f ms (target <= 150 ms)\n", worst);
  }

  // A folder of 1,000 recordings: the list as the screen builds it, with the headers of one
  // screenful read.
  {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kq_replay_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string& sample = games.back();
    for (int i = 0; i < 1000; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "202601%02d-%02d%02d%02d-VS.kqr", 1 + i / 200, (i / 60) % 24, i % 60,
                    (i * 7) % 60);
      std::ofstream(dir / name, std::ios::binary) << sample;
    }
    const std::string d = dir.string() + "/";
    double worst = 0;
    for (int run = 0; run < 5; ++run) {
      const auto l0 = Clock::now();
      std::vector<TReplayEntry> list = IndexReplays(d);
      for (size_t i = 0; i < list.size() && i < 14; ++i) ReadEntryHeader(d, list[i]);
      const double ms = Ms(Clock::now() - l0);
      worst = std::max(worst, ms);
      if (list.size() != 1000 || !list[0].Valid) {
        std::printf("listing found %zu recordings%s\n", list.size(), list.empty() ? "" : " (first invalid)");
        fs::remove_all(dir);
        return 1;
      }
    }
    fs::remove_all(dir);
    std::printf(
        "listing 1,000 recordings (%zu bytes each) with a screenful of headers: %.1f ms worst of 5 "
        "(target <= 100 ms)\n",
        sample.size(), worst);
  }
  return same ? 0 : 1;
}
