#include "game_fixture.h"

namespace kq::test {
namespace {

using EraseTest = GameTest;

TEST_F(EraseTest, GroupExactlyAtTheLimitErasesOneShortDoesNot) {
  Start(1, {"1......", "1......", "1....22", "1....2."});
  EXPECT_EQ(EraseGroup(g, P1(), 5, 0), 0);  // three 2s
  EXPECT_EQ(P1().ErasingCount, 0);
  EXPECT_EQ(P1().ChainGauge, 0);
  EXPECT_EQ(P1().ErasedInLevel, 0);
  g.Config.EraseLowerLimit = 5;
  EXPECT_EQ(EraseGroup(g, P1(), 0, 2), 0);
  PresentRulesEvents(g);
  g.Config.EraseLowerLimit = 4;
  EXPECT_EQ(EraseGroup(g, P1(), 0, 2), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ErasingCount, 4);
  TBlock* b = Cell(P1(), 0, 3);
  EXPECT_TRUE(b->Erased);
  EXPECT_DOUBLE_EQ(b->PatternSpeed, 0.01);
  EXPECT_FALSE(Cell(P1(), 5, 0)->Erased);
}

TEST_F(EraseTest, LimitsOutsideAndInsideRainbowMode) {
  Start(1, {"1111...", "000.22."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 0);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 4, 0), 0);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 2, 1), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ErasingCount, 4);
  P1().RainbowMode = true;
  EXPECT_EQ(EraseGroup(g, P1(), 5, 0), 2);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 1, 0), 3);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ErasingCount, 9);
  EXPECT_EQ(P1().ErasedInLevel, 9);
  EXPECT_EQ(FieldRows(P1())[11], "****...");
  EXPECT_EQ(FieldRows(P1())[12], "***.**.");
}

TEST_F(EraseTest, ASquareHasSizeFourFromEveryCell) {
  for (int c = 1; c <= 2; ++c)
    for (int r = 0; r <= 1; ++r) {
      Start(1, {".33.", ".33."});
      EXPECT_EQ(EraseGroup(g, P1(), c, r), 4) << c << "," << r;
      PresentRulesEvents(g);
      EXPECT_EQ(P1().ErasingCount, 4);
    }
}

TEST_F(EraseTest, ASnakeIsFoundWhicheverWayItTurns) {
  // Reaching every cell needs each of the four directions after each other one.
  Start(1, {"2222222", "2.....2", "2.222.2", "2.2.2.2", "222.222"});
  EXPECT_EQ(EraseGroup(g, P1(), 3, 2), 24);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ErasingCount, 24);
  for (const std::string& row : FieldRows(P1())) EXPECT_EQ(row.find('2'), std::string::npos) << row;
}

TEST_F(EraseTest, CornerTouchesMakeSeparateGroups) {
  Start(1, {"44.....", "44.....", "..44...", "..44..."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 3), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(FieldRows(P1())[10], "**.....");
  EXPECT_EQ(FieldRows(P1())[11], "..44...");
  EXPECT_EQ(EraseGroup(g, P1(), 3, 0), 4);
  PresentRulesEvents(g);
}

TEST_F(EraseTest, AGroupAlreadyErasingReturnsZero) {
  Start(1, {"5555..."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 0);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 3, 0), 0);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ErasingCount, 4);
}

TEST_F(EraseTest, UnsettledHazardBlocksAreNeverGrouped) {
  Start(1, {"hhhh...", "hh00..."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 1), 0);
  PresentRulesEvents(g);
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 0);
  PresentRulesEvents(g);
  P1().RainbowMode = true;  // limit 2
  EXPECT_EQ(EraseGroup(g, P1(), 2, 0), 2);
  PresentRulesEvents(g);
  EXPECT_EQ(FieldRows(P1())[11], "hhhh...");
}

TEST_F(EraseTest, HardAndNumberBlocksOfOneKindJoin) {
  Start(1, {"b1b1..."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 4);
  PresentRulesEvents(g);
  // A settled hazard is a hard block of its new kind.
  Start(1, {"h111..."});
  Cell(P1(), 0, 0)->Hazard = false;
  Cell(P1(), 0, 0)->Kind = 1;
  EXPECT_EQ(EraseGroup(g, P1(), 3, 0), 4);
  PresentRulesEvents(g);
}

TEST_F(EraseTest, TrimmedRowsAndUnusedColumnsAreNeverPartOfAGroup) {
  std::vector<std::string> field(13, ".......");
  field[2] = "3......";  // row 10
  field[3] = "3......";  // row 9
  field[4] = "3......";  // row 8
  field[5] = "3......";  // row 7
  field[6] = "3......";  // row 6
  Start(1, field);
  P1().Rows = 10;
  EXPECT_EQ(EraseGroup(g, P1(), 0, 9), 4);
  PresentRulesEvents(g);
  EXPECT_FALSE(Cell(P1(), 0, 10)->Erased);
  EXPECT_EQ(EraseGroup(g, P1(), 0, 10), 0);  // a start outside play
  // Column 7 of a seven-column field is outside the field even if a block sits there.
  Start(1, {"......3", "......3", "......3"});
  TBlock* stray = CreateBlock(g, P1(), 7, 0, 3, false);
  PresentRulesEvents(g);
  (void)stray;
  EXPECT_EQ(EraseGroup(g, P1(), 6, 0), 0);
  PresentRulesEvents(g);
}

TEST_F(EraseTest, ChainGaugeRefillsToFullAndDustNeedsTheThreeDeeMode) {
  Start(1, {"2222...", "1111..."});
  P1().ChainGauge = 37.5;
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().ChainGauge, 100);
  EXPECT_EQ(CountSprites<TDustSprite>(), 0);
  g.Config.UseDirect3D = true;
  EXPECT_EQ(EraseGroup(g, P1(), 0, 1), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(CountSprites<TDustSprite>(), 4);
}

TEST_F(EraseTest, BookkeepingAddsComboScoreAndGauges) {
  Start(1);
  P1().Chain = 3;
  AddCombo(P1(), 5);
  AddCombo(P1(), 2);
  EXPECT_EQ(P1().Combo, 7);
  EXPECT_EQ(P1().MaxCombo, 7);
  P1().Combo = 0;
  AddCombo(P1(), 1);
  EXPECT_EQ(P1().MaxCombo, 7);
  AddScore(g, P1(), 4);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().Score, 120);
  EXPECT_DOUBLE_EQ(P1().RainbowGauge, 4 * 0.5);
  P1().RainbowMode = true;
  AddScore(g, P1(), 4);
  PresentRulesEvents(g);
  EXPECT_DOUBLE_EQ(P1().RainbowGauge, 2);
  EXPECT_EQ(P1().PowerGauge, 0);
  P1().Score = 9999990;
  AddScoreRaw(g, P1(), 7000);
  PresentRulesEvents(g);
  EXPECT_EQ(P1().Score, 9999999);
}

// Erases the bottom row's group with a shot and lets everything settle.
class ChainTest : public GameTest {
 protected:
  void Shoot(int col, int row) {
    FireShot(g, P1(), col, row, stErase, "SHOT2");
    PresentRulesEvents(g);
    ASSERT_TRUE(RunUntil([&] { return P1().ShotsInFlight == 0; })) << "the shot never lands";
  }
};

TEST_F(ChainTest, FallErasuresScoreWithTheChainLevelOfTheStepBefore) {
  // Erasing the 1s drops the 2s onto the 2 in the bottom row: a chain of two.
  Start(1, {"2......", "2......", "2......", "1111...", "2......"});
  Shoot(1, 1);
  EXPECT_EQ(P1().Score, 40);
  EXPECT_EQ(P1().Chain, 1);
  Run(410, 10);  // erase animation
  EXPECT_EQ(P1().ErasingCount, 0);
  Tick(10);  // erase resolved: the blocks above fall
  EXPECT_EQ(P1().Phase, gpFall);
  ASSERT_EQ(P1().FallingList.size(), 3u);
  EXPECT_EQ(FieldRows(P1())[11], ".......");  // the erased row is gone
  ASSERT_TRUE(RunUntil([&] { return P1().Phase != gpFall; })) << "the fall never ends";
  EXPECT_EQ(P1().Phase, gpErase);
  EXPECT_EQ(P1().Score, 40 + 10 * 4 * 1);  // scored with the chain level of the step before
  EXPECT_EQ(P1().Chain, 2);
  EXPECT_EQ(P1().SeIndex, 2);
  EXPECT_EQ(P1().VoiceIndex, 2);
  EXPECT_EQ(P1().Combo, 8);
  EXPECT_TRUE(Played("SE02"));
  EXPECT_TRUE(Played("VOICE02"));
  ASSERT_TRUE(RunUntil([&] { return P1().Phase == gpPlay; })) << "never back in play";
  EXPECT_EQ(P1().Chain, 0);  // a fall with no erasure ends the chain level ...
  EXPECT_EQ(P1().Combo, 8);  // ... but not the combo
  EXPECT_EQ(P1().LineUpTime, g.FrameTime);
  EXPECT_EQ(FieldRows(P1())[12], ".......");
}

TEST_F(ChainTest, ErasedBlocksGoAndTheOnesAboveFallInColumnOrderBottomFirst) {
  Start(1, {"4.4.3..", "3.4.3..", "00003..", "1.3.5.."});
  Shoot(0, 1);
  Run(410, 10);
  Tick(10);
  ASSERT_EQ(P1().Phase, gpFall);
  const std::vector<std::pair<int, int>> want = {{0, 2}, {0, 3}, {2, 2}, {2, 3}};
  std::vector<std::pair<int, int>> got;
  for (const TCellRef& e : P1().FallingList) got.push_back({e.Col, e.Row});
  EXPECT_EQ(got, want);
  for (const TCellRef& e : P1().FallingList) {
    TBlock* b = Cell(P1(), e.Col, e.Row);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->Falling);
    EXPECT_EQ(b->TargetRow, e.Row - 1);
    EXPECT_DOUBLE_EQ(b->Speed, 32.0 / 200);
    EXPECT_GT(b->TargetY, b->Y);  // downward
    EXPECT_EQ(b->TargetY, CellY(P1(), e.Row - 1));
  }
  EXPECT_EQ(Cell(P1(), 1, 1), nullptr);         // the erased block is gone from its cell
  EXPECT_EQ(Cell(P1(), 4, 2)->Falling, false);  // column 4 has no gap
  Run(190, 10);
  EXPECT_EQ(P1().Phase, gpFall);
  Run(20, 10);
  EXPECT_EQ(P1().Phase, gpPlay);
  EXPECT_EQ(FieldRows(P1())[12], "1.3.5..");
  EXPECT_EQ(FieldRows(P1())[11], "3.4.3..");
  EXPECT_EQ(FieldRows(P1())[10], "4.4.3..");
  for (int c = 0; c < 7; ++c)
    for (int r = 0; r < 13; ++r)
      if (TBlock* b = Cell(P1(), c, r)) {
        EXPECT_EQ(b->Col, c);
        EXPECT_EQ(b->Row, r);
        EXPECT_DOUBLE_EQ(b->Y, CellY(P1(), r));
      }
}

TEST_F(ChainTest, SeveralGroupsInOneFallStepCountAsOneChainStepEach) {
  // Both side columns drop onto a matching block: two erasures in one step raise the chain by two.
  Start(1, {"3.....4", "3.....4", "3.....4", "1111111", "3.....4"});
  Shoot(3, 1);
  EXPECT_EQ(P1().Score, 70);
  ASSERT_TRUE(RunUntil([&] { return P1().Phase == gpFall; })) << "nothing falls";
  ASSERT_TRUE(RunUntil([&] { return P1().Phase != gpFall; })) << "the fall never ends";
  EXPECT_EQ(P1().Phase, gpErase);
  EXPECT_EQ(P1().Chain, 3);
  EXPECT_EQ(P1().SeIndex, 2);  // one sound step per fall step
  EXPECT_EQ(P1().Score, 70 + 10 * 4 * 1 + 10 * 4 * 1);
}

}  // namespace
}  // namespace kq::test
