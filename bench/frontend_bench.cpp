// Start-up time, title frame time and peak memory of the headless program, with their targets.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/load_assets.h"
#include "app/main_loop.h"
#include "core/context.h"
#include "engine/paths.h"
#include "engine/sdl_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Wall time of one headless run to its first presented frame, and its peak memory.
bool RunOnce(const std::string& exe, double& ms, double& cpuMs, long& maxRssKb) {
  auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    execl(exe.c_str(), exe.c_str(), "--headless", "--frames", "1", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage ru {};
  if (wait4(pid, &status, 0, &ru) < 0) return false;
  ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  maxRssKb = ru.ru_maxrss;
  cpuMs = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 +
          double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long PeakOfLongRun(const std::string& exe) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    execl(exe.c_str(), exe.c_str(), "--headless", "--frames", "1200", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  return ru.ru_maxrss;
}

}  // namespace

// An optional argument names another copy to time, e.g. an installed one:
// frontend_bench /usr/local/bin/kq001
int main(int argc, char** argv) {
  const std::string exe = argc > 1 ? argv[1] : kq::ExecutableFolder() + "kq001";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::vector<double> starts, cpu;
  long rss = 0;
  for (int i = 0; i < 11; ++i) {
    double ms = 0, cpuMs = 0;
    long kb = 0;
    if (!RunOnce(exe, ms, cpuMs, kb)) {
      std::fprintf(stderr, "frontend_bench: %s did not run\n", exe.c_str());
      return 1;
    }
    starts.push_back(ms);
    cpu.push_back(cpuMs);
    rss = std::max(rss, kb);
  }
  rss = std::max(rss, PeakOfLongRun(exe));
  // Wall time suffers when other work shares the two cores; the CPU time shows the program's own share.
  std::printf(
      "start-up to first frame (headless, default pack, %s): median %.1f ms wall, %.1f ms CPU (target <= 250 "
      "ms)\n",
      exe.c_str(), Median(starts), Median(cpu));
  std::printf("peak resident memory of a headless run: %.1f MB (target <= 60 MB)\n", double(rss) / 1024.0);
  std::fflush(stdout);
  if (argc > 1) return 0;  // the in-process figures are of this build's own pack

  // Title tick + draw on the software renderer, in process.
  kq::PlatformOptions po;
  po.Headless = true;
  kq::SdlPlatform platform(po);
  kq::GameContext g;
  kq::InstallProgramScreens(g);
  g.Platform = &platform;
  g.AppPath = kq::ExecutableFolder();
  g.ExeBaseName = "kq001_bench";
  kq::LoadAssets(g, 1);
  g.EnterState(kq::scTitle);
  std::vector<double> ticks;
  uint32_t now = 1000;
  for (int i = 0; i < 2000; ++i) {
    now += 16;
    auto t0 = Clock::now();
    kq::FrameTick(g, now, 16);
    ticks.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  std::printf("title tick + draw (software renderer): median %.3f ms (target <= 1 ms)\n", Median(ticks));
  g.Platform = nullptr;
  return 0;
}
