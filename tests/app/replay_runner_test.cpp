// The real program records a game headless and plays the file back to the same state.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/program_folder.h"
#include "engine/random.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

class ReplayRunner : public ::testing::Test {
 protected:
  test::TProgramFolder folder{false};
  int Run(const std::string& args) {
    const std::string cmd = std::string("SDL_AUDIODRIVER=dummy ") + KQ_BIN_DIR +
                            "/kq001 --headless --app-path " + folder.dir.string() + " " + args + " > " +
                            folder.Path("stdout.txt") + " 2> " + folder.Path("stderr.txt");
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  std::string Err() { return folder.Read("stderr.txt"); }
  std::vector<fs::path> Replays() {
    std::vector<fs::path> out;
    if (fs::exists(folder.dir / "replays"))
      for (const auto& e : fs::directory_iterator(folder.dir / "replays")) out.push_back(e.path());
    return out;
  }
  // Title item `item` confirmed at tick 2 (play starts in tick 2, or after the opening at 4),
  // random play keys of both players, Esc at tick `esc`.
  void Script(int item, int esc) {
    std::string s;
    int t = 1;
    for (int i = 0; i < item; ++i, t += 2)
      s += std::to_string(t) + " down 40\n" + std::to_string(t + 1) + " up 40\n";
    s += std::to_string(t) + " down 13\n" + std::to_string(t + 1) + " up 13\n";
    if (item == 0)
      s += std::to_string(t + 3) + " down 13\n" + std::to_string(t + 4) + " up 13\n";  // the opening
    TRandom r(17);
    const int keys[] = {38, 40, 37, 39, 90, 88, 67, 65, 104, 98, 100, 102, 74, 75, 76, 85};
    bool down[16] = {};
    for (int tick = t + 6; tick < esc; ++tick)
      for (int k = 0; k < 16; ++k)
        if (r.Random(down[k] ? 3 : 12) == 0) {
          down[k] = !down[k];
          s += std::to_string(tick) + (down[k] ? " down " : " up ") + std::to_string(keys[k]) + "\n";
        }
    s += std::to_string(esc) + " down 27\n";
    folder.Write("in.txt", s);
  }
};

// The players part of a dump: everything but counters of the program around the game.
std::string Players(const std::string& dump) {
  const size_t a = dump.find("\"players\":"), b = dump.find(",\"sounds\"");
  return a == std::string::npos || b == std::string::npos ? "?" : dump.substr(a, b - a);
}

TEST_F(ReplayRunner, AVersusGamePlaysBackToTheSameState) {
  Script(1, 400);
  // Play starts in tick 3 (the confirm); the game's tick n is the program's tick 3 + n.
  ASSERT_EQ(Run("--seed 9 --frames 500 --input " + folder.Path("in.txt") +
                " --dump-at 13:" + folder.Path("live10.json") + " --dump-at 399:" + folder.Path("live.json")),
            0)
      << Err();
  const auto files = Replays();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].filename().string().find("-VS.kqr"), std::string::npos) << files[0];
  const std::string live = folder.Read("live.json");
  ASSERT_NE(live.find("\"screen_state\":3"), std::string::npos);

  ASSERT_EQ(Run("--replay " + files[0].string() + " --dump " + folder.Path("back.json") +
                " --dump-at 10:" + folder.Path("back10.json")),
            0)
      << Err();
  EXPECT_EQ(Players(folder.Read("back.json")), Players(live));
  EXPECT_EQ(Players(folder.Read("back10.json")), Players(folder.Read("live10.json")));
  EXPECT_EQ(Replays().size(), 1u) << "a playback is not recorded again";
}

TEST_F(ReplayRunner, AOnePlayerGameComesThroughTheOpening) {
  Script(0, 300);
  ASSERT_EQ(Run("--seed 4 --frames 400 --input " + folder.Path("in.txt") +
                " --dump-at 299:" + folder.Path("live.json")),
            0)
      << Err();
  const auto files = Replays();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].filename().string().find("-1P.kqr"), std::string::npos) << files[0];
  // The file alone, as the desktop hands it over, plays it the same.
  ASSERT_EQ(Run(files[0].string() + " --dump " + folder.Path("back.json")), 0) << Err();
  EXPECT_EQ(Players(folder.Read("back.json")), Players(folder.Read("live.json")));
  EXPECT_EQ(Run(files[0].string() + " " + files[0].string()), 2);
  EXPECT_NE(Err().find("one replay at a time"), std::string::npos) << Err();
}

TEST_F(ReplayRunner, FilesThatCannotBePlayedAreNamedWithTheReason) {
  Script(1, 60);
  ASSERT_EQ(Run("--seed 2 --frames 100 --input " + folder.Path("in.txt")), 0) << Err();
  const auto files = Replays();
  ASSERT_EQ(files.size(), 1u);
  const std::string good = files[0].string();
  const std::string bytes = folder.Read("replays/" + files[0].filename().string());

  folder.Write("cut.kqr", bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(Run("--replay " + folder.Path("cut.kqr")), 2);
  EXPECT_EQ(Err(), "kq001: " + folder.Path("cut.kqr") + ": the file is truncated\n");

  folder.Write("junk.kqr", "hello, world");
  EXPECT_EQ(Run("--replay " + folder.Path("junk.kqr")), 2);
  EXPECT_EQ(Err(), "kq001: " + folder.Path("junk.kqr") + ": not a replay file\n");

  EXPECT_EQ(Run("--replay " + folder.Path("none.kqr")), 2);
  EXPECT_EQ(Err(), "kq001: " + folder.Path("none.kqr") + ": no such file\n");

  // Another level table beside the program.
  std::string def;
  for (int n = 1; n <= 3; ++n)
    def += "[LEVEL00" + std::to_string(n) + "]\nLineUpInterval=3000\nHardBlockRatio=0\nNeedBlock=9\n\n";
  folder.Write("LevelUp.def", def);
  EXPECT_EQ(Run("--replay " + good), 2);
  EXPECT_EQ(Err(), "kq001: " + good + ": the level table differs from the one the game was recorded with\n");
  fs::remove(folder.dir / "LevelUp.def");
  EXPECT_EQ(Run("--replay " + good), 0) << Err();

  // The reason comes in the language the settings choose.
  folder.Write("kq001.INI", "[System]\nLanguage=ja\n");
  EXPECT_EQ(Run("--replay " + folder.Path("none.kqr")), 2);
  EXPECT_EQ(Err(), "kq001: " + folder.Path("none.kqr") + ": ファイルがありません\n");
}

}  // namespace
}  // namespace kq
