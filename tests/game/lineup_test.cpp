#include "game_fixture.h"

namespace kq::test {
namespace {

using LineUpTest = GameTest;

std::vector<std::string> Empty13() {
  return std::vector<std::string>(13, ".......");
}

TEST_F(LineUpTest, ALineRisesEveryIntervalPlusOneFrame) {
  Start(1, {"0"});
  const uint32_t start = g.FrameTime;
  std::vector<uint32_t> rises;
  for (int i = 0; i < 1200; ++i) {  // 12 s in 10 ms frames
    const uint8_t before = P1().Phase;
    Tick(10);
    if (before == gpPlay && P1().Phase == gpRise) rises.push_back(g.FrameTime - start);
  }
  // Pending at 5000, rise on the next frame; the next interval counts from the rise.
  EXPECT_EQ(rises, (std::vector<uint32_t>{5010, 10020}));
}

TEST_F(LineUpTest, TheNewLineSlidesInOver300ms) {
  Start(1, {"1"});
  P1().PendingLines = 1;
  Tick(10);
  ASSERT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(P1().RiseOffset, 32);
  EXPECT_EQ(P1().LineUpTime, g.FrameTime);
  EXPECT_EQ(P1().PendingLines, 0);
  EXPECT_EQ(FieldRows(P1())[11], "1......");
  TBlock* moved = Cell(P1(), 0, 1);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->Row, 1);
  EXPECT_DOUBLE_EQ(moved->Y, CellY(P1(), 1));
  for (int c = 0; c < 7; ++c) {
    ASSERT_NE(Cell(P1(), c, 0), nullptr);
    EXPECT_EQ(Cell(P1(), c, 0)->Row, 0);
  }
  Tick(100);
  EXPECT_EQ(P1().RiseOffset, 32 - (100 * 32) / 300);  // 22, the fraction cut off
  Tick(199);
  EXPECT_EQ(P1().RiseOffset, 1);
  EXPECT_EQ(P1().Phase, gpRise);
  Tick(1);
  EXPECT_EQ(P1().RiseOffset, 0);
  EXPECT_EQ(P1().Phase, gpPlay);
}

TEST_F(LineUpTest, NoLineRisesUnderAFlyingShot) {
  Start(1, {"0"});
  AimAt(P1(), 0, 12);
  Tap(0, 4);
  ASSERT_EQ(P1().ShotsInFlight, 1);
  P1().PendingLines = 1;
  int waited = 0;
  while (P1().ShotsInFlight != 0) {
    EXPECT_EQ(P1().Phase, gpPlay);
    EXPECT_EQ(P1().PendingLines, 1);
    Tick(10);
    ASSERT_LT(++waited, 1000) << "the shot never lands";
  }
  EXPECT_GT(waited, 70);  // the shot flies 777 ms
  Tick(10);
  EXPECT_EQ(P1().Phase, gpRise);
}

TEST_F(LineUpTest, ABlockInTheTopRowLosesAtTheRise) {
  auto field = Empty13();
  field[0] = "..3....";
  field[12] = "1111111";
  Start(1, field);
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(P1().Phase, gpOver);
  EXPECT_FALSE(P1().Active);
  EXPECT_EQ(FieldRows(P1())[0], "..3....");  // nothing moved
  EXPECT_FALSE(g.View(P1()).DangerSprite->Visible);
}

TEST_F(LineUpTest, AFullFieldBelowTheTopRowDoesNotLose) {
  std::vector<std::string> field(12, "0101010");
  Start(1, field);
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(FieldRows(P1())[0], "0101010");
}

TEST_F(LineUpTest, DisableGameOverRemovesTheTopRowInstead) {
  g.Config.DisableGameOver = true;
  auto field = Empty13();
  field[0] = "2.2...2";
  field[1] = "3333333";
  field[12] = "4444444";
  Start(1, field);
  const int before = CountBlocks();
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(P1().Phase, gpRise);
  EXPECT_TRUE(P1().Active);
  EXPECT_EQ(FieldRows(P1())[0], "3333333");
  EXPECT_EQ(FieldRows(P1())[11], "4444444");
  EXPECT_EQ(CountBlocks(), before - 3 + 7);  // three removed, a new line of seven
  EXPECT_TRUE(g.State.Leaving.empty());      // the removed ones made their last move
}

TEST_F(LineUpTest, ATrimmedFieldLosesAtItsOwnTopRow) {
  auto field = Empty13();
  field[3] = "..0....";  // row 9
  Start(1, field);
  P1().Rows = 10;
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(P1().Phase, gpOver);
}

TEST_F(LineUpTest, SightRisesWithTheBlockItAimsAt) {
  Start(1, {"0"});
  AimAt(P1(), 0, 0);
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 1);
  EXPECT_TRUE(P1().Sight.FollowRise);
  EXPECT_DOUBLE_EQ(g.View(P1()).Sight->Y, CellY(P1(), 1));
  Run(300, 10);
  // Aimed at an empty cell it stays.
  AimAt(P1(), 3, 5);
  P1().PendingLines = 1;
  Tick(10);
  ASSERT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(P1().Sight.Row, 5);
  EXPECT_FALSE(P1().Sight.FollowRise);
}

TEST_F(LineUpTest, SightRisesIntoTheTopPlayableRowButNoFurther) {
  auto field = Empty13();
  field[1] = "0......";  // row 11
  Start(1, field);
  AimAt(P1(), 0, 11);
  P1().PendingLines = 1;
  Tick(10);
  ASSERT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(P1().Sight.Row, 12);
  // On a trimmed field the sight may stand above the playable rows; it never goes higher.
  Start(1, {"0"});
  P1().Rows = 10;
  AimAt(P1(), 0, 9);
  P1().Cells[0][9] = P1().Cells[0][0];  // a block under the sight in the top playable row
  P1().Cells[0][0] = TBlock{};
  P1().Cells[0][9].Row = 9;
  g.Config.DisableGameOver = true;  // the rise removes it and goes on
  P1().PendingLines = 1;
  Tick(10);
  ASSERT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(P1().Sight.Row, 9);
  EXPECT_FALSE(P1().Sight.FollowRise);
}

TEST_F(LineUpTest, HardBlockRatioIsAPercentage) {
  Start(1);
  P1().LvHardBlockRatio = 0;
  for (int r = 0; r < 13; ++r) FillRow(g, P1(), r);
  PresentRulesEvents(g);
  for (int r = 0; r < 13; ++r)
    for (int c = 0; c < 7; ++c) EXPECT_FALSE(Cell(P1(), c, r)->Hard);
  P1().LvHardBlockRatio = 100;
  for (int r = 0; r < 13; ++r) FillRow(g, P1(), r);
  PresentRulesEvents(g);
  for (int r = 0; r < 13; ++r)
    for (int c = 0; c < 7; ++c) EXPECT_TRUE(Cell(P1(), c, r)->Hard);
  // Refilling killed the earlier blocks: only the field's 91 blocks stay drawn.
  g.DXSpriteEngine1.SweepSprites();
  EXPECT_EQ(CountBlocks(), 91);
}

TEST_F(LineUpTest, FillRowUsesEveryKindUniformly) {
  g.Config.TotalBlockType = 3;
  Start(1);
  int seen[7] = {};
  for (int i = 0; i < 300; ++i) {
    FillRow(g, P1(), 0);
    PresentRulesEvents(g);
    for (int c = 0; c < 7; ++c) ++seen[Cell(P1(), c, 0)->Kind];
  }
  EXPECT_EQ(seen[3] + seen[4] + seen[5] + seen[6], 0);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(seen[k], 700, 120);
}

TEST_F(LineUpTest, NoLineRisesInRainbowModeAndPendingLinesWait) {
  Start(1, {"0"});
  P1().RainbowMode = true;
  P1().RainbowStart = g.FrameTime;
  P1().PendingLines = 2;
  Run(16000, 50);  // rainbow mode lasts 17 s
  EXPECT_EQ(P1().Phase, gpPlay);
  EXPECT_EQ(P1().PendingLines, 2);
  EXPECT_EQ(FieldRows(P1())[12], "0......");
}

TEST_F(LineUpTest, LinesQueueWhileTheFieldIsBusy) {
  Start(1, {"0"});
  P1().Phase = gpErase;
  P1().ErasingCount = 1;
  Run(16000, 100);
  EXPECT_EQ(P1().PendingLines, 0);  // the timer only runs in play
  P1().ErasingCount = 0;
  P1().ShotsInFlight = 1;  // keeps lines from rising
  P1().Phase = gpPlay;
  P1().LineUpTime = g.FrameTime - 5000;
  for (int i = 0; i < 7; ++i) {
    P1().LineUpTime = g.FrameTime - 5000;
    Tick(10);
  }
  EXPECT_EQ(P1().PendingLines, 5);
}

TEST_F(LineUpTest, DangerShowsWhenARiseReachesTheTopThreeRows) {
  auto field = Empty13();
  field[3] = "0......";  // row 9: after the rise it stands in row 10
  Start(1, field);
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_FALSE(g.View(P1()).DangerSprite->Visible);  // only when the slide ends
  Run(300, 10);
  EXPECT_TRUE(g.View(P1()).DangerSprite->Visible);
  EXPECT_TRUE(UpdateDanger(g, P1(), false));  // the clear flag never hides a warning
  EXPECT_TRUE(g.View(P1()).DangerSprite->Visible);
  TakeBlock(g, P1(), 0, 10);
  PresentRulesEvents(g);
  EXPECT_FALSE(UpdateDanger(g, P1(), true));  // the set flag never hides one
  EXPECT_TRUE(g.View(P1()).DangerSprite->Visible);
  EXPECT_FALSE(UpdateDanger(g, P1(), false));
  PresentRulesEvents(g);
  EXPECT_FALSE(g.View(P1()).DangerSprite->Visible);
  // A trimmed field warns on its own top three rows.
  P1().Rows = 9;
  FillRow(g, P1(), 6);
  PresentRulesEvents(g);
  g.View(P1()).DangerSprite->Glow = 30;
  EXPECT_TRUE(UpdateDanger(g, P1(), true));
  PresentRulesEvents(g);
  EXPECT_TRUE(g.View(P1()).DangerSprite->Visible);
  EXPECT_EQ(g.View(P1()).DangerSprite->Glow, 0);
}

}  // namespace
}  // namespace kq::test
