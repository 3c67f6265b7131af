// The real program's files: where the pack is found, where settings and scores go, what a
// failed save does to the exit status, and the player options on the command line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "app/load_assets.h"
#include "app/program_folder.h"
#include "config/hiscore.h"
#include "core/context.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

class ProgramFilesTest : public ::testing::Test {
 protected:
  test::TProgramFolder folder{true};
  const fs::path& dir = folder.dir;
  // Exit status; stdout and stderr land in out.txt and err.txt beside the test folder.
  int Run(const std::string& env, const std::string& args) {
    std::string cmd = "env SDL_AUDIODRIVER=dummy " + env + " " + KQ_BIN_DIR + "/kq001 --app-path " +
                      dir.string() + " " + args + " > " + out + " 2> " + err;
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  std::string Out() { return Slurp(out); }
  std::string Err() { return Slurp(err); }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string out = (dir.parent_path() / (dir.filename().string() + ".out")).string();
  std::string err = (dir.parent_path() / (dir.filename().string() + ".err")).string();
  ~ProgramFilesTest() override {
    fs::remove(out);
    fs::remove(err);
  }
};

// The locale of an English desktop, whatever the machine running the tests uses.
const std::string kEnglish = "LANGUAGE= LC_MESSAGES= LC_ALL=C.UTF-8";

pid_t DeadPid() {
  pid_t pid = ::fork();
  if (pid == 0) _exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST_F(ProgramFilesTest, AMissingPictureNamesTheFileAndTheFoldersSearched) {
  fs::remove(dir / "GRP" / "TITLE.PNG");
  EXPECT_EQ(Run(kEnglish + " XDG_DATA_DIRS=/nonexistent/a", "--headless --frames 2"), 1);
  const std::string e = Err();
  // Plain words: what is missing and where it was looked for, no class names.
  EXPECT_NE(e.find("KQ001 cannot start: a file it needs is missing."), std::string::npos) << e;
  EXPECT_EQ(e.find("EResorceLoadError"), std::string::npos) << e;
  EXPECT_NE(e.find("Missing file: " + (dir / "GRP" / "TITLE.PNG").string()), std::string::npos) << e;
  EXPECT_NE(e.find("Looked for in: " + dir.string() + "/, "), std::string::npos) << e;
  EXPECT_NE(e.find("/nonexistent/a/kq001/"), std::string::npos) << e;
}

TEST_F(ProgramFilesTest, AScoreSavedNowhereMakesTheExitStatusOne) {
  fs::create_directories(dir / "kq001.HI");  // the score file cannot be written beside the program
  folder.Write("homefile", "not a folder");  // nor in the user folder
  EXPECT_EQ(Run(kEnglish + " HOME=" + folder.Path("homefile") + " XDG_DATA_HOME=", "--headless --frames 2"),
            1);
  const std::string e = Err();
  EXPECT_NE(e.find("Cannot write " + (dir / "kq001.HI").string() + ": Is a directory"), std::string::npos)
      << e;
  EXPECT_NE(
      e.find("Cannot write " + folder.Path("homefile") + "/.local/share/kq001/kq001.HI: Not a directory"),
      std::string::npos)
      << e;
}

TEST_F(ProgramFilesTest, AScoreThatHadToMoveIsSavedAndTheRunSucceeds) {
  fs::create_directories(dir / "kq001.HI");
  const std::string home = folder.Path("home");
  EXPECT_EQ(Run("LANGUAGE= LC_MESSAGES= LC_ALL=ja_JP.UTF-8 HOME=" + home + " XDG_DATA_HOME=",
                "--headless --frames 2"),
            0)
      << Err();
  EXPECT_NE(Err().find("代わりに " + home + "/.local/share/kq001/kq001.HI に保存しました"), std::string::npos)
      << Err();
  EXPECT_EQ(fs::file_size(home + "/.local/share/kq001/kq001.HI"), 129u);
  // A later run still ends well while the place beside the program stays blocked.
  EXPECT_EQ(Run("HOME=" + home + " XDG_DATA_HOME=", "--headless --frames 2"), 0);
}

TEST_F(ProgramFilesTest, AScoreThatHadToMoveIsWhatTheNextStartsReadAndKeep) {
  fs::create_directories(dir / "kq001.HI");  // blocked beside the program
  const std::string home = folder.Path("home"), data = folder.Path("data");
  const std::string env = "HOME=" + home + " XDG_DATA_HOME=" + data;
  const std::string moved = data + "/kq001/kq001.HI";
  ASSERT_EQ(Run(env, "--headless --frames 2"), 0) << Err();
  ASSERT_TRUE(fs::exists(moved)) << Err();
  // As if that run had entered the ranking.
  THiScoreTable t{};
  InsertHiScore(t, 4242, 3, 2);
  TRandom rng(1);
  std::ofstream(moved, std::ios::binary) << FormatHiScores(t, rng);
  auto topScore = [&](const std::string& path) {
    THiScoreTable back{};
    LoadHiScores(path, back);
    return back[0].Score;
  };
  const std::string dump = folder.Path("d.json");
  for (int run = 0; run < 2; ++run) {
    // The second run finds the place beside the program free again and moves the table back.
    if (run == 1) fs::remove(dir / "kq001.HI");
    ASSERT_EQ(Run(env, "--headless --frames 2 --dump " + dump), 0) << Err();
    EXPECT_NE(Slurp(dump).find("\"hiscores\":[[4242,3,2]"), std::string::npos) << Slurp(dump);
    EXPECT_EQ(topScore(moved), 4242);
  }
  EXPECT_EQ(topScore((dir / "kq001.HI").string()), 4242);
}

TEST_F(ProgramFilesTest, TemporariesOfAKilledSaveAreRemovedAtStartUp) {
  const pid_t dead = DeadPid();
  for (const std::string& name :
       {".kq001.HI." + std::to_string(dead) + ".0.tmp", ".kq001.INI." + std::to_string(dead) + ".3.tmp"})
    folder.Write(name, "half a file");
  folder.Write("other.tmp", "not ours");
  fs::create_directories(dir / "replays");
  const std::string rec = ".20261209-120000-1P.kqr." + std::to_string(dead) + ".0.tmp";
  folder.Write("replays/" + rec, "half a recording");
  folder.Write("replays/.mine.kqr." + std::to_string(dead) + ".0.tmp", "not ours");
  EXPECT_EQ(Run("", "--headless --frames 2"), 0) << Err();
  EXPECT_FALSE(fs::exists(dir / (".kq001.HI." + std::to_string(dead) + ".0.tmp")));
  EXPECT_FALSE(fs::exists(dir / (".kq001.INI." + std::to_string(dead) + ".3.tmp")));
  EXPECT_FALSE(fs::exists(dir / "replays" / rec));
  EXPECT_TRUE(fs::exists(dir / "other.tmp"));
  EXPECT_TRUE(fs::exists(dir / "replays" / (".mine.kqr." + std::to_string(dead) + ".0.tmp")));
}

TEST_F(ProgramFilesTest, VersionAndHelp) {
  EXPECT_EQ(Run("", "--version"), 0);
  EXPECT_TRUE(std::regex_match(Out(), std::regex("kq001 [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << Out();
  EXPECT_EQ(Run("HOME=/home/someone", "--help"), 0);
  const std::string h = Out();
  // What the game is, player options, controls, files, and only then the scripted runs.
  EXPECT_NE(h.substr(0, h.find('\n')).find("arcade puzzle game"), std::string::npos) << h;
  const size_t opts = h.find("--fullscreen"), win = h.find("--window"), ver = h.find("--version"),
               app = h.find("--app-path DIR"), controls = h.find("Controls"), files = h.find("Files:"),
               scripted = h.find("Scripted runs"), headless = h.find("--headless");
  for (size_t at : {opts, win, ver, app, controls, files, scripted, headless})
    ASSERT_NE(at, std::string::npos) << h;
  EXPECT_LT(opts, controls);
  EXPECT_LT(ver, controls);
  EXPECT_LT(app, controls);
  EXPECT_LT(controls, files);
  EXPECT_LT(files, scripted);
  EXPECT_LT(scripted, headless);
  EXPECT_NE(h.find("settings      " + dir.string() + "/kq001.INI"), std::string::npos) << h;
  EXPECT_NE(h.find("high scores   " + dir.string() + "/kq001.HI"), std::string::npos) << h;
  EXPECT_NE(h.find("asset pack    " + dir.string() + "/"), std::string::npos) << h;
  EXPECT_EQ(Run("", "--bogus"), 2);
}

TEST_F(ProgramFilesTest, FullScreenAndWindowOptionsLeaveTheSettingsAlone) {
  folder.Write("kq001.INI", "[System]\nWaitVsync=1\n");
  ASSERT_EQ(Run("", "--headless --frames 2 --fullscreen"), 0) << Err();
  const std::string first = folder.Read("kq001.INI");
  ASSERT_EQ(Run("", "--headless --frames 2 --window"), 0) << Err();
  EXPECT_EQ(folder.Read("kq001.INI"), first);
  // The remembered mode stays a window: the options of one run are not remembered.
  EXPECT_NE(first.find("FullScreen=0"), std::string::npos) << first;
}

// A program folder without the pack is an installed bindir: writable or not, the player's files
// go to the user folders, and --help says so.
TEST(InstalledCopy, KeepsItsFilesInTheUserFoldersThoughItsFolderIsWritable) {
  test::TProgramFolder bin(false), share(false);
  for (const char* sub : {"GRP", "SND", "VOICE", "BGM"}) fs::remove(bin.dir / sub);
  fs::create_directory_symlink(KQ_BIN_DIR, share.dir / "kq001");
  const std::string home = share.Path("home"), out = share.Path("out.txt");
  auto run = [&](const std::string& args) {
    std::string cmd = "env SDL_AUDIODRIVER=dummy HOME=" + home +
                      " XDG_CONFIG_HOME= XDG_DATA_HOME= XDG_DATA_DIRS=" + share.dir.string() + " " +
                      KQ_BIN_DIR + "/kq001 --app-path " + bin.dir.string() + " " + args + " > " + out +
                      " 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  };
  ASSERT_EQ(run("--headless --frames 2"), 0) << share.Read("out.txt");
  EXPECT_TRUE(fs::is_regular_file(home + "/.config/kq001/kq001.INI"));
  EXPECT_TRUE(fs::is_regular_file(home + "/.local/share/kq001/kq001.HI"));
  EXPECT_TRUE(fs::is_empty(bin.dir)) << "files left beside the program";
  ASSERT_EQ(run("--help"), 0);
  const std::string h = share.Read("out.txt");
  EXPECT_NE(h.find("settings      " + home + "/.config/kq001/kq001.INI"), std::string::npos) << h;
  EXPECT_NE(h.find("replays       " + home + "/.local/share/kq001/replays"), std::string::npos) << h;
  EXPECT_NE(h.find("asset pack    " + (share.dir / "kq001/").string()), std::string::npos) << h;
}

TEST(AssetPackLookup, ProgramFolderThenInstalledFolderThenXdgDataDirs) {
  test::TProgramFolder app(false), installed(false), xdg(false);
  for (auto* f : {&app, &installed, &xdg}) fs::remove(f->dir / "GRP");  // links to the real pack
  const std::string bin = (installed.dir / "bin").string() + "/";
  fs::create_directories(bin);
  fs::create_directories(installed.dir / "share" / "kq001");
  TUserEnv env;
  env.XdgDataDirs = "relative:" + xdg.dir.string();
  const std::vector<std::string> c = PackCandidates(app.dir.string() + "/", bin, "../share/kq001", env);
  ASSERT_EQ(c, (std::vector<std::string>{app.dir.string() + "/", (installed.dir / "share/kq001/").string(),
                                         (xdg.dir / "kq001/").string()}));
  GameContext g;
  g.AppPath = c[0];
  FindAssetPack(g, c);
  EXPECT_EQ(g.PackPath, "");  // nowhere: pictures are looked for in the program folder
  EXPECT_EQ(g.DataPath("GRP\\TITLE.PNG"), c[0] + "GRP/TITLE.PNG");
  fs::create_directories(xdg.dir / "kq001" / "GRP");
  FindAssetPack(g, c);
  EXPECT_EQ(g.PackPath, c[2]);
  fs::create_directories(installed.dir / "share" / "kq001" / "GRP");
  FindAssetPack(g, c);
  EXPECT_EQ(g.PackPath, c[1]);
  EXPECT_EQ(g.DataPath("GRP\\TITLE.PNG"), c[1] + "GRP/TITLE.PNG");
  fs::create_directories(app.dir / "grp");  // any case, as a pack copied from Windows
  FindAssetPack(g, c);
  EXPECT_EQ(g.PackPath, c[0]);
  EXPECT_EQ(g.PackFoldersSearched, c);
}

}  // namespace
}  // namespace kq
