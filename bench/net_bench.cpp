// Two headless programs play a scripted versus match over the loopback, once on a clean link
// and once through the bad-network relay, and the figures of each are printed: identical end
// states, the input delay, ticks that waited (stalled past the prediction window), rollbacks a
// second and the deepest, the frame's time with its rollbacks (99th percentile on the wall clock
// and on the thread's CPU clock, which other work on the machine does not stretch; the host draws
// with the software renderer), bandwidth per direction, and the load average.
//   net_bench [TICKS]   (default 18000 = five minutes of play for each link)
// KQ_BENCH_ONLY0 / KQ_BENCH_ONLY60 run one link; KQ_BENCH_HOST_PREFIX runs the drawing host under
// a command (a profiler: "perf record -o host.data --"); KQ_BENCH_DBG prints both programs' lines.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct TFolder {
  fs::path dir;
  TFolder() {
    std::string t = (fs::temp_directory_path() / "kqnetbenchXXXXXX").string();
    if (mkdtemp(t.data())) dir = t;
    for (const char* sub : {"GRP", "SND", "VOICE", "BGM"})
      if (fs::exists(fs::path(KQ_BIN_DIR) / sub))
        fs::create_directory_symlink(fs::path(KQ_BIN_DIR) / sub, dir / sub);
  }
  ~TFolder() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

pid_t Start(const TFolder& f, const std::string& args, bool draw = false) {
  const char* prefix = draw && std::getenv("KQ_BENCH_HOST_PREFIX") ? std::getenv("KQ_BENCH_HOST_PREFIX") : "";
  const std::string cmd = std::string("exec env SDL_AUDIODRIVER=dummy ") + prefix + " " + KQ_BIN_DIR +
                          "/kq001 --headless " + (draw ? "" : "--no-render ") + "--app-path " +
                          f.dir.string() + " " + args + " 2> " + (f.dir / "stderr.txt").string();
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int st = 0;
  waitpid(pid, &st, 0);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// A busy player: moves and shots every few ticks, now and then a raise.
std::string Script(uint32_t seed, uint32_t ticks) {
  std::mt19937 rng(seed);
  const int keys[] = {37, 38, 39, 40, 90, 88, 67, 88, 88, 65};
  std::ostringstream out;
  for (uint32_t t = 60; t + 3 < ticks; t += 6 + uint32_t(rng() % 10)) {
    const int k = keys[rng() % 10];
    out << t << " down " << k << "\n" << t + 2 << " up " << k << "\n";
  }
  return out.str();
}

long Field(const std::string& json, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + key + "\":(-?[0-9]+)"))) return -1;
  return std::stol(m[1]);
}

// The 99th percentile of the frame's time the match prints at its end, in microseconds: on the
// wall clock, and on the thread's CPU clock (cpu).
long FrameP99(const std::string& err, bool cpu = false) {
  std::smatch m;
  if (!std::regex_search(err, m, std::regex("frame p99 ([0-9]+) us \\(cpu ([0-9]+) us\\)"))) return -1;
  return std::stol(m[cpu ? 2 : 1]);
}

// The load average of the last minute, as the kernel gives it (-1 when it cannot be read).
double LoadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = -1;
  in >> one;
  return one;
}

std::string Agreed(const std::string& dump) {
  const size_t at = dump.find("\"players\":");
  const std::string players = at == std::string::npos ? "" : dump.substr(at);
  std::string out;
  std::regex keep(
      "\"(field|score|level|phase|combo|max_combo|chain|hazard_stock)\":(\\[[^\\]]*\\]|[-0-9.e]+)");
  for (auto it = std::sregex_iterator(players.begin(), players.end(), keep); it != std::sregex_iterator();
       ++it)
    out += it->str() + "\n";
  return out;
}

bool RunOne(const char* label, const std::string& sim, uint32_t ticks, int port, double maxStallPct) {
  TFolder host, guest;
  // Nobody loses, so the match lasts its full length.
  std::ofstream(host.dir / "kq001.INI") << "[System]\nDisableGameOver=1\n";
  std::ofstream(host.dir / "in.txt") << Script(1, ticks);
  std::ofstream(guest.dir / "in.txt") << Script(2, ticks);
  // Both stop at the same game tick: the guest's count includes the start-up wait, so it
  // gets a margin and ends when the host leaves.
  const pid_t h =
      Start(host,
            "--host --port " + std::to_string(port) + " --seed 11 --frames " + std::to_string(ticks) +
                " --input " + (host.dir / "in.txt").string() + " --dump " + (host.dir / "end.json").string(),
            /*draw*/ true);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t g =
      Start(guest, "--join 127.0.0.1:" + std::to_string(port) + (sim.empty() ? "" : " --net-sim " + sim) +
                       " --frames " + std::to_string(ticks * 2) + " --input " +
                       (guest.dir / "in.txt").string() + " --dump " + (guest.dir / "end.json").string());
  const int hrc = Wait(h), grc = Wait(g);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const std::string hd = ReadAll(host.dir / "end.json"), gd = ReadAll(guest.dir / "end.json");
  const long hTicks = Field(hd, "tick"), gTicks = Field(gd, "tick");
  const long waits = std::max(Field(hd, "waits"), Field(gd, "waits"));
  const long rollbacks = Field(hd, "rollbacks") + Field(gd, "rollbacks");
  const long deepest = std::max(Field(hd, "max_rollback"), Field(gd, "max_rollback"));
  const long wrong = Field(hd, "predicted_wrong") + Field(gd, "predicted_wrong");
  const long p99Host = FrameP99(ReadAll(host.dir / "stderr.txt"));
  const long p99Guest = FrameP99(ReadAll(guest.dir / "stderr.txt"));
  const long cpuP99Host = FrameP99(ReadAll(host.dir / "stderr.txt"), true);
  const long cpuP99Guest = FrameP99(ReadAll(guest.dir / "stderr.txt"), true);
  const double played = double(std::max(hTicks, 1L)) / 60.0;
  const double upKBs = double(Field(gd, "bytes_sent")) / played / 1024.0;
  const double downKBs = double(Field(hd, "bytes_sent")) / played / 1024.0;
  // The guest may stop a tick or two after the host left; fields only change on purpose.
  const bool same = !Agreed(hd).empty() && Agreed(hd) == Agreed(gd);
  const double waitPct = 100.0 * double(waits) / double(std::max(hTicks, 1L));
  const bool delay0 = Field(hd, "delay") == 0 && Field(gd, "delay") == 0;
  std::printf("%-28s ticks %ld/%ld  wall %.0f s  identical end states: %s  delay %ld/%ld  exit %d/%d\n",
              label, hTicks, gTicks, secs, same ? "yes" : "NO", Field(hd, "delay"), Field(gd, "delay"), hrc,
              grc);
  std::printf(
      "%-28s stalled ticks %ld (%.2f%%, target <= %.0f%%)  rollbacks %.2f/s (both sides), deepest %ld "
      "ticks, %ld ticks guessed wrong\n",
      "", waits, waitPct, maxStallPct, double(rollbacks) / played, deepest, wrong);
  std::printf(
      "%-28s frame p99 %.2f ms drawn (host, software renderer; target <= 4; cpu %.2f ms), %.2f ms undrawn "
      "(guest; cpu %.2f ms)\n",
      "", double(p99Host) / 1000.0, double(cpuP99Host) / 1000.0, double(p99Guest) / 1000.0,
      double(cpuP99Guest) / 1000.0);
  std::printf("%-28s load average %.2f at the end\n", "", LoadAverage());
  std::printf("%-28s bandwidth guest->host %.2f KB/s, host->guest %.2f KB/s (target <= 4)\n", "", upKBs,
              downKBs);
  const bool ok = same && delay0 && waitPct <= maxStallPct && upKBs <= 4 && downKBs <= 4 && p99Host <= 4000;
  if (std::getenv("KQ_BENCH_DBG")) {
    std::fprintf(stderr, "host stderr:\n%s\nguest stderr:\n%s\n", ReadAll(host.dir / "stderr.txt").c_str(),
                 ReadAll(guest.dir / "stderr.txt").c_str());
  }
  if (!same) {
    std::fprintf(stderr, "host stderr:\n%s\nguest stderr:\n%s\n", ReadAll(host.dir / "stderr.txt").c_str(),
                 ReadAll(guest.dir / "stderr.txt").c_str());
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t ticks = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 18000;
  const int port = 31000 + int(getpid() % 1000) * 2;
  // Other work on the machine stretches the frames' wall time (not their CPU time) and delays the
  // packets: the load is printed with the figures.
  std::printf("network versus, %u ticks per link, load average %.2f\n", ticks, LoadAverage());
  bool ok = true;
  if (!std::getenv("KQ_BENCH_ONLY60")) ok = RunOne("loopback, no added delay", "", ticks, port, 0.0);
  if (!std::getenv("KQ_BENCH_ONLY0"))
    ok = RunOne("60 ms delay, 10 jitter, 5% loss", "60,10,5", ticks, port + 1, 1.0) && ok;
  return ok ? 0 : 1;
}
