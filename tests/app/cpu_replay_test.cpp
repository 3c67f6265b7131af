// A computer match is recorded like any other and plays back exactly.
#include "app/main_loop.h"
#include "app/replay.h"
#include "game/cpu_player.h"
#include "game/game_fixture.h"

namespace kq::test {
namespace {

class CpuReplayTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    InstallProgramScreens(g);
  }
  void StartVersus(int cpu1, int cpu2) {
    g.Config.Cpu1P = cpu1;
    g.Config.Cpu2P = cpu2;
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.ScreenState = scTitle;
    Start(2);
  }
  void Frame(int ms = 16) { FrameTick(g, g.FrameTime + uint32_t(ms), ms); }
};

TEST_F(CpuReplayTest, TheReplayOfAComputerMatchPlaysBackExactly) {
  g.SeedProgram(21);
  g.LevelTable = {TLevelEntry{10, 20, 1500}};
  StartVersus(4, 2);
  for (int i = 0; i < 40000 && P1().Phase != gpOver && P2().Phase != gpOver; ++i) Frame();
  ASSERT_NE(g.LastWinner, 0);
  ASSERT_FALSE(g.LastReplay.empty());
  const std::vector<std::string> end[2] = {FieldRows(P1()), FieldRows(P2())};
  const int scores[2] = {P1().Score, P2().Score};

  // Played back with the computer players still chosen: only the recorded controls act.
  GameContext h;
  InstallProgramScreens(h);
  h.FrameTime = 100000;
  h.Config = g.Config;
  h.LevelTable = g.LevelTable;
  ApplyKeyAssign(h.DXInput1, h.DXInput2, h.Config);
  h.ScreenState = scTitle;
  TReplayFile file;
  std::string error;
  ASSERT_TRUE(ParseReplay(g.LastReplay, file, error)) << error;
  ASSERT_TRUE(StartPlayback(h, "cpu.kqr", std::move(file), error)) << error;
  EXPECT_EQ(h.ControlPrograms[0], nullptr);
  EXPECT_EQ(h.ControlPrograms[1], nullptr);
  int ticks = 0;
  while (PlaybackTick(h)) ASSERT_LT(++ticks, 100000) << "the playback never ends";
  EXPECT_EQ(h.Playback->Mismatch, "");
  EXPECT_EQ(h.LastWinner, g.LastWinner);
  EXPECT_EQ(FieldRows(h.Player1P), end[0]);
  EXPECT_EQ(FieldRows(h.Player2P), end[1]);
  EXPECT_EQ(h.Player1P.Score, scores[0]);
  EXPECT_EQ(h.Player2P.Score, scores[1]);
  EndPlayback(h, false);
}

}  // namespace
}  // namespace kq::test
