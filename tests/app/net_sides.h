#pragma once
// Headless programs that play network matches in the tests: start, wait, read what they wrote,
// and the parts of two dumps that both machines must agree on.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "app/program_folder.h"

namespace kq::test {

// Ports of their own per test process, so parallel runs never meet.
inline int Port(int n) {
  return 30000 + int(getpid() % 1500) * 16 + n;
}

struct TSide {
  TProgramFolder folder{false};
  pid_t pid = -1;
  std::string Wrap;  // runs the program through this (e.g. "ip netns exec NS")

  // The game, headless, in this side's program folder.
  void Start(const std::string& args) {
    Run(std::string(KQ_BIN_DIR) + "/kq001 --headless --no-render --app-path " + folder.dir.string() + " " +
        args);
  }
  // Any command line; its output goes to the folder's stdout.txt and stderr.txt.
  void Run(const std::string& command) {
    const std::string cmd = "exec " + Wrap + " env SDL_AUDIODRIVER=dummy " + command + " > " +
                            folder.Path("stdout.txt") + " 2> " + folder.Path("stderr.txt");
    pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // Waits at most ms; a program still running then is killed (-1).
  int WaitFor(int ms) {
    for (int waited = 0; pid > 0 && waited < ms; waited += 20) {
      int st = 0;
      const pid_t r = waitpid(pid, &st, WNOHANG);
      if (r == pid) {
        pid = -1;
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (pid > 0) kill(pid, SIGKILL);
    Wait();
    return -1;
  }
  std::string Out() const { return folder.Read("stdout.txt"); }
  int Wait() {
    int st = 0;
    if (pid <= 0 || waitpid(pid, &st, 0) != pid) return -1;
    pid = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  ~TSide() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      Wait();
    }
  }
  std::string Err() const { return folder.Read("stderr.txt"); }
};

inline std::string Section(const std::string& json, const std::string& key) {
  const size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return "";
  size_t end = at + key.size() + 3;
  int depth = 0;
  for (; end < json.size(); ++end) {
    const char c = json[end];
    if (c == '[' || c == '{') ++depth;
    if (c == ']' || c == '}') {
      if (depth == 0) break;
      --depth;
    }
    if (c == ',' && depth == 0) break;
  }
  return json.substr(at, end - at + 1);
}

// The players' fields, scores and levels: what both machines must agree on.
inline std::string Agreed(const std::string& dump) {
  std::string players = Section(dump, "players");
  std::string out;
  std::regex keep(
      "\"(field|score|level|phase|combo|max_combo|hazard_stock|power_gauge)\":(\\[[^\\]]*\\]|[-0-9.e]+)");
  for (auto it = std::sregex_iterator(players.begin(), players.end(), keep); it != std::sregex_iterator();
       ++it)
    out += it->str() + "\n";
  return out;
}

// Player 1 starts on a tall column, so the first rising line ends the game.
inline const char* kTallField =
    "0.......\n1.......\n0.......\n1.......\n0.......\n1.......\n0.......\n"
    "1.......\n0.......\n1.......\n0.......\n1.......\n0.......\n";
inline const char* kLowField = "........\n01234501\n12345012\n";
// Lines rise every 1.5 s, so a match ends within the test's few seconds; both machines need it.
inline const char* kFastTable =
    "[LEVEL001]\nHardBlockRatio=5\nNeedBlock=30\nLineUpInterval=1500\n"
    "[LEVEL002]\nHardBlockRatio=5\nNeedBlock=30\nLineUpInterval=1500\n";

}  // namespace kq::test
