#include "game_fixture.h"

namespace kq::test {
namespace {

using ShotsTest = GameTest;

// Fires at (col, row) and returns the tick time (ms after firing) of the arrival.
int FlightTime(GameTest& /*t*/, GameContext& g, TPlayerInfo& p, int col, int row, int frame) {
  FireShot(g, p, col, row, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  int ms = 0;
  while (p.ShotsInFlight > 0 && ms < 10000) {
    g.FrameTime += uint32_t(frame);
    MoveField(g, frame);
    PresentRulesEvents(g);
    g.DXSpriteEngine1.MoveSprites(frame);
    g.DXSpriteEngine1.SweepSprites();
    ms += frame;
  }
  return ms;
}

TEST_F(ShotsTest, DiagonalShotsArriveOnTheFirstFrameAfterShotSpeed) {
  Start(1);
  ASSERT_EQ(g.Config.ShotSpeed, 777);
  // Nearest and farthest diagonal columns of both field sizes, in 2 ms frames (776, 778).
  for (int col : {0, 2, 4, 6}) EXPECT_EQ(FlightTime(*this, g, P1(), col, 5, 2), 778) << col;
  Start(2);
  for (int col : {0, 3, 4, 7}) EXPECT_EQ(FlightTime(*this, g, P1(), col, 12, 2), 778) << col;
  for (int col : {0, 3, 4, 7}) EXPECT_EQ(FlightTime(*this, g, P2(), col, 0, 2), 778) << col;
}

TEST_F(ShotsTest, DiagonalPathRunsFromTheShooterToTheCellCentre) {
  Start(2);
  const uint32_t shot = FireShot(g, P1(), 0, 12, stErase, "SHOT2");
  PresentRulesEvents(g);
  const TShot* s = FindShot(g, shot);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Direction, 3);
  EXPECT_DOUBLE_EQ(s->X, 128);
  EXPECT_DOUBLE_EQ(s->Y, 450);
  EXPECT_EQ(s->TargetX, 16);
  EXPECT_EQ(s->TargetY, 16);
  EXPECT_DOUBLE_EQ(s->Speed, 3.5 * 32 / 777);
  EXPECT_EQ(P1().ShotsInFlight, 1);
  EXPECT_DOUBLE_EQ(g.View(P1()).Shooter->PatternPos, 0);
  EXPECT_DOUBLE_EQ(g.View(P1()).Shooter->PatternSpeed, 0.007);
  Move(388);
  s = FindShot(g, shot);
  ASSERT_TRUE(s);
  EXPECT_NEAR(s->Y, s->Slope * s->X + s->Intercept, 1e-9);
  EXPECT_NEAR(s->X, 128 - 56 * 388.0 / 388.5, 1e-6);
  const TShot* r = FindShot(g, FireShot(g, P2(), 7, 3, stErase, "SHOT2"));
  PresentRulesEvents(g);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Direction, 4);
}

TEST_F(ShotsTest, StraightShotCoversRowPlusOneCellsInShotSpeed) {
  Start(1);
  for (int row : {0, 6, 12}) {
    const uint32_t shot = FireShot(g, P1(), 3, row, stChangeUp, "SHOT1");
    PresentRulesEvents(g);
    EXPECT_EQ(FindShot(g, shot)->Direction, 1);
    Move(777);
    const TShot* s = FindShot(g, shot);
    ASSERT_TRUE(s) << row;  // still short of the cell
    EXPECT_NEAR(s->Y, 450 - (row + 1) * 32, 1e-6) << row;
    g.DXSpriteEngine1.SweepSprites();
  }
  // Row 0 lies 50 px above the shooter: it arrives on the first frame after 50 / (32 / 777) ms.
  EXPECT_EQ(FlightTime(*this, g, P1(), 3, 0, 1), 1215);
}

TEST_F(ShotsTest, AShooterOffTheCentreStillHitsEveryColumn) {
  Start(1, {"0000000"});
  P1().LvLineUpInterval = 100000;
  // Column 3 would get no horizontal distance from a shooter left of its centre, and column 2
  // a negative one from a shooter further left: both take the straight path and arrive.
  for (double x : {100.0, 60.0, 20.0}) {
    g.View(P1()).Shooter->X = x;
    for (int col = 0; col < 7; ++col) {
      const TShot* s = FindShot(g, FireShot(g, P1(), col, 0, stChangeUp, "SHOT1"));
      PresentRulesEvents(g);
      ASSERT_TRUE(s);
      EXPECT_GT(s->Speed, 0) << x << " " << col;
    }
  }
  Run(6000, 10);  // off the centre the flight is no longer ShotSpeed long, but it ends
  EXPECT_EQ(P1().ShotsInFlight, 0);
  EXPECT_EQ(FieldRows(P1())[12], "3333333");
}

TEST_F(ShotsTest, ALongFrameCarriesTheShotPastItsCellButItStillActsThere) {
  Start(1, {"0000000"});
  const uint32_t shot = FireShot(g, P1(), 0, 0, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  Move(1500);
  std::vector<TRulesEvent> landings;
  for (const TRulesEvent& e : g.Events.List)
    if (e.Kind == reShotLanded) landings.push_back(e);
  ASSERT_EQ(landings.size(), 1u);
  const TRulesEvent& landed = landings[0];
  EXPECT_EQ(landed.Player, 0);
  EXPECT_LT(landed.X, CellX(P1(), 0) - 40);  // not clamped to the target
  EXPECT_EQ(landed.Col, 0);
  EXPECT_EQ(landed.Row, 0);
  EXPECT_FALSE(FindShot(g, shot));
  EXPECT_EQ(P1().ShotsInFlight, 0);
  EXPECT_EQ(Cell(P1(), 0, 0)->Kind, 1);
  EXPECT_EQ(Cell(P1(), 1, 0)->Kind, 0);
}

TEST_F(ShotsTest, ChangeShotsWrapAroundTheKinds) {
  Start(1, {"5005500"});
  FireShot(g, P1(), 0, 0, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  FireShot(g, P1(), 1, 0, stChangeDown, "SHOT1");
  PresentRulesEvents(g);
  FireShot(g, P1(), 2, 0, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  FireShot(g, P1(), 3, 0, stChangeDown, "SHOT1");
  PresentRulesEvents(g);
  Run(2000, 10);
  EXPECT_EQ(FieldRows(P1())[12], "0514500");
  EXPECT_TRUE(Played("B_CHANGE"));
  EXPECT_FALSE(Played("B_FLICK"));
  g.Config.TotalBlockType = 4;
  Start(1, {"3000000"});
  FireShot(g, P1(), 0, 0, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  FireShot(g, P1(), 1, 0, stChangeDown, "SHOT1");
  PresentRulesEvents(g);
  Run(2000, 10);
  EXPECT_EQ(FieldRows(P1())[12], "0300000");
}

TEST_F(ShotsTest, HardBlocksFlickButCountChangesInAdvancedMode) {
  g.Config.AdvancedMode1P = true;
  Start(1, {"c......", "h......"});
  FireShot(g, P1(), 0, 1, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  FireShot(g, P1(), 0, 0, stChangeDown, "SHOT1");
  PresentRulesEvents(g);
  Run(2000, 10);
  EXPECT_EQ(Cell(P1(), 0, 1)->Kind, 2);
  EXPECT_EQ(Cell(P1(), 0, 1)->ChangeCount, 1);
  EXPECT_EQ(Cell(P1(), 0, 0)->Kind, 6);  // a fresh hazard block is hard
  EXPECT_EQ(Cell(P1(), 0, 0)->ChangeCount, 1);
  EXPECT_FALSE(Played("B_CHANGE"));
  int flicks = 0;
  for (const auto& e : g.SoundLog) flicks += e.Name == "B_FLICK";
  EXPECT_EQ(flicks, 2);
}

TEST_F(ShotsTest, AdvancedModeWearsBlocksOutAtBlockCapacity) {
  g.Config.AdvancedMode1P = true;
  g.Config.BlockCapacity = 3;
  Start(1, {"0"});
  std::vector<std::pair<int, bool>> after;
  for (int i = 0; i < 4; ++i) {
    FireShot(g, P1(), 0, 0, stChangeUp, "SHOT1");
    PresentRulesEvents(g);
    Run(1000, 10);
    after.push_back({Cell(P1(), 0, 0)->Kind, Cell(P1(), 0, 0)->Hard});
  }
  EXPECT_EQ(after, (std::vector<std::pair<int, bool>>{{1, false}, {2, false}, {3, true}, {3, true}}));
  // Player 2 has its own setting: off.
  Start(2, {}, {"0"});
  for (int i = 0; i < 4; ++i) {
    FireShot(g, P2(), 0, 0, stChangeUp, "SHOT1");
    PresentRulesEvents(g);
    Run(1000, 10);
  }
  EXPECT_FALSE(Cell(P2(), 0, 0)->Hard);
  EXPECT_EQ(Cell(P2(), 0, 0)->ChangeCount, 0);
}

TEST_F(ShotsTest, ShotsAtEmptyCellsEndSilently) {
  Start(1, {"0"});
  FireShot(g, P1(), 5, 5, stErase, "SHOT2");
  PresentRulesEvents(g);
  FireShot(g, P1(), 5, 5, stChangeUp, "SHOT1");
  PresentRulesEvents(g);
  Run(2000, 10);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"SHOT", "SHOT"}));
  EXPECT_EQ(P1().ShotsInFlight, 0);
}

TEST_F(ShotsTest, EraseShotBelowTheLimitOnlyFlicks) {
  Start(1, {"000...."});
  FireShot(g, P1(), 0, 0, stErase, "SHOT2");
  PresentRulesEvents(g);
  Run(1500, 10);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"SHOT", "B_FLICK"}));
  EXPECT_EQ(P1().Phase, gpPlay);
  EXPECT_EQ(P1().ErasingCount, 0);
  EXPECT_EQ(P1().Chain, 0);
  EXPECT_EQ(P1().ChainGauge, 0);
  EXPECT_EQ(FieldRows(P1())[12], "000....");
}

TEST_F(ShotsTest, FirstEraseOfAChainScoresFortyForFourBlocks) {
  Start(1, {"0000..."});
  AimAt(P1(), 1, 0);
  Tap(0, 5);
  ASSERT_TRUE(RunUntil([&] { return P1().ShotsInFlight == 0; })) << "the shot never lands";
  EXPECT_EQ(P1().Phase, gpErase);
  EXPECT_EQ(P1().Chain, 1);
  EXPECT_EQ(P1().ShotChain, 1);
  EXPECT_EQ(P1().SeIndex, 1);
  EXPECT_EQ(P1().VoiceIndex, 1);
  EXPECT_EQ(P1().Combo, 4);
  EXPECT_EQ(P1().MaxCombo, 4);
  EXPECT_EQ(P1().Score, 40);
  EXPECT_EQ(P1().ErasedInLevel, 4);
  EXPECT_EQ(P1().ErasingCount, 4);
  EXPECT_EQ(P1().ChainGauge, 100);
  EXPECT_EQ(FieldRows(P1())[12], "****...");
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"SHOT", "SE01", "VOICE01"}));
}

TEST_F(ShotsTest, PlayerTwoVoicesStartAt0x51) {
  Start(2, {}, {"1111...."});
  FireShot(g, P2(), 0, 0, stErase, "SHOT2");
  PresentRulesEvents(g);
  Run(1000, 10);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"SHOT", "SE01", "VOICE51"}));
  EXPECT_DOUBLE_EQ(P2().PowerGauge, 4 * g.Config.PowerIncPerBlock);
  EXPECT_EQ(P2().RainbowGauge, 0);
}

TEST_F(ShotsTest, ASecondEraseShotWhileErasingDoesNothing) {
  Start(1, {"1111...", "0000..."});
  FireShot(g, P1(), 0, 0, stErase, "SHOT2");
  PresentRulesEvents(g);
  FireShot(g, P1(), 0, 1, stErase, "SHOT2");
  PresentRulesEvents(g);
  Run(1000, 10);
  EXPECT_EQ(P1().ErasingCount, 4);
  EXPECT_EQ(FieldRows(P1())[11], "1111...");
  EXPECT_EQ(P1().ShotsInFlight, 0);
}

TEST_F(ShotsTest, VoiceIndexStopsAtEleven) {
  Start(1);
  P1().VoiceIndex = 10;
  P1().Chain = 7;
  P1().ShotChain = 10;
  for (int c = 0; c < 4; ++c) CreateBlock(g, P1(), c, 8, 2, false);
  PresentRulesEvents(g);
  FireShot(g, P1(), 0, 8, stErase, "SHOT2");
  PresentRulesEvents(g);
  Run(1000, 10);
  EXPECT_EQ(P1().VoiceIndex, 11);
  EXPECT_EQ(P1().Chain, 7);
  EXPECT_EQ(P1().ShotChain, 10);
  EXPECT_TRUE(Played("VOICE0B"));
  EXPECT_EQ(P1().Score, 10 * 4 * 7);
}

}  // namespace
}  // namespace kq::test
