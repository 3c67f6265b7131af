// The field's blocks and shots as rules in the state: they move in the order they were made,
// blocks taken off a field still make that tick's move, and a copy of the state plays on exactly
// like the original with no sprite involved.
#include "game_fixture.h"

namespace kq::test {
namespace {

using FieldMoveTest = GameTest;

// Hazards that settle in the same tick draw their colours in the order they were made, whatever
// their cells, as their sprites did when they moved in creation order.
TEST_F(FieldMoveTest, HazardsSettleInTheOrderTheyWereMade) {
  g.Config.TotalBlockType = 6;
  Start(1, {"."});
  const uint32_t at = g.FrameTime + 100;
  const int cells[3][2] = {{5, 0}, {0, 0}, {3, 0}};  // made in this order
  for (const auto& c : cells) {
    TBlock* b = CreateBlock(g, P1(), c[0], c[1], 6, true);
    b->Hazard = true;
    b->HazardTime = at;
  }
  TRandom expect = g.Rng;
  std::vector<int> kinds;
  for (int i = 0; i < 3; ++i) kinds.push_back(expect.Random(6));
  ASSERT_FALSE(kinds[0] == kinds[1] && kinds[1] == kinds[2]) << "the order would not show";
  g.FrameTime = at;
  MoveField(g, 10);
  EXPECT_TRUE(Cell(P1(), 5, 0)->Hazard);  // not yet: the settle time must have passed
  g.FrameTime = at + 1;
  MoveField(g, 10);
  for (int i = 0; i < 3; ++i) {
    const TBlock* b = Cell(P1(), cells[i][0], cells[i][1]);
    EXPECT_FALSE(b->Hazard);
    EXPECT_TRUE(b->Hard);
    EXPECT_EQ(b->Kind, kinds[size_t(i)]) << i;
  }
  EXPECT_EQ(g.Rng.State(), expect.State());
}

// A block taken off the field makes the tick's move once more (a settling hazard still draws its
// colour); an erase resolved earlier in the tick drops it without a move.
TEST_F(FieldMoveTest, ABlockTakenOffMakesOneLastMoveUnlessAnEraseResolvedFirst) {
  Start(2, {"."}, {"."});
  for (bool eraseFirst : {false, true}) {
    TBlock* b = CreateBlock(g, P1(), 2, 4, 6, true);
    b->Hazard = true;
    b->HazardTime = g.FrameTime - 1;
    TakeBlock(g, P1(), 2, 4);
    EXPECT_EQ(Cell(P1(), 2, 4), nullptr);
    ASSERT_EQ(g.State.Leaving.size(), 1u);
    if (eraseFirst) EraseTick(g, P2());  // player 2's erase resolves (nothing erasing)
    const uint64_t before = g.Rng.State();
    MoveField(g, 10);
    EXPECT_EQ(g.Rng.State() != before, !eraseFirst) << eraseFirst;
    EXPECT_TRUE(g.State.Leaving.empty());
  }
}

// A shot made after a block moves after it: an erase shot that lands marks a block made before
// it after that block's move, so its animation starts on the next tick.
TEST_F(FieldMoveTest, BlocksAndShotsMoveInOneOrder) {
  Start(1, {"0000..."});
  FireShot(g, P1(), 0, 0, stErase, "SHOT2");
  TBlock* late = CreateBlock(g, P1(), 3, 0, 0, false);  // made after the shot
  ASSERT_TRUE(late);
  ASSERT_TRUE(RunUntil([&] { return P1().ShotsInFlight == 0; }));
  EXPECT_EQ(FieldRows(P1())[12], "****...");
  EXPECT_DOUBLE_EQ(Cell(P1(), 0, 0)->PatternPos, 1);  // marked after its move
  EXPECT_GT(Cell(P1(), 3, 0)->PatternPos, 1);         // marked before its move
}

// A copy of the whole state, put back later, replays the same course: nothing the rules need
// stays behind in a sprite.
TEST_F(FieldMoveTest, ACopyOfTheStatePlaysOnLikeTheOriginal) {
  g.Config.HazardBlockPeriod = 300;
  Start(2, {"0011223", "1122330", "2233001"}, {"3300112", "0011223", "1122330"});
  TRandom input(7);
  auto play = [&](int ticks) {
    std::vector<std::string> log;
    TRandom r = input;
    for (int t = 0; t < ticks; ++t) {
      for (int n = 0; n < 2; ++n) {
        TPlayerInfo& p = g.Player(n);
        if (!p.Active) continue;
        if (r.Random(7) == 0) AimAt(p, r.Random(p.Cols), r.Random(4));
        if (r.Random(9) == 0) FireShot(g, p, p.Sight.Col, p.Sight.Row, r.Random(3), "SHOT1");
      }
      Tick(10 + r.Random(7));
      std::string line;
      for (int n = 0; n < 2; ++n)
        for (const std::string& row : FieldRows(g.Player(n))) line += row;
      line += " " + std::to_string(P1().Score) + " " + std::to_string(P2().Score) + " " +
              std::to_string(g.State.Shots.size()) + " " + std::to_string(int(P1().Phase)) +
              std::to_string(int(P2().Phase));
      log.push_back(line);
    }
    input = r;
    return log;
  };
  play(150);
  const TGameState saved = g.State;
  const TRandom savedInput = input;
  const std::vector<std::string> first = play(400);
  g.State = saved;
  input = savedInput;
  const std::vector<std::string> again = play(400);
  EXPECT_EQ(first, again);
  EXPECT_NE(first.front(), first.back());  // something happened
}

// Trims and the game-over darkening are rules in the state too: a copy taken in the middle of a
// trim and put back runs the trim, the bars' expiry, the restore and a game over the same way.
TEST_F(FieldMoveTest, TrimsAndTheGameOverFadeReplayFromACopy) {
  g.Config.UseDirect3D = true;
  g.Config.LineTrimingPeriod = 1000;
  Start(2, {"0123450", "1234501"}, {"2345012", "3450123"});
  P2().LvLineUpInterval = 100000;
  P1().LvLineUpInterval = 100000;
  P1().PowerGauge = 100;
  Tick(10);
  ASSERT_EQ(P2().Phase, gpTrim);
  Run(200, 10);  // the first bar is fading in
  ASSERT_TRUE(P2().Trimming);
  int fewestRows = 13;
  auto play = [&] {
    std::vector<std::string> log;
    for (int t = 0; t < 400; ++t) {
      fewestRows = std::min(fewestRows, P2().Rows);
      if (t == 300) P1().PendingLines = 5, P1().Rows = 2;  // a quick loss
      Tick(10);
      char line[96];
      std::snprintf(line, sizeof line, "%d %d %d %d %d %zu %zu %.2f", int(P2().Phase), P2().Rows,
                    P2().RestoreLeft, int(P2().Trimming), int(P1().Phase), g.State.Bars.size(),
                    g.State.OverFades.size(),
                    g.State.OverFades.empty() ? 0.0 : double(g.State.OverFades[0].Fade.Alpha));
      log.push_back(line);
    }
    return log;
  };
  const TGameState saved = g.State;
  const TRandom voices = g.VoiceRng;  // which damage voice plays is no rule
  const auto sounds = g.SoundLog.size();
  const std::vector<std::string> first = play();
  const std::vector<TSoundLogEntry> firstSounds(g.SoundLog.begin() + ptrdiff_t(sounds), g.SoundLog.end());
  Start(2, {"0"}, {"0"});  // a fresh screen: only the state carries the game
  g.State = saved;
  g.VoiceRng = voices;
  g.SoundLog.clear();
  const std::vector<std::string> again = play();
  EXPECT_EQ(first, again);
  ASSERT_EQ(firstSounds.size(), g.SoundLog.size());
  for (size_t i = 0; i < firstSounds.size(); ++i) EXPECT_EQ(firstSounds[i].Name, g.SoundLog[i].Name) << i;
  // It did trim, bring the rows back and end the game with the darkening.
  EXPECT_EQ(fewestRows, 10);
  EXPECT_GT(P2().Rows, 10);  // restored in part before the game over stopped it
  EXPECT_EQ(P1().Phase, gpOver);
  EXPECT_EQ(g.State.OverFades.size(), 2u);
}

}  // namespace
}  // namespace kq::test
