#include "game_fixture.h"

namespace kq::test {
namespace {

using ControlsTest = GameTest;

constexpr int kUp = 0, kDown = 1, kLeft = 2, kRight = 3;

TEST_F(ControlsTest, DownBeatsUpExceptOnTheBottomRow) {
  Start(1);
  Press(0, kUp);
  Press(0, kDown);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 5);
  EXPECT_DOUBLE_EQ(g.View(P1()).Sight->Y, CellY(P1(), 5));
  AimAt(P1(), 3, 0);
  Release(0, kUp);
  Release(0, kDown);
  Tick(10);  // releases reset the repeat slots
  Press(0, kUp);
  Press(0, kDown);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 1);
}

TEST_F(ControlsTest, LeftBeatsRightAndOnlyOneMovePerFrame) {
  Start(1);
  Press(0, kLeft);
  Press(0, kRight);
  Press(0, kUp);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 7);  // up wins over the sideways moves
  EXPECT_EQ(P1().Sight.Col, 3);
  Release(0, kUp);
  Release(0, kLeft);
  Release(0, kRight);
  Tick(10);
  AimAt(P1(), 0, 12);
  Press(0, kUp);    // blocked at the top row
  Press(0, kLeft);  // blocked at column 0
  Press(0, kRight);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 12);
  EXPECT_EQ(P1().Sight.Col, 1);
  EXPECT_DOUBLE_EQ(g.View(P1()).Sight->X, CellX(P1(), 1));
}

TEST_F(ControlsTest, SightStopsAtEveryEdge) {
  Start(2);
  AimAt(P2(), 7, 12);
  Press(1, kRight);
  Press(1, kUp);
  Tick(10);
  EXPECT_EQ(P2().Sight.Col, 7);
  EXPECT_EQ(P2().Sight.Row, 12);
  Release(1, kRight);
  Release(1, kUp);
  Tick(10);
  AimAt(P2(), 0, 0);
  Press(1, kLeft);
  Press(1, kDown);
  Tick(10);
  EXPECT_EQ(P2().Sight.Col, 0);
  EXPECT_EQ(P2().Sight.Row, 0);
  // A trimmed field stops the sight below its playable rows.
  Release(1, kLeft);
  Release(1, kDown);
  Tick(10);
  P1().Rows = 10;
  AimAt(P1(), 0, 9);
  Press(0, kUp);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 9);
}

TEST_F(ControlsTest, HeldDirectionRepeatsAfter400ThenEvery100) {
  Start(1);
  AimAt(P1(), 0, 12);
  Press(0, kDown);
  std::vector<int> moves;
  int last = P1().Sight.Row;
  for (int t = 10; t <= 700; t += 10) {
    Tick(10);
    if (P1().Sight.Row != last) moves.push_back(t);
    last = P1().Sight.Row;
  }
  EXPECT_EQ(moves, (std::vector<int>{10, 410, 510, 610}));
}

TEST_F(ControlsTest, PlayerTwoPlaysOnItsOwnDevice) {
  Start(2);
  Press(1, kLeft);
  Tick(10);
  EXPECT_EQ(P2().Sight.Col, 2);
  EXPECT_EQ(P1().Sight.Col, 3);
  Tap(1, g.Config.KeyAssign2P.J02);
  EXPECT_EQ(P2().ShotsInFlight, 1);
  EXPECT_EQ(P1().ShotsInFlight, 0);
}

TEST_F(ControlsTest, ShotButtonsFireTheirShotTypesOnePressOneShot) {
  Start(1);
  Press(0, 4);
  Press(0, 5);
  Press(0, 6);
  Tick(10);
  EXPECT_EQ(P1().ShotsInFlight, 3);
  std::vector<int> types;
  for (const TShot& s : g.State.Shots) types.push_back(s.ShotType);
  EXPECT_EQ(types, (std::vector<int>{stChangeDown, stErase, stChangeUp}));
  int shots = 0;
  for (const auto& s : g.SoundLog) shots += s.Name == "SHOT";
  EXPECT_EQ(shots, 3);
  // The play-mode clearing ends the press: holding the button fires no more.
  Tick(10);
  Tick(10);
  EXPECT_EQ(P1().ShotsInFlight + 0, LiveShots(P1()));
  EXPECT_LE(P1().ShotsInFlight, 3);
}

TEST_F(ControlsTest, ShotsFireInEveryPhase) {
  Start(1);
  for (TGamePhase phase : {gpRise, gpErase, gpFall, gpTrim}) {
    P1().Phase = phase;
    P1().ErasingCount = 1;  // keep gpErase waiting
    P1().LineUpTime = g.FrameTime;
    const int before = P1().ShotsInFlight;
    Tap(0, 5, 1);
    EXPECT_EQ(P1().ShotsInFlight, before + 1) << int(phase);
  }
}

TEST_F(ControlsTest, RaiseInPlayQueuesALineOnTheNextTickAndRisesOnTheOneAfter) {
  Start(1, {"012345a"});
  Press(0, 7);
  Tick(10);  // the raise acts after this tick's phase
  EXPECT_EQ(P1().PendingLines, 0);
  Release(0, 7);
  Tick(10);
  EXPECT_EQ(P1().PendingLines, 1);
  EXPECT_EQ(P1().Phase, gpPlay);
  Tick(10);
  EXPECT_EQ(P1().Phase, gpRise);
  EXPECT_EQ(P1().PendingLines, 0);
  EXPECT_EQ(FieldRows(P1())[11], "012345a");
}

TEST_F(ControlsTest, RaiseDoesNothingOutsidePlay) {
  for (TGamePhase phase : {gpRise, gpErase, gpFall, gpTrim, gpRestore}) {
    Start(phase == gpTrim || phase == gpRestore ? 2 : 1);
    P1().Phase = phase;
    P1().ErasingCount = phase == gpErase ? 1 : 0;
    P1().Trimming = true;  // keeps the trim and restore phases waiting on their fade
    P1().TrimLeft = 2;
    P1().RestoreLeft = 1;
    P1().LineUpTime = g.FrameTime;
    if (phase == gpFall) {
      // a block still on its way down keeps the phase waiting
      TBlock* b = Cell(P1(), 0, 0);
      b->Speed = 0.0001;
      b->TargetY = 1000;
      P1().FallingList.push_back({0, 0});
    }
    const uint32_t lineUp = P1().LineUpTime;
    Press(0, 7);
    Tick(10);
    Release(0, 7);
    EXPECT_EQ(P1().LineUpTime, lineUp) << int(phase);
    EXPECT_EQ(P1().PendingLines, 0);
  }
}

TEST_F(ControlsTest, HeldRaiseRepeatsAndLinesQueueUpToFive) {
  Start(1);
  P1().ShotsInFlight = 1;  // nothing may rise
  Press(0, 7);
  Run(1000, 10);
  // Presses at 10, 410, 510, 610, 710, 810, 910 ms: seven, capped at five.
  EXPECT_EQ(P1().PendingLines, 5);
}

TEST_F(ControlsTest, EscLeavesToTheTitleFromEveryPhase) {
  for (TGamePhase phase : {gpPlay, gpRise, gpErase, gpFall, gpTrim, gpRestore, gpOver, gpEnding}) {
    Start(1);
    P1().Phase = phase;
    if (phase == gpOver) P1().Active = false;
    Press(0, kStateCancel);
    Tick(10);
    EXPECT_EQ(g.ScreenState, scTitle) << int(phase);
    EXPECT_EQ(g.View(P1()).Sight, nullptr);  // the play sprites are gone
  }
}

TEST_F(ControlsTest, VersusEndsForBothAndThePromptMovesBetweenYesAndNo) {
  Start(2, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P1().PendingLines = 1;  // row 12 is occupied: the next rise loses
  Tick(10);
  EXPECT_EQ(P1().Phase, gpOver);
  EXPECT_EQ(P2().Phase, gpOver);
  EXPECT_FALSE(P1().Active);
  EXPECT_FALSE(P2().Active);
  EXPECT_EQ(g.View(P1()).Sight, nullptr);
  EXPECT_EQ(g.View(P2()).Sight, nullptr);
  EXPECT_TRUE(Played("VOICE27"));
  ASSERT_NE(g.RetryYes, nullptr);
  ASSERT_NE(g.RetryNo, nullptr);
  EXPECT_DOUBLE_EQ(g.RetryYes->PatternSpeed, 0.008);
  EXPECT_DOUBLE_EQ(g.RetryNo->PatternSpeed, 0);
  EXPECT_EQ(g.RetryChoice, 0);

  // Input of the fields stops.
  Tap(1, 5);
  EXPECT_EQ(P2().ShotsInFlight, 0);

  g.SoundLog.clear();
  Tap(1, kRight);
  EXPECT_EQ(g.RetryChoice, 1);
  EXPECT_DOUBLE_EQ(g.RetryYes->PatternSpeed, 0);
  EXPECT_DOUBLE_EQ(g.RetryYes->PatternPos, 0);
  EXPECT_DOUBLE_EQ(g.RetryNo->PatternSpeed, 0.008);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"CURSOR"});
  Tap(0, kRight);  // already on no
  EXPECT_EQ(Sounds().size(), 1u);
  Tap(0, kLeft);
  EXPECT_EQ(g.RetryChoice, 0);
  EXPECT_DOUBLE_EQ(g.RetryYes->PatternSpeed, 0.008);
  Tap(0, kRight);
  EXPECT_EQ(g.RetryChoice, 1);
  Tap(0, kStateConfirm);
  EXPECT_EQ(g.ScreenState, scTitle);
}

TEST_F(ControlsTest, VersusYesStartsAFreshGame) {
  Start(2, {}, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P2().PendingLines = 1;
  P1().Score = 500;
  Tick(10);
  ASSERT_EQ(P2().Phase, gpOver);
  Tap(0, kStateConfirm);
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_TRUE(P1().Active);
  EXPECT_TRUE(P2().Active);
  EXPECT_EQ(P1().Score, 0);
  EXPECT_EQ(P1().Phase, gpPlay);
  EXPECT_EQ(g.RetryChoice, 0);
}

TEST_F(ControlsTest, OnePlayerGameOverConfirmGoesToTheRanking) {
  Start(1, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P1().PendingLines = 1;
  P1().Score = 70;
  Tick(10);
  EXPECT_EQ(P1().Phase, gpOver);
  EXPECT_FALSE(Played("VOICE27"));
  Tick(10);
  EXPECT_EQ(g.ScreenState, scPlay);
  Tap(0, kStateConfirm);
  EXPECT_EQ(g.ScreenState, scRanking);
}

TEST_F(ControlsTest, EndingConfirmGoesToTheRankingAndTheFieldIgnoresInput) {
  Start(1);
  P1().Phase = gpEnding;
  Press(0, kDown);
  Press(0, 5);
  Tick(10);
  EXPECT_EQ(P1().Sight.Row, 6);
  EXPECT_EQ(P1().ShotsInFlight, 0);
  Tap(0, kStateConfirm);
  EXPECT_EQ(g.ScreenState, scRanking);
}

}  // namespace
}  // namespace kq::test
