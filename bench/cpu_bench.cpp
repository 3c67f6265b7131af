// The computer player: decision time per tick (targets: mean <= 0.2 ms, 99th percentile <= 1 ms),
// how a beginner (CPU 1) presses (at most 2 presses a second, never two within half a second,
// no chain set-ups), and the strength table (a level wins >= 75% against the level below it,
// sides alternated, and every level beats a player pressing random keys every time).
// Usage: cpu_bench [--matches N] [--seed-set S] [MATCHES [FIRST_SEED]]
//   --matches N   matches per pairing (default 40)
//   --seed-set S  0: the seeds the levels were tuned on; any other S: a set of seeds of its own,
//                 never used for tuning (default 0)
// cpu_bench --trace LEVEL1 LEVEL2 SEED follows one match.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "cpu_match.h"

using namespace kq;
using namespace kq::bench;

namespace {

constexpr uint32_t kMaxTicks = 20 * 60 * 1000 / 16;  // 20 minutes of play

struct TPairing {
  int High, Low;  // Low 0: the random player
  int Wins = 0, Losses = 0, Draws = 0;
  double Ticks = 0;
};

}  // namespace

// One match, its state every few seconds: cpu_bench --trace LEVEL1 LEVEL2 SEED.
static int Trace(int a, int b, uint64_t seed) {
  uint32_t ticks = 0;
  const TMatchResult r = PlayMatch(a, b, seed, kMaxTicks, nullptr, [&](const GameContext& g) {
    if (++ticks % 250 != 0) return;
    std::printf("%6.1f s", ticks * 16 / 1000.0);
    for (int n = 0; n < 2; ++n) {
      const TPlayerInfo& p = n == 0 ? g.Player1P : g.Player2P;
      int height = 0, blocks = 0;
      for (int c = 0; c < p.Cols; ++c)
        for (int row = 0; row < kFieldRows; ++row)
          if (p.Cells[size_t(c)][size_t(row)]) {
            height = std::max(height, row + 1);
            ++blocks;
          }
      std::printf(" | %dP lv %3d h %2d/%2d blocks %3d combo %3d max %3d stock %2d power %5.1f phase %d",
                  n + 1, p.Level, height, p.Rows, blocks, p.Combo, p.MaxCombo, p.HazardStock, p.PowerGauge,
                  int(p.Phase));
    }
    std::printf("\n");
  });
  std::printf("winner %d after %.1f s\n", r.Winner, r.Ticks * 16 / 1000.0);
  return 0;
}

// The seed of match m of a pairing: set 0 is the tuning set; other sets mix the set number in,
// so they share no seed with it (or with each other) in practice.
static uint64_t MatchSeed(uint64_t set, uint64_t firstSeed, const TPairing& t, int m) {
  const uint64_t tuning = firstSeed + 7919u * uint64_t(t.High * 10 + t.Low) + uint64_t(m);
  return set == 0 ? tuning : MixSeed(set * 0x9E3779B97F4A7C15ULL + 1, tuning);
}

// CPU 1 against CPU 1 for a few matches: its presses per second and the shortest time between
// two presses (every press waits at least its reaction or its pace).
static bool BeginnerPace(uint64_t set) {
  int presses = 0;
  double seconds = 0;
  uint32_t shortest = UINT32_MAX;
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    TInputStates before[2];
    uint32_t last[2] = {0, 0};
    bool pressed[2] = {false, false};
    const TMatchResult r =
        PlayMatch(1, 1, MixSeed(set + 77, seed), kMaxTicks, nullptr, [&](const GameContext& g) {
          for (int n = 0; n < 2; ++n) {
            const auto* cpu = dynamic_cast<const TCpuPlayer*>(Inner(g.ControlPrograms[size_t(n)].get()));
            if (!cpu) continue;
            const TInputStates now = cpu->Held();
            if ((now & ~before[n]).any()) {
              ++presses;
              if (pressed[n]) shortest = std::min(shortest, g.FrameTime - last[n]);
              last[n] = g.FrameTime;
              pressed[n] = true;
            }
            before[n] = now;
          }
        });
    seconds += 2.0 * r.Ticks * 16 / 1000.0;
  }
  const double rate = presses / std::max(seconds, 1.0);
  const TCpuSkill s = CpuSkill(1);
  const bool ok = rate <= 2.0 && shortest >= 500 && !s.Search.SetUpChains && !s.Search.SeeChains;
  std::printf(
      "\nCPU 1 (a beginner): %.2f presses a second, shortest time between two presses %u ms, chain "
      "set-ups %s (targets: <= 2 a second, >= 500 ms, none) %s\n",
      rate, shortest == UINT32_MAX ? 0 : shortest, s.Search.SetUpChains ? "on" : "off", ok ? "ok" : "MISSED");
  return ok;
}

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--trace")
    return Trace(std::atoi(argv[2]), std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10));
  int matches = 40;
  uint64_t firstSeed = 0, seedSet = 0;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--matches" || a == "--seed-set") && i + 1 < argc) {
      char* end = nullptr;
      const unsigned long long v = std::strtoull(argv[++i], &end, 10);
      if (*end != 0 || (a == "--matches" && (v < 1 || v > 100000))) {
        std::fprintf(stderr, "cpu_bench: bad value for %s\n", a.c_str());
        return 2;
      }
      (a == "--matches" ? void(matches = int(v)) : void(seedSet = v));
    } else if (!a.empty() && a[0] != '-') {
      rest.push_back(a);
    } else {
      std::fprintf(stderr, "usage: cpu_bench [--matches N] [--seed-set S] [MATCHES [FIRST_SEED]]\n");
      return 2;
    }
  }
  if (!rest.empty()) matches = std::max(1, std::atoi(rest[0].c_str()));
  if (rest.size() > 1) firstSeed = std::strtoull(rest[1].c_str(), nullptr, 10);
  bool ok = true;

  // Decision times over whole matches of the strongest level, which searches the most.
  TDecisionTimes times;
  for (uint64_t seed = 1; seed <= 3; ++seed) PlayMatch(5, 5, 1000 + seed, kMaxTicks, &times);
  for (uint64_t seed = 1; seed <= 2; ++seed) PlayMatch(5, 4, 2000 + seed, kMaxTicks, &times);
  struct TSummary {
    double Mean = 0, P99 = 0, Worst = 0;
  };
  auto summary = [](std::vector<double>& ms) {
    TSummary s;
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    s.Mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    s.P99 = ms[ms.size() * 99 / 100];
    s.Worst = ms.back();
    return s;
  };
  const TSummary all = summary(times.All), searching = summary(times.Searching);
  const bool timeOk = all.Mean <= 0.2 && all.P99 <= 1.0;
  ok = ok && timeOk;
  std::printf(
      "decision time per tick over %zu decisions: mean %.4f ms, 99th percentile %.4f ms, worst %.3f ms "
      "(targets: mean <= 0.2 ms, 99th <= 1 ms) %s\n",
      times.All.size(), all.Mean, all.P99, all.Worst, timeOk ? "ok" : "OVER");
  std::printf("  of which %zu searched for plans: mean %.4f ms, 99th percentile %.4f ms, worst %.3f ms\n",
              times.Searching.size(), searching.Mean, searching.P99, searching.Worst);

  ok = BeginnerPace(seedSet) && ok;

  std::vector<TPairing> table;
  for (int high = 2; high <= kCpuLevels; ++high) table.push_back({high, high - 1});
  for (int high = 1; high <= kCpuLevels; ++high) table.push_back({high, 0});
  std::printf(
      "\nstrength table, seed set %llu%s, %d matches each (sides alternate), 16 ms ticks, at most 20 "
      "minutes:\n",
      static_cast<unsigned long long>(seedSet),
      seedSet == 0 ? " (the tuning seeds)" : " (never used for tuning)", matches);
  std::printf("  %-8s %-8s %5s %6s %5s %7s %10s  %s\n", "level", "against", "wins", "losses", "draws",
              "win %", "mean time", "target");
  for (TPairing& t : table) {
    for (int m = 0; m < matches; ++m) {
      const bool highFirst = m % 2 == 0;
      const uint64_t seed = MatchSeed(seedSet, firstSeed, t, m);
      const TMatchResult r =
          highFirst ? PlayMatch(t.High, t.Low, seed, kMaxTicks) : PlayMatch(t.Low, t.High, seed, kMaxTicks);
      t.Ticks += r.Ticks;
      if (r.Winner == 0)
        ++t.Draws;
      else if ((r.Winner == 1) == highFirst)
        ++t.Wins;
      else
        ++t.Losses;
    }
    const double pct = 100.0 * t.Wins / matches;
    const bool pass = t.Low == 0 ? t.Wins == matches : pct >= 75.0;
    ok = ok && pass;
    char against[16];
    if (t.Low == 0)
      std::snprintf(against, sizeof against, "random");
    else
      std::snprintf(against, sizeof against, "CPU %d", t.Low);
    std::printf("  CPU %-4d %-8s %5d %6d %5d %6.0f%% %8.1f s  %s %s\n", t.High, against, t.Wins, t.Losses,
                t.Draws, pct, t.Ticks / matches * 16 / 1000, t.Low == 0 ? "all" : ">= 75%",
                pass ? "ok" : "MISSED");
    std::fflush(stdout);
  }
  return ok ? 0 : 1;
}
