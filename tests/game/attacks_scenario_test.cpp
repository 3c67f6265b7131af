// Gauges, attacks, levels, poker and the ending driven through the game tick.
#include <algorithm>
#include <string>

#include "config/hiscore.h"
#include "game_fixture.h"

namespace kq::test {
namespace {

struct AttackScenario : GameTest {
  // Runs until the player is back in play (or the limit passes).
  void RunUntilPlay(TPlayerInfo& p, int limitMs = 10000) {
    for (int t = 0; t < limitMs && p.Phase != gpPlay; t += 10) Tick(10);
  }
  // An erase shot at a cell, then the tick runs until the field settles.
  void EraseAt(TPlayerInfo& p, int col, int row) {
    AimAt(p, col, row);
    Tap(p.PlayerNo, g.Keys(p).J02);
    for (int t = 0; t < 3000 && (p.ShotsInFlight > 0 || p.Phase != gpPlay); t += 10) Tick(10);
  }
};

TEST_F(AttackScenario, ReleasedHazardsWaitUntilTheReceiverIsBackInPlay) {
  g.Config.ChainGaugePeriod = 1000;
  Start(2);
  P1().HazardStock = 10;
  P1().ChainGauge = 20;  // the combo ends after 200 ms
  P1().PowerGauge = 100;
  Tick(10);
  ASSERT_EQ(P2().Phase, gpTrim);
  Run(300);
  EXPECT_TRUE(P1().HazardRelease);
  // The trim takes three fades of 425 ms; the stock waits for it.
  Run(800);
  EXPECT_EQ(P2().Phase, gpTrim);
  EXPECT_EQ(P1().HazardStock, 10);
  RunUntilPlay(P2());
  ASSERT_EQ(P2().Rows, 10);
  Tick(10);
  EXPECT_EQ(P2().Phase, gpFall);
  EXPECT_EQ(P1().HazardStock, 0);
  EXPECT_FALSE(P1().HazardRelease);
  EXPECT_EQ(int(P2().FallingList.size()), 10);
  // The hazards land in the playable rows and the damage shows.
  RunUntilPlay(P2());
  int hazards = 0;
  for (int c = 0; c < 8; ++c)
    for (int r = 0; r < 13; ++r)
      if (TBlock* b = Cell(P2(), c, r)) {
        EXPECT_LT(r, 10);
        hazards += b->Hazard;
      }
  EXPECT_EQ(hazards, 10);
  EXPECT_TRUE(Played("VOICE21") || Played("VOICE22") || Played("VOICE23"));
}

TEST_F(AttackScenario, PowerAttackTrimsTheRivalAndTheRowsComeBack) {
  g.Config.LineTrimingPeriod = 2000;
  Start(2, {},
        {"11111111", "22222222", "33333333", "44444444", "55555555", "00000000", "11111111", "22222222",
         "33333333", "44444444", "55555555", "00000000"});
  P1().PowerGauge = 100;
  Tick(10);
  EXPECT_EQ(P1().PowerGauge, 0);
  RunUntilPlay(P2());
  EXPECT_EQ(P2().Rows, 10);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(Cell(P2(), c, 10), nullptr);
  EXPECT_TRUE(g.View(P2()).RowShades[10]->Visible);
  Run(2600);
  EXPECT_EQ(P2().Phase, gpRestore);
  RunUntilPlay(P2());
  EXPECT_EQ(P2().Rows, 13);
  for (auto* shade : g.View(P2()).RowShades) EXPECT_FALSE(shade->Visible);
  EXPECT_TRUE(P1().Active && P2().Active);
}

TEST_F(AttackScenario, RainbowModeStopsLinesForItsPeriodAndDropsThePendingOnes) {
  g.Config.RainbowModePeriod = 3000;
  g.LevelTable = {TLevelEntry{0, 100000, 500}};
  Start(1, {"0000000"});
  P1().RainbowGauge = 100;
  Tick(10);
  ASSERT_TRUE(P1().RainbowMode);
  uint32_t start = P1().RainbowStart;
  EXPECT_TRUE(Played("VOICE1D"));
  EXPECT_TRUE(g.View(P1()).RainbowSprite->Visible);
  P1().PendingLines = 3;
  Run(2900);
  EXPECT_TRUE(P1().RainbowMode);
  EXPECT_EQ(P1().PendingLines, 3);
  EXPECT_EQ(Cell(P1(), 0, 1), nullptr);  // nothing rose
  ASSERT_TRUE(RunUntil([&] { return !P1().RainbowMode; })) << "rainbow mode never ends";
  EXPECT_EQ(g.FrameTime - start, 3000u);
  EXPECT_EQ(P1().PendingLines, 0);
  EXPECT_TRUE(Played("VOICE1E"));
  EXPECT_FALSE(g.View(P1()).RainbowSprite->Visible);
  // Lines start again, counted from the end of rainbow mode.
  Run(500);
  EXPECT_EQ(P1().PendingLines, 1);
}

TEST_F(AttackScenario, RainbowModeErasesPairsAndPaysTheAllClearOnce) {
  Start(1, {"00"});
  P1().RainbowGauge = 100;
  Tick(10);
  ASSERT_TRUE(P1().RainbowMode);
  EraseAt(P1(), 0, 0);
  EXPECT_EQ(Cell(P1(), 0, 0), nullptr);
  EXPECT_TRUE(P1().BonusGiven);
  EXPECT_EQ(P1().Score, 20 + 10000);
}

TEST_F(AttackScenario, AChainOfThreeSendsItsHazardsToTheRivalAndAChainOfTwoNone) {
  g.Config.HazardBlockNum[3] = 6;
  g.Config.HazardBlockNum[4] = 9;
  // An erase shot, then the tick runs until the field settles; the highest chain level seen.
  auto chainOf = [&](int col, int row) {
    AimAt(P1(), col, row);
    Tap(0, g.Keys(P1()).J02);
    int maxChain = 0;
    for (int i = 0; i < 600 && !(P1().Phase == gpPlay && P1().ShotsInFlight == 0 && i > 100); ++i) {
      Tick(10);
      maxChain = std::max(maxChain, P1().Chain);
    }
    return maxChain;
  };
  // Erasing the 1s drops the 2s onto the 2 below: a chain of two.
  Start(2, {"2.......", "2.......", "2.......", "1111....", "2......."});
  ASSERT_EQ(chainOf(1, 1), 2);
  EXPECT_EQ(P1().HazardStock, 0);
  // The 1s go, the 3s and 5s above them land on two groups at once: a chain of three.
  Start(2, {"5.......", "5.......", "3.......", "3.......", "1.......", "15......", "153.....", "1333....",
            "44......"});
  ASSERT_EQ(chainOf(0, 2), 3);
  EXPECT_EQ(P1().HazardStock, 6);
  EXPECT_EQ(g.View(P1()).HazardCountSprite->Value, 6 * 10000);
  EXPECT_EQ(P2().HazardStock, 0);
}

TEST_F(AttackScenario, AnAllClearNearTheCapStopsAtTheLargestScore) {
  Start(1, {"00"});
  P1().Score = kMaxScore - 5000;
  P1().RainbowGauge = 100;
  Tick(10);
  ASSERT_TRUE(P1().RainbowMode);
  EraseAt(P1(), 0, 0);
  ASSERT_TRUE(P1().BonusGiven);
  EXPECT_EQ(P1().Score, kMaxScore);
  EXPECT_EQ(g.View(P1()).ScoreSprite->Value, int64_t(kMaxScore) * 10000);
}

TEST_F(AttackScenario, FourErasedBlocksReachLevelTwo) {
  g.LevelTable = {TLevelEntry{1, 4, 20000}, TLevelEntry{2, 5, 19000}};
  Start(1, {"0000111"});
  ASSERT_EQ(P1().Level, 1);
  EraseAt(P1(), 0, 0);
  EXPECT_EQ(P1().Level, 2);
  EXPECT_EQ(P1().ErasedInLevel, 0);
  EXPECT_EQ(P1().LvNeedBlock, 5);
  EXPECT_EQ(P1().LvLineUpInterval, 19000);
  EXPECT_TRUE(Played("LEVELUP"));
  EXPECT_EQ(P1().Score, 40);
  EXPECT_EQ(P1().PokerCards, "0");
}

TEST_F(AttackScenario, ChainGaugeEndsTheComboAfterItsPeriod) {
  Start(1, {"0000111"});
  EraseAt(P1(), 0, 0);
  EXPECT_EQ(P1().Combo, 4);
  EXPECT_GT(P1().ChainGauge, 0);
  Run(6000);
  EXPECT_EQ(P1().ChainGauge, 0);
  EXPECT_EQ(P1().Combo, 0);
  EXPECT_EQ(P1().MaxCombo, 4);
  EXPECT_FALSE(g.View(P1()).ComboSprite->Label->Visible);
}

TEST_F(AttackScenario, FiveErasuresMakeAHandThatScores) {
  // Five separate pairs of one kind stand in five columns: rainbow mode erases pairs.
  Start(1, {"0", "0", "1", "1", "2", "2", "3", "3", "4", "4"});
  P1().RainbowGauge = 100;
  Tick(10);
  int expected = 0;
  for (int row : {8, 6, 4, 2, 0}) {
    EraseAt(P1(), 0, row);
    expected += 20;
  }
  // Cards 0, 1, 2, 3, 4 (top pair first): a straight, judged one second after the fifth card.
  EXPECT_EQ(P1().PokerCards.size() + P1().PokerSorted.size(), 5u);
  Run(1100);
  EXPECT_EQ(P1().PokerHand, 7);
  EXPECT_EQ(P1().PokerSorted, "01234");
  EXPECT_GE(P1().Score, expected + 7000);
}

TEST_F(AttackScenario, EndingLevelStartsTheEndingAndConfirmLeavesToTheRanking) {
  g.LevelTable = {TLevelEntry{1, 4, 20000}, TLevelEntry{2, 5, 19000}};
  g.Config.EndingLv = 2;
  Start(1, {"0000111"});
  EraseAt(P1(), 0, 0);
  Tick(10);
  ASSERT_EQ(P1().Phase, gpEnding);
  EXPECT_TRUE(Played("VOICE99"));
  THiScoreTable expected = g.HiScoreTable;
  const int rank = InsertHiScore(expected, P1().Score, P1().MaxCombo, P1().Level);
  Run(100);
  EXPECT_EQ(g.EndingStep, 1);
  EXPECT_EQ(g.NewRankIndex, rank);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(g.HiScoreTable[i].Score, expected[i].Score);
  Run(1100);
  EXPECT_EQ(g.EndingStep, 3);
  Press(0, 30);
  Tick(10);
  EXPECT_EQ(g.ScreenState, scRanking);
}

TEST_F(AttackScenario, BigComboAtTheEndingLevelGoesOnToTheExLevels) {
  g.LevelTable = {TLevelEntry{1, 4, 20000}, TLevelEntry{2, 5, 19000}};
  g.Config.EndingLv = 2;
  g.Config.ExLvCombo = 4;
  Start(1, {"0000111"});
  EraseAt(P1(), 0, 0);
  Tick(10);
  EXPECT_EQ(g.ExStage, 1);
  EXPECT_EQ(P1().Phase, gpPlay);
  EXPECT_TRUE(Played("VOICE98"));
  EXPECT_FALSE(Played("VOICE99"));
}

}  // namespace
}  // namespace kq::test
