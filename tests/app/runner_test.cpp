// Runs the real program in headless mode on a copy of the default pack.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "media/png_image.h"
#include "app/program_folder.h"

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

TEST_F(RunnerTest, MissingStartUpPictureStopsWithTheLoaderMessage) {
  fs::remove(dir / "GRP" / "TITLE.PNG");
  // A bitmap of the same name does not stand in for the PNG.
  std::ofstream(dir / "GRP" / "TITLE.BMP") << "BM";
  EXPECT_EQ(Run("--frames 5"), 1);
  std::string err = Read("stderr.txt");
  EXPECT_NE(err.find("種類：EResorceLoadError"), std::string::npos) << err;
  EXPECT_NE(err.find("内容：SystemDataロードエラー。起動に必要なファイルが見つかりません"), std::string::npos);
  EXPECT_NE(err.find("強制終了します。ファイルが不足していないか確認してください"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "kq001.HI"));  // nothing written
}

TEST_F(RunnerTest, MissingEndingPageStopsStartUp) {
  Write("kq001.INI", "[System]\nEndingPageNum=7\n");
  EXPECT_EQ(Run("--frames 5"), 1);
  EXPECT_NE(Read("stderr.txt").find("EResorceLoadError"), std::string::npos);
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
  huge[16] = 0; huge[17] = 1; huge[18] = char(0x86); huge[19] = char(0xA0);
  huge[20] = 0; huge[21] = 1; huge[22] = char(0x86); huge[23] = char(0xA0);
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
      for (int x : {5, 160, 320, 630}) EXPECT_EQ(shot.At(x, y) & 0xFFFFFF, title.At(x, y) & 0xFFFFFF) << x << "," << y;
    // The cursor sprite stands at (190, 376): not the bare background there.
    int differ = 0;
    for (int y = 366; y < 386; ++y)
      for (int x = 180; x < 200; ++x) differ += (shot.At(x, y) & 0xFFFFFF) != (title.At(x, y) & 0xFFFFFF);
    EXPECT_GT(differ, 20);
  }
}

TEST_F(RunnerTest, VirtualPadMovesTheTitleCursor) {
  Write("kq001.INI", "[Status1P]\nJoyName=Test Pad\n");
  Write("in.txt",
        "1 pad0 attach Test Pad\n3 pad0 axis 1 32000\n4 pad0 axis 1 0\n6 pad0 hat down\n7 pad0 hat centre\n"
        "9 pad0 axis 1 20\n10 pad0 axis 1 0\n");
  ASSERT_EQ(Run("--frames 12 --input " + Path("in.txt") + " --dump " + Path("d.json")), 0) << Read("stderr.txt");
  std::string d = Read("d.json");
  EXPECT_EQ(JsonInt(d, "title_cursor"), 2);  // stick and hat; a push inside the dead zone does nothing
}

TEST_F(RunnerTest, TwoComputerPlayersFromTheIniPlayAMatchThatEndsTheRun) {
  Write("kq001.INI", "[System]\r\nDisableBgm=1\r\n[Status1P]\r\nCpu=5\r\n[Status2P]\r\nCpu=1\r\n");
  Write("in.txt", "# VS GAME\n2 down 40\n3 up 40\n4 down 13\n5 up 13\n");
  const std::string args = "--frames 200000 --no-render --seed 3 --input " + Path("in.txt") + " --dump-at 400:" +
                           Path("early.json") + " --dump ";
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
