// Golden runs: stored recordings and scripted live games played through the real program, whose
// whole course must come out as stored under tests/fixtures/golden. The final state dump and the
// trace (every change of screen, phase, level, score, combo, rainbow mode, poker hand, hazards,
// trims, EX stage and ending, with the rules' state hash every 60 ticks) are compared in full;
// the few things left out are listed in kNotBehaviour and Compare's callers, each with its reason.
//
// To regenerate on purpose, run scripts/golden.sh (the stored recordings kept: a change of what
// the dump or trace shows) or scripts/golden.sh --record (the games recorded again: a change of
// the rules). It sets KQ_GOLDEN_UPDATE, under which these tests rewrite the stored files and
// report themselves skipped. A normal run never writes a stored file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/program_folder.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(KQ_SOURCE_DIR) / "tests" / "fixtures" / "golden";

// KQ_GOLDEN_UPDATE=1 rewrites the stored dumps and traces from the stored recordings (a change of
// what the dump or trace shows); =2 also records the games again (a change of the rules, after
// which the old recordings no longer reach their results).
bool Updating() {
  const char* v = std::getenv("KQ_GOLDEN_UPDATE");
  return v && (std::string(v) == "1" || std::string(v) == "2");
}

bool Recording() {
  const char* v = std::getenv("KQ_GOLDEN_UPDATE");
  return v && std::string(v) == "2";
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::vector<std::string> SplitLinesOf(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// --- the dump as lines --------------------------------------------------------------------

// A JSON value as the dump writes it: objects keep their order, scalars their text.
struct TJson {
  char Kind = 's';  // 'o' object, 'a' array, 's' scalar (number, string, true, false, null)
  std::string Text;
  std::vector<std::string> Keys;  // of an object, with its values in Items
  std::vector<TJson> Items;
};

class TJsonReader {
 public:
  explicit TJsonReader(const std::string& s) : s_(s) {}
  bool Read(TJson& out) {
    ok_ = true;
    Value(out);
    Space();
    return ok_ && at_ == s_.size();
  }

 private:
  void Space() {
    while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
  }
  std::string String() {
    const size_t start = at_++;
    while (at_ < s_.size() && s_[at_] != '"') at_ += s_[at_] == '\\' ? 2 : 1;
    if (at_ >= s_.size()) ok_ = false;
    ++at_;
    return s_.substr(start, at_ - start);
  }
  void Value(TJson& v) {
    Space();
    if (at_ >= s_.size()) {
      ok_ = false;
      return;
    }
    const char c = s_[at_];
    if (c == '{' || c == '[') {
      v.Kind = c == '{' ? 'o' : 'a';
      ++at_;
      Space();
      if (at_ < s_.size() && s_[at_] == (c == '{' ? '}' : ']')) {
        ++at_;
        return;
      }
      while (ok_ && at_ < s_.size()) {
        Space();
        if (c == '{') {
          std::string key = String();
          Space();
          if (at_ >= s_.size() || s_[at_] != ':') ok_ = false;
          ++at_;
          v.Keys.push_back(key.substr(1, key.size() - 2));
        }
        v.Items.emplace_back();
        Value(v.Items.back());
        Space();
        if (at_ < s_.size() && s_[at_] == ',') {
          ++at_;
          continue;
        }
        if (at_ >= s_.size() || s_[at_] != (c == '{' ? '}' : ']')) ok_ = false;
        ++at_;
        return;
      }
      ok_ = false;
      return;
    }
    if (c == '"') {
      v.Text = String();
      return;
    }
    const size_t start = at_;
    while (at_ < s_.size() && std::string(",]} \n\r\t").find(s_[at_]) == std::string::npos) ++at_;
    v.Text = s_.substr(start, at_ - start);
    if (v.Text.empty()) ok_ = false;
  }
  const std::string& s_;
  size_t at_ = 0;
  bool ok_ = true;
};

// One line for each member of an object and each element of an array of arrays or objects, with
// the path in front ("players.1.score: 120"), so a difference names what changed.
void Lines(const TJson& v, const std::string& path, const std::set<std::string>& drop, std::string& out) {
  if (v.Kind == 'o') {
    for (size_t i = 0; i < v.Keys.size(); ++i) {
      const std::string p = path.empty() ? v.Keys[i] : path + "." + v.Keys[i];
      if (!drop.count(p)) Lines(v.Items[i], p, drop, out);
    }
    return;
  }
  if (v.Kind == 'a') {
    bool nested = false;
    for (const TJson& item : v.Items) nested = nested || item.Kind != 's';
    if (nested) {
      for (size_t i = 0; i < v.Items.size(); ++i)
        Lines(v.Items[i], path + "." + std::to_string(i), drop, out);
      if (v.Items.empty()) out += path + ": []\n";
      return;
    }
    std::string text;
    for (const TJson& item : v.Items) text += (text.empty() ? "" : ",") + item.Text;
    out += path + ": [" + text + "]\n";
    return;
  }
  out += path + ": " + v.Text + "\n";
}

// Left out of every comparison: which voices the build machine could synthesise (the pack has
// none without espeak-ng) names a sound file, not anything the game does.
const std::set<std::string> kNotBehaviour = {"sound_load_error"};

std::string DumpLines(const std::string& json, std::set<std::string> drop = {}) {
  TJson root;
  if (!TJsonReader(json).Read(root)) return "unreadable dump: " + json;
  drop.insert(kNotBehaviour.begin(), kNotBehaviour.end());
  std::string out;
  Lines(root, "", drop, out);
  return out;
}

// --- comparing ------------------------------------------------------------------------------

// Equal, or the first lines that differ with their number.
::testing::AssertionResult SameLines(const std::string& name, const std::string& want,
                                     const std::string& got) {
  const std::vector<std::string> a = SplitLinesOf(want), b = SplitLinesOf(got);
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string w = i < a.size() ? a[i] : "(nothing)", g = i < b.size() ? b[i] : "(nothing)";
    if (w != g)
      return ::testing::AssertionFailure()
             << name << " differs from line " << i + 1 << " on (of " << a.size() << " expected, " << b.size()
             << " now):\n  expected: " << w << "\n  now:      " << g;
  }
  return ::testing::AssertionSuccess();
}

// The stored file, compared line by line; under KQ_GOLDEN_UPDATE the stored file is rewritten
// instead.
::testing::AssertionResult Matches(const std::string& name, const std::string& actual) {
  const fs::path file = kGolden / name;
  if (Updating()) {
    WriteText(file, actual);
    return ::testing::AssertionSuccess();
  }
  if (!fs::exists(file))
    return ::testing::AssertionFailure() << file << " is missing (see scripts/golden.sh)";
  ::testing::AssertionResult same = SameLines(name, ReadText(file), actual);
  if (!same) same << "\nIf the change is meant, regenerate with scripts/golden.sh.";
  return same;
}

// The lines of a trace up to a tick.
std::string TraceUntil(const std::string& trace, long long tick) {
  std::string out;
  for (const std::string& line : SplitLinesOf(trace))
    if (std::atoll(line.c_str()) <= tick) out += line + "\n";
  return out;
}

// --- what a trace shows ---------------------------------------------------------------------

// Every value a name took in a trace, in order of the ticks ("p1.rainbow" -> 0,1,0,1,...).
std::vector<long long> Values(const std::string& trace, const std::string& name) {
  std::vector<long long> out;
  const std::string key = " " + name + "=";
  for (const std::string& line : SplitLinesOf(trace))
    for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + 1))
      out.push_back(std::atoll(line.c_str() + at + key.size()));
  return out;
}

long long Count(const std::vector<long long>& v, long long value) {
  return std::count(v.begin(), v.end(), value);
}

long long Max(const std::vector<long long>& v) {
  return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

long long Min(const std::vector<long long>& v) {
  return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

// Times a value went up.
long long Rises(const std::vector<long long>& v) {
  long long n = 0;
  for (size_t i = 1; i < v.size(); ++i) n += v[i] > v[i - 1];
  return n;
}

long long SoundCount(const std::string& dump, const std::string& name) {
  long long n = 0;
  const std::string key = ",\"" + name + "\"]";
  for (size_t at = dump.find(key); at != std::string::npos; at = dump.find(key, at + 1)) ++n;
  return n;
}

// --- running the program --------------------------------------------------------------------

class TRun {
 public:
  test::TProgramFolder folder{false};
  pid_t pid = -1;

  // The stored folder's files (settings, level table, script) go into the program folder.
  void Take(const std::string& fixtureFolder) {
    for (const auto& e : fs::directory_iterator(kGolden / fixtureFolder))
      fs::copy_file(e.path(), folder.dir / e.path().filename(), fs::copy_options::overwrite_existing);
  }
  std::string Command(const std::string& args) const {
    return std::string("exec env SDL_AUDIODRIVER=dummy ") + KQ_BIN_DIR +
           "/kq001 --headless --no-render --app-path " + folder.dir.string() + " " + args + " > " +
           folder.Path("stdout.txt") + " 2> " + folder.Path("stderr.txt");
  }
  int Run(const std::string& args) {
    Start(args);
    return Wait();
  }
  void Start(const std::string& args) {
    const std::string cmd = Command(args);
    pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  int Wait() {
    int st = 0;
    if (pid <= 0 || waitpid(pid, &st, 0) != pid) return -1;
    pid = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  ~TRun() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      Wait();
    }
  }
  std::string Err() const { return folder.Read("stderr.txt"); }
  std::string Outputs() const {
    return " --dump " + folder.Path("dump.json") + " --trace " + folder.Path("trace.txt");
  }
  std::string Dump() const { return folder.Read("dump.json"); }
  std::string Trace() const { return folder.Read("trace.txt"); }
  std::vector<fs::path> Recordings() const {
    std::vector<fs::path> out;
    if (fs::exists(folder.dir / "replays"))
      for (const auto& e : fs::directory_iterator(folder.dir / "replays"))
        if (e.path().extension() == ".kqr") out.push_back(e.path());
    return out;
  }
};

// --- the one-player game --------------------------------------------------------------------

// Made by kq_solo_autoplay (the computer player at full strength plays a one-player game) with
// the rule settings of solo/kq001.INI: level 5 ends the normal levels, a best combo of 30 opens
// the EX levels, level 8 ends those, and the rainbow gauge fills quickly.
constexpr const char* kSoloSeed = "11";

TEST(GoldenRuns, ALongOnePlayerGameThroughTheEXLevelsToTheEnding) {
  TRun run;
  run.Take("solo");
  if (Recording()) {
    const std::string cmd = std::string(KQ_BIN_DIR) + "/kq_solo_autoplay " + (kGolden / "solo").string() +
                            " " + kSoloSeed + " " + (kGolden / "solo.kqr").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  EXPECT_EQ(run.Run("--replay " + (kGolden / "solo.kqr").string() + run.Outputs()), 0) << run.Err();
  const std::string dump = run.Dump(), trace = run.Trace();
  EXPECT_TRUE(Matches("solo.dump", DumpLines(dump)));
  EXPECT_TRUE(Matches("solo.trace", trace));

  // What the game went through (checked on the run, so a regenerated game must still show it).
  EXPECT_GE(Count(Values(trace, "p1.rainbow"), 1), 3) << "rainbow mode";
  const std::vector<long long> hands = Values(trace, "p1.poker");
  EXPECT_GE(std::set<long long>(hands.begin(), hands.end()).size(), 4u) << "poker hands of several kinds";
  EXPECT_EQ(Max(Values(trace, "ex_stage")), 1) << "the EX levels";
  EXPECT_EQ(SoundCount(dump, "VOICE98"), 1) << "the EX levels' voice";
  EXPECT_EQ(SoundCount(dump, "VOICE99"), 1) << "the ending's voice";
  EXPECT_EQ(Max(Values(trace, "p1.level")), 8);
  EXPECT_GE(Max(Values(trace, "ending_step")), 5) << "every ending picture";
  EXPECT_NE(dump.find("\"phase\":7"), std::string::npos) << "ends in the ending";
  if (Updating()) GTEST_SKIP() << "rewrote the solo files";
}

// --- the versus game with attacks ------------------------------------------------------------

// Recorded from the program itself: two computer players (versus/kq001.INI) with attacks made
// frequent, advanced mode for player 2. Played back from the recording.
constexpr const char* kVersusSeed = "5";

TEST(GoldenRuns, AVersusGameWithHazardsAndTrimsPlaysBack) {
  TRun run;
  run.Take("versus");
  if (Recording()) {
    TRun rec;
    rec.Take("versus");
    ASSERT_EQ(rec.Run(std::string("--seed ") + kVersusSeed + " --input " + rec.folder.Path("in.txt")), 0)
        << rec.Err();
    const auto files = rec.Recordings();
    ASSERT_EQ(files.size(), 1u);
    fs::copy_file(files[0], kGolden / "versus.kqr", fs::copy_options::overwrite_existing);
  }
  EXPECT_EQ(run.Run("--replay " + (kGolden / "versus.kqr").string() + run.Outputs()), 0) << run.Err();
  const std::string dump = run.Dump(), trace = run.Trace();
  EXPECT_TRUE(Matches("versus.dump", DumpLines(dump)));
  EXPECT_TRUE(Matches("versus.trace", trace));

  for (const char* side : {"p1", "p2"}) {
    const std::string s = side;
    EXPECT_GE(Rises(Values(trace, s + ".hazard_stock")), 3) << side << " stocks hazards";
    EXPECT_LT(Min(Values(trace, s + ".rows")), 13) << side << " trimmed";
    EXPECT_GE(Rises(Values(trace, s + ".rows")), 1) << side << " restored";
    EXPECT_GE(Rises(Values(trace, s + ".hazards")), 2) << side << " received hazard blocks";
  }
  EXPECT_NE(Max(Values(trace, "winner")), 0) << "the game ended";
  if (Updating()) GTEST_SKIP() << "rewrote the versus files";
}

// --- the live computer match -----------------------------------------------------------------

// Two computer players chosen in the settings, the match taken from the title's VS GAME item;
// the run ends after the tick of the game over. Nothing recorded: the computer players decide live.
TEST(GoldenRuns, AComputerMatchPlaysLiveFromTheTitle) {
  TRun run;
  run.Take("cpu_match");
  ASSERT_EQ(run.Run("--seed 7 --input " + run.folder.Path("in.txt") + run.Outputs()), 0) << run.Err();
  const std::string dump = run.Dump(), trace = run.Trace();
  EXPECT_TRUE(Matches("cpu_match.dump", DumpLines(dump)));
  EXPECT_TRUE(Matches("cpu_match.trace", trace));
  EXPECT_EQ(Values(trace, "screen"), (std::vector<long long>{1, 3})) << "title, then play";
  EXPECT_NE(Max(Values(trace, "winner")), 0);
  EXPECT_GE(Max(Values(trace, "p1.level")) + Max(Values(trace, "p2.level")), 4);
  if (Updating()) GTEST_SKIP() << "rewrote cpu_match.dump and cpu_match.trace";
}

// --- both sides of a network round -----------------------------------------------------------

int Port(int n) {
  return 38000 + int(getpid() % 1500) * 4 + n;
}

// The trace up to the game over: after it the round waits for both players' answers on the
// wall clock, so how many ticks follow is the machines' pace, not the game.
std::string UntilGameOver(const std::string& trace) {
  std::string out;
  for (const std::string& line : SplitLinesOf(trace)) {
    out += line + "\n";
    if (line.find(".phase=6") != std::string::npos) break;
  }
  return out;
}

// Left out of a live round's dump: the network counters (delay, waits, bytes follow the wall
// clock and the loopback), and the ticks, clock and frame rate at the end (the round goes on at
// the machines' pace after the game over until one side leaves).
const std::set<std::string> kPaced = {"net", "ticks", "frame_time", "fps"};

// Host and guest on the loopback with the stored folder's level table; the host's starting
// fields hold for both.
void PlayRound(TRun& host, TRun& guest, const std::string& folder, int port, const std::string& frames,
               const std::string& hostScript, const std::string& guestScript) {
  for (TRun* side : {&host, &guest}) side->Take(folder);
  host.folder.Write("in.txt", hostScript);
  guest.folder.Write("in.txt", guestScript);
  host.Start("--host --port " + std::to_string(port) + " --seed 3 --frames " + frames + " --field1 " +
             host.folder.Path("f1.txt") + " --field2 " + host.folder.Path("f2.txt") + " --input " +
             host.folder.Path("in.txt") + host.Outputs());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames " + frames + " --input " +
              guest.folder.Path("in.txt") + guest.Outputs());
}

// A live round whose course does not hang on the machines' pace: no control is touched, so the
// lines rise on the game's clock alone until the guest's taller field overflows (at about game
// tick 250). The host leaves with Esc at its tick 500, which only ends the round; the bound
// leaves room for connecting and for waiting on a busy machine. Both sides must come out as
// stored, and as each other.
TEST(GoldenRuns, BothSidesOfALiveNetworkRoundAgree) {
  TRun host, guest;
  PlayRound(host, guest, "net", Port(0), "1500", "500 down 27\n", "");
  ASSERT_EQ(host.Wait(), 0) << host.Err();
  ASSERT_EQ(guest.Wait(), 0) << guest.Err();
  for (TRun* side : {&host, &guest}) {
    const std::string name = side == &host ? "net_live_host" : "net_live_guest";
    EXPECT_TRUE(Matches(name + ".dump", DumpLines(side->Dump(), kPaced)));
    // The first line is the title's state before the round (the host drew the match's seed).
    std::string trace = UntilGameOver(side->Trace());
    trace = trace.substr(trace.find('\n') + 1);
    EXPECT_TRUE(Matches(name + ".trace", trace));
    EXPECT_EQ(Max(Values(trace, "winner")), 1) << "the guest's field overflowed";
    EXPECT_GE(Values(trace, "hash").size(), 3u);
  }
  EXPECT_TRUE(SameLines("the guest's dump", DumpLines(host.Dump(), kPaced), DumpLines(guest.Dump(), kPaced)));
  if (Updating()) GTEST_SKIP() << "rewrote net_live_*";
}

// A lively round, both players pressing keys, recorded on both machines (net_host.kqr,
// net_guest.kqr): the keys reach the game at ticks that follow the machines' pace, so the round
// is kept as played and both recordings are played back.
std::string RandomPresses(uint64_t seed, int from, int to) {
  const int keys[] = {38, 40, 37, 39, 90, 88, 67};
  bool down[7] = {};
  std::string s;
  uint64_t x = seed;
  for (int tick = from; tick < to; ++tick)
    for (int k = 0; k < 7; ++k) {
      x = x * 6364136223846793005ull + 1442695040888963407ull;
      if ((x >> 33) % (down[k] ? 3 : 14) == 0) {
        down[k] = !down[k];
        s += std::to_string(tick) + (down[k] ? " down " : " up ") + std::to_string(keys[k]) + "\n";
      }
    }
  return s;
}

TEST(GoldenRuns, BothSidesOfARecordedNetworkRoundPlayBack) {
  if (Recording()) {
    TRun host, guest;
    PlayRound(host, guest, "net_keys", Port(1), "900", RandomPresses(1, 40, 900), RandomPresses(2, 40, 900));
    ASSERT_EQ(host.Wait(), 0) << host.Err();
    ASSERT_EQ(guest.Wait(), 0) << guest.Err();
    for (TRun* side : {&host, &guest}) {
      const auto files = side->Recordings();
      ASSERT_EQ(files.size(), 1u) << side->Err();
      fs::copy_file(files[0], kGolden / (side == &host ? "net_host.kqr" : "net_guest.kqr"),
                    fs::copy_options::overwrite_existing);
    }
  }
  std::string traces[2];
  for (int n = 0; n < 2; ++n) {
    const std::string name = n == 0 ? "net_host" : "net_guest";
    TRun back;
    back.Take("net_keys");
    ASSERT_EQ(back.Run("--replay " + (kGolden / (name + ".kqr")).string() + back.Outputs()), 0) << back.Err();
    EXPECT_TRUE(Matches(name + ".dump", DumpLines(back.Dump())));
    EXPECT_TRUE(Matches(name + ".trace", back.Trace()));
    traces[n] = back.Trace();
    EXPECT_GE(Rises(Values(traces[n], "p1.score")), 2) << name << ": player 1 erased";
    EXPECT_GE(Rises(Values(traces[n], "p2.score")), 2) << name << ": player 2 erased";
  }
  // The two machines recorded one game; the side that stopped first has a tick or so less.
  const long long common = std::min(std::atoll(SplitLinesOf(traces[0]).back().c_str()),
                                    std::atoll(SplitLinesOf(traces[1]).back().c_str()));
  EXPECT_GT(common, 600);
  EXPECT_TRUE(
      SameLines("the guest's recording", TraceUntil(traces[0], common), TraceUntil(traces[1], common)));
  if (Updating()) GTEST_SKIP() << "rewrote the net_host and net_guest files";
}

}  // namespace
}  // namespace kq
