#include <gtest/gtest.h>

#include <vector>

#include "core/context.h"
#include "game/rules.h"
#include "screens/screens.h"

namespace kq {
namespace {

// The screen machine without a display: the handlers run, nothing is drawn.
struct StatesTest : ::testing::Test {
  GameContext g;
  uint32_t now = 5000;
  void SetUp() override {
    InstallPlayScreen(g.Screens);
    InstallFrontEndScreens(g.Screens);
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.LevelTable = {TLevelEntry{1, 4, 20000}};
    g.RecordSounds = true;
    g.EnterState(scTitle);
  }
  void Tick(std::initializer_list<int> p1 = {}, std::initializer_list<int> p2 = {}) {
    for (int s : p1) g.DXInput1.States.set(size_t(s));
    for (int s : p2) g.DXInput2.States.set(size_t(s));
    now += 16;
    FrameTick(g, now, 16);
  }
  TTitleScreen& Title() { return *g.Screens.Get<TTitleScreen>(scTitle); }
  TOpeningScreen& Opening() { return *g.Screens.Get<TOpeningScreen>(scOpening); }
  int CursorSounds() const {
    int n = 0;
    for (auto& e : g.SoundLog) n += e.Name == "CURSOR";
    return n;
  }
};

TEST_F(StatesTest, TitleCursorStopsAtTheEndsButStillPlaysTheSound) {
  Tick({0});
  EXPECT_EQ(Title().Cursor, 0);
  for (int i = 0; i < 6; ++i) Tick({}, {1});
  EXPECT_EQ(Title().Cursor, 4);
  EXPECT_EQ(CursorSounds(), 7);
  ASSERT_NE(Title().CursorSprite, nullptr);
  EXPECT_DOUBLE_EQ(Title().CursorSprite->Y, 376 + 22 * 4);
}

TEST_F(StatesTest, UpAndConfirmTogetherOnlyMoveTheCursor) {
  Tick({1});
  Tick({0, kStateConfirm});
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_EQ(Title().Cursor, 0);
}

TEST_F(StatesTest, RulesAndRankingLeaveByEitherPlayersConfirm) {
  Tick({1});
  Tick({1});
  Tick({kStateConfirm});
  EXPECT_EQ(g.ScreenState, scRules);
  Tick({}, {g.Config.KeyAssign2P.J01});
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_EQ(Title().Cursor, 0);  // reset on every entry
  for (int i = 0; i < 3; ++i) Tick({1});
  Tick({g.Config.KeyAssign1P.J01});
  EXPECT_EQ(g.ScreenState, scRanking);
  Tick({kStateCancel});
  EXPECT_EQ(g.ScreenState, scTitle);
}

TEST_F(StatesTest, OpeningEndsAfterTenSecondsOrAnyKeyAndStartsPlay) {
  Tick({kStateConfirm});
  ASSERT_EQ(g.ScreenState, scOpening);
  EXPECT_EQ(g.GameMode, 1);
  uint32_t deadline = Opening().Deadline;
  EXPECT_EQ(deadline, now + 10000);
  now = deadline - 16;
  Tick();  // exactly at the deadline: not later yet
  EXPECT_EQ(g.ScreenState, scOpening);
  Tick();
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_EQ(g.Player1P.Cols, 7);
  EXPECT_FALSE(g.Player2P.Active);
}

TEST_F(StatesTest, EscOnTheOpeningStartsTheGameToo) {
  Tick({kStateConfirm});
  Tick({kStateCancel});
  EXPECT_EQ(g.ScreenState, scPlay);
}

TEST_F(StatesTest, EscOnTheTitleClosesWithoutAQuestion) {
  Tick({kStateCancel});
  EXPECT_TRUE(g.Terminated);
  EXPECT_EQ(g.ScreenState, scTitle);
}

TEST_F(StatesTest, LeavingPlayWithEscClearsOnlyThePlaySet) {
  Tick({1});
  Tick({kStateConfirm});  // versus
  ASSERT_EQ(g.ScreenState, scPlay);
  EXPECT_EQ(g.GameMode, 2);
  EXPECT_TRUE(g.Player2P.Active);
  // Player 2 holds a direction: it survives the transition and the play-mode clearing.
  Tick({kStateCancel}, {3});
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_TRUE(g.DXInput2.Has(3));
  EXPECT_EQ(g.View(g.Player1P).Sight, nullptr);  // no pointer into freed sprites
  Tick();
  EXPECT_FALSE(g.DXInput2.Has(3));  // title clearing
}

TEST_F(StatesTest, EnteringPlayFromPlayRebuildsTheRecords) {
  Tick({1});
  Tick({kStateConfirm});
  g.Player1P.Score = 1234;
  g.Player2P.HazardStock = 9;
  g.EnterState(scPlay);
  EXPECT_EQ(g.Player1P.Score, 0);
  EXPECT_EQ(g.Player2P.HazardStock, 0);
  EXPECT_EQ(g.Player1P.Level, 1);
  EXPECT_NE(g.View(g.Player1P).Sight, nullptr);
}

TEST_F(StatesTest, LeavingTheRankingForgetsTheNewRank) {
  g.NewRankIndex = 2;
  g.EnterState(scRanking);
  EXPECT_EQ(g.NewRankIndex, 2);
  g.EnterState(scTitle);
  EXPECT_EQ(g.NewRankIndex, -1);
}

TEST_F(StatesTest, TickInStateZeroDoesNothing) {
  GameContext fresh;
  FrameTick(fresh, 1000, 16);
  EXPECT_EQ(fresh.ScreenState, scNone);
}

TEST(FrameRate, ZeroUntilOneSecondThenRounded) {
  TFrameRate fr;
  uint32_t t = 0xFFFFFE00u;  // across the clock's wrap
  fr.Tick(t += 16);          // opens the window
  for (int i = 0; i < 62; ++i) fr.Tick(t += 16);
  EXPECT_EQ(fr.FrameRate, 0);
  fr.Tick(t += 16);  // 63 ticks in 1008 ms: 62.5 rounds up
  EXPECT_EQ(fr.FrameRate, 63);
}

// The window's opening tick is not one of its ticks: every window, the first too, counts the
// ticks after its start.
TEST(FrameRate, FirstWindowCountsOneEndOnly) {
  struct Case {
    uint32_t Step;
    int Rate;
  };
  for (Case c : {Case{20, 50}, Case{7, 143}, Case{30, 33}}) {
    TFrameRate fr;
    uint32_t t = 5000;
    std::vector<int> seen;
    for (int i = 0; i < 4000 / int(c.Step) + 1; ++i) {
      fr.Tick(t += c.Step);
      if (fr.FrameRate != 0 && fr.CountStart == t) seen.push_back(fr.FrameRate);
    }
    ASSERT_GE(seen.size(), 3u) << c.Step;
    for (int rate : seen) EXPECT_EQ(rate, c.Rate) << "step " << c.Step;
  }
}

}  // namespace
}  // namespace kq
