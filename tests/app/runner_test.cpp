// Runs the real program in headless mode on a copy of the default pack.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/program_folder.h"
#include "media/png_image.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

class RunnerTest : public ::testing::Test {
 protected:
  test::TProgramFolder folder{true};
  const fs::path& dir = folder.dir;
  void Write(const std::string& name, const std::string& text) { folder.Write(name, text); }
  std::string Read(const std::string& name) { return folder.Read(name); }
  // Exit status of the program; its stderr lands in dir/stderr.txt.
  int Run(const std::string& args) {
    std::string cmd = std::string("SDL_AUDIODRIVER=dummy ") + KQ_BIN_DIR + "/kq001 --headless --app-path " +
                      dir.string() + " " + args + " > " + (dir / "stdout.txt").string() + " 2> " +
                      (dir / "stderr.txt").string();
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  std::string Path(const std::string& name) { return folder.Path(name); }
};

int JsonInt(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) return -9999;
  return std::atoi(json.c_str() + at + key.size() + 3);
}

TEST_F(RunnerTest, NavigatesTitleToRulesAndBack) {
  Write("in.txt",
        "# down twice, confirm, then confirm again\n"
        "2 down 40\n3 up 40\n4 down 40\n5 up 40\n6 down 13\n7 up 13\n20 down 13\n21 up 13\n");
  ASSERT_EQ(Run("--frames 30 --input " + Path("in.txt") + " --dump-at 10:" + Path("a.json") + " --dump " +
                Path("b.json")),
            0)
      << Read("stderr.txt");
  std::string a = Read("a.json"), b = Read("b.json");
  EXPECT_EQ(JsonInt(a, "screen_state"), 4);
  EXPECT_EQ(JsonInt(a, "title_cursor"), 2);
  EXPECT_EQ(JsonInt(b, "screen_state"), 1);
  EXPECT_EQ(JsonInt(b, "title_cursor"), 0);
  EXPECT_EQ(JsonInt(b, "ticks"), 30);
  EXPECT_EQ(JsonInt(b, "frame_time"), 1000 + 30 * 16);
  EXPECT_NE(b.find("[0,\"VOICE1A\"]"), std::string::npos);  // start-up voice, before the first tick
  // Closing writes the settings and the scores beside the program.
  EXPECT_TRUE(fs::exists(dir / "kq001.INI") || fs::exists(dir / "kq001.ini"));
  EXPECT_EQ(fs::file_size(dir / "kq001.HI"), 129u);
}

// The dump names the screen on show beside its number.
TEST_F(RunnerTest, DumpNamesTheScreen) {
  Write("in.txt", "2 down 13\n3 up 13\n10 down 13\n11 up 13\n");
  ASSERT_EQ(Run("--frames 15 --no-render --input " + Path("in.txt") + " --dump-at 1:" + Path("a.json") +
                " --dump-at 5:" + Path("b.json") + " --dump " + Path("c.json")),
            0)
      << Read("stderr.txt");
  const std::string a = Read("a.json"), b = Read("b.json"), c = Read("c.json");
  EXPECT_NE(a.find("\"screen_state\":1,\"screen\":\"title\""), std::string::npos) << a;
  EXPECT_NE(b.find("\"screen_state\":2,\"screen\":\"opening\""), std::string::npos) << b;
  EXPECT_NE(c.find("\"screen_state\":3,\"screen\":\"play\""), std::string::npos) << c;
}

TEST_F(RunnerTest, EscOnTheTitleEndsTheRunEarly) {
  Write("in.txt", "5 down 27\n");
  ASSERT_EQ(Run("--frames 100 --input " + Path("in.txt") + " --dump " + Path("d.json")), 0);
  EXPECT_EQ(JsonInt(Read("d.json"), "ticks"), 5);
}

TEST_F(RunnerTest, BadScriptLineIsNamedAndExitsTwo) {
  Write("in.txt", "1 down 40\n2 sideways 40\n");
  EXPECT_EQ(Run("--frames 5 --input " + Path("in.txt")), 2);
  EXPECT_NE(Read("stderr.txt").find("line 2"), std::string::npos);
  Write("f.txt", "...\n..x\n");
  EXPECT_EQ(Run("--frames 5 --field1 " + Path("f.txt")), 2);
  EXPECT_NE(Read("stderr.txt").find("line 2"), std::string::npos);
  std::string tall;
  for (int i = 0; i < 14; ++i) tall += "0\n";
  Write("f.txt", tall);
  EXPECT_EQ(Run("--frames 5 --field1 " + Path("f.txt")), 2);
  EXPECT_EQ(Run("--frames 5 --frame-ms 0"), 2);
}

TEST_F(RunnerTest, WhatIsNotAFileOrTooLargeIsRefusedWithExitTwo) {
  fs::create_directory(dir / "folder");
  const std::string folderPath = Path("folder");
  EXPECT_EQ(Run("--frames 5 --input " + folderPath), 2);
  EXPECT_NE(Read("stderr.txt").find("is a folder"), std::string::npos) << Read("stderr.txt");
  EXPECT_EQ(Run("--frames 5 --field1 " + folderPath), 2);
  EXPECT_NE(Read("stderr.txt").find("field file"), std::string::npos);
  EXPECT_EQ(Run("--frames 5 --field2 " + folderPath), 2);
  EXPECT_EQ(Run("--frames 5 --input /dev/zero"), 2);
  EXPECT_NE(Read("stderr.txt").find("not a regular file"), std::string::npos) << Read("stderr.txt");
  EXPECT_EQ(Run("--frames 5 --field1 /dev/zero"), 2);
  // Only comments, but over the cap: refused before anything is parsed.
  Write("big.txt", std::string(5u << 20, '#'));
  EXPECT_EQ(Run("--frames 5 --input " + Path("big.txt")), 2);
  EXPECT_NE(Read("stderr.txt").find("larger than 4 MB"), std::string::npos) << Read("stderr.txt");
  EXPECT_EQ(Run("--frames 5 --input " + Path("missing.txt")), 2);
  EXPECT_EQ(Run("--frames 5 --input ''"), 2);
  EXPECT_FALSE(fs::exists(dir / "kq001.HI"));  // none of them ran the game
  // Just under the cap is still a script.
  Write("big.txt", std::string((4u << 20) - 1, '#'));
  EXPECT_EQ(Run("--frames 5 --input " + Path("big.txt")), 0) << Read("stderr.txt");
}

TEST_F(RunnerTest, AnEmptyAppPathIsABadValue) {
  EXPECT_EQ(Run("--frames 5 --app-path ''"), 2);
  EXPECT_NE(Read("stderr.txt").find("bad value for --app-path"), std::string::npos) << Read("stderr.txt");
}

TEST_F(RunnerTest, AJoinAddressSaysWhatIsWrongWithIt) {
  EXPECT_EQ(Run("--frames 5 --join 127.0.0.1:99999"), 2);
  EXPECT_EQ(Read("stderr.txt").substr(0, Read("stderr.txt").find('\n')),
            "kq001: --join 127.0.0.1:99999: the port 99999 is out of range (1 to 65535)");
  EXPECT_EQ(Run("--frames 5 --join 127.0.0.1:7701 --port 7702"), 2);
  EXPECT_NE(Read("stderr.txt").find("goes without --host and --port"), std::string::npos)
      << Read("stderr.txt");
}

// A closed terminal (SIGHUP) or SIGQUIT ends the program as SIGTERM does: settings and scores
// are saved.
TEST_F(RunnerTest, HangUpAndTerminateSaveBeforeExit) {
  for (int sig : {SIGHUP, SIGQUIT, SIGTERM, SIGINT}) {
    fs::remove(dir / "kq001.HI");
    fs::remove(dir / "started.json");
    const std::string bin = std::string(KQ_BIN_DIR) + "/kq001";
    const std::string started = Path("started.json");
    const std::string app = dir.string();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      std::freopen("/dev/null", "w", stderr);
      execl(bin.c_str(), bin.c_str(), "--headless", "--no-render", "--app-path", app.c_str(), "--dump-at",
            ("1:" + started).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 600 && !fs::exists(dir / "started.json"); ++i) usleep(20000);
    ASSERT_TRUE(fs::exists(dir / "started.json"));
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << sig << " ended it unsaved";
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << sig;
    EXPECT_TRUE(fs::exists(dir / "kq001.HI")) << sig;
  }
}

TEST_F(RunnerTest, MissingStartUpPictureStopsWithTheLoaderMessage) {
  fs::remove(dir / "GRP" / "TITLE.PNG");
  // In Japanese the box keeps its historic words, byte for byte.
  std::ofstream(dir / "kq001.INI") << "[System]\nLanguage=ja\n";
  // A bitmap of the same name does not stand in for the PNG.
  std::ofstream(dir / "GRP" / "TITLE.BMP") << "BM";
  EXPECT_EQ(Run("--frames 5"), 1);
  std::string err = Read("stderr.txt");
  EXPECT_NE(err.find("種類：EResorceLoadError"), std::string::npos) << err;
  EXPECT_NE(err.find("内容：SystemDataロードエラー。起動に必要なファイルが見つかりません"),
            std::string::npos);
  EXPECT_NE(err.find("強制終了します。ファイルが不足していないか確認してください"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "kq001.HI"));  // nothing written
}

TEST_F(RunnerTest, MissingEndingPageStopsStartUp) {
  Write("kq001.INI", "[System]\nEndingPageNum=7\nLanguage=en\n");
  EXPECT_EQ(Run("--frames 5"), 1);
  EXPECT_NE(Read("stderr.txt").find("KQ001 cannot start: a file it needs is missing."), std::string::npos)
      << Read("stderr.txt");
  EXPECT_NE(Read("stderr.txt").find("ENDING06.PNG"), std::string::npos) << Read("stderr.txt");
  Write("kq001.INI", "[System]\nEndingPageNum=5\n");
  EXPECT_EQ(Run("--frames 5"), 0);
}

TEST_F(RunnerTest, CorruptAndAbsurdPicturesFailCleanly) {
  std::string png = Read("GRP/SIGHT.PNG");
  Write("GRP/SIGHT.PNG", png.substr(0, png.size() / 2));  // truncated
  EXPECT_EQ(Run("--frames 5"), 1);
  EXPECT_NE(Read("stderr.txt").find("SIGHT.PNG"), std::string::npos) << Read("stderr.txt");
  // A header claiming 100000 x 100000 pixels.
  std::string huge = png.substr(0, 33);
  huge[16] = 0;
  huge[17] = 1;
  huge[18] = char(0x86);
  huge[19] = char(0xA0);
  huge[20] = 0;
  huge[21] = 1;
  huge[22] = char(0x86);
  huge[23] = char(0xA0);
  Write("GRP/SIGHT.PNG", huge + png.substr(33));
  EXPECT_EQ(Run("--frames 5"), 1);
  Write("GRP/SIGHT.PNG", "not a picture at all");
  EXPECT_EQ(Run("--frames 5"), 1);
}

TEST_F(RunnerTest, TitleFrameShowsTheTitlePictureInBothDrawingPaths) {
  Bitmap title = DecodePngFile((dir / "GRP" / "TITLE.PNG").string());
  for (const char* d3d : {"1", "0"}) {
    Write("kq001.INI", std::string("[System]\nUseDirect3D=") + d3d + "\n");
    ASSERT_EQ(Run("--frames 3 --shot 2:" + Path("shot.png")), 0) << Read("stderr.txt");
    Bitmap shot = DecodePngFile(Path("shot.png"));
    ASSERT_EQ(shot.Width, 640);
    ASSERT_EQ(shot.Height, 480);
    // Away from the menu the frame is the title picture itself.
    for (int y : {10, 120, 240, 330})
      for (int x : {5, 160, 320, 630})
        EXPECT_EQ(shot.At(x, y) & 0xFFFFFF, title.At(x, y) & 0xFFFFFF) << x << "," << y;
    // The cursor sprite stands at (190, 376): not the bare background there.
    int differ = 0;
    for (int y = 366; y < 386; ++y)
      for (int x = 180; x < 200; ++x) differ += (shot.At(x, y) & 0xFFFFFF) != (title.At(x, y) & 0xFFFFFF);
    EXPECT_GT(differ, 20);
  }
}

TEST_F(RunnerTest, AltReturnSwitchesTheDisplayAndConfirmsNothing) {
  // VS GAME highlighted; Alt+Return, then (Alt released) Return while Alt is down again: the
  // combination's Return stays hidden until it is released, a plain Return confirms.
  Write("in.txt",
        "2 down 40\n3 up 40\n"
        "5 down 18\n6 down 13\n8 up 18\n9 down 18\n10 up 13\n11 up 18\n"
        "13 down 165\n14 down 13\n15 up 13\n16 up 165\n"  // right Alt, Return
        "30 down 13\n31 up 13\n");
  ASSERT_EQ(Run("--frames 40 --input " + Path("in.txt") + " --dump-at 12:" + Path("m.json") +
                " --dump-at 25:" + Path("a.json") + " --dump " + Path("b.json")),
            0)
      << Read("stderr.txt");
  std::string m = Read("m.json"), a = Read("a.json"), b = Read("b.json");
  EXPECT_NE(m.find("\"full_screen\":true"), std::string::npos) << m;
  EXPECT_EQ(JsonInt(m, "screen_state"), 1);
  EXPECT_EQ(JsonInt(a, "screen_state"), 1);
  EXPECT_EQ(JsonInt(a, "title_cursor"), 1);
  EXPECT_NE(a.find("\"full_screen\":false"), std::string::npos) << a;  // switched twice
  EXPECT_EQ(JsonInt(b, "screen_state"), 3);  // the plain Return starts the versus game
  EXPECT_EQ(JsonInt(b, "game_mode"), 2);
}

TEST_F(RunnerTest, VirtualPadMovesTheTitleCursor) {
  Write("kq001.INI", "[Status1P]\nJoyName=Test Pad\n");
  Write("in.txt",
        "1 pad0 attach Test Pad\n3 pad0 axis 1 32000\n4 pad0 axis 1 0\n6 pad0 hat down\n7 pad0 hat centre\n"
        "9 pad0 axis 1 20\n10 pad0 axis 1 0\n");
  ASSERT_EQ(Run("--frames 12 --input " + Path("in.txt") + " --dump " + Path("d.json")), 0)
      << Read("stderr.txt");
  std::string d = Read("d.json");
  EXPECT_EQ(JsonInt(d, "title_cursor"), 2);  // stick and hat; a push inside the dead zone does nothing
}

TEST_F(RunnerTest, TwoComputerPlayersFromTheIniPlayAMatchThatEndsTheRun) {
  Write("kq001.INI", "[System]\r\nDisableBgm=1\r\n[Status1P]\r\nCpu=5\r\n[Status2P]\r\nCpu=1\r\n");
  Write("in.txt", "# VS GAME\n2 down 40\n3 up 40\n4 down 13\n5 up 13\n");
  const std::string args = "--frames 200000 --no-render --seed 3 --input " + Path("in.txt") +
                           " --dump-at 400:" + Path("early.json") + " --dump ";
  ASSERT_EQ(Run(args + Path("a.json")), 0) << Read("stderr.txt");
  const std::string early = Read("early.json"), a = Read("a.json");
  EXPECT_EQ(JsonInt(early, "screen_state"), 3);
  EXPECT_EQ(JsonInt(early, "winner"), 0);  // no versus game has ended yet
  EXPECT_EQ(JsonInt(a, "screen_state"), 3);
  EXPECT_EQ(JsonInt(a, "game_mode"), 2);
  EXPECT_EQ(JsonInt(a, "winner"), 1);  // CPU 5 beats CPU 1
  EXPECT_LT(JsonInt(a, "ticks"), 200000);
  EXPECT_EQ(JsonInt(a, "Cpu1P"), 5);
  EXPECT_EQ(JsonInt(a, "Cpu2P"), 1);
  EXPECT_NE(Read("kq001.INI").find("Cpu=5"), std::string::npos);  // written back at the end
  // The same seed plays the same match.
  ASSERT_EQ(Run(args + Path("b.json")), 0) << Read("stderr.txt");
  EXPECT_EQ(JsonInt(Read("b.json"), "ticks"), JsonInt(a, "ticks"));
}

}  // namespace
}  // namespace kq
