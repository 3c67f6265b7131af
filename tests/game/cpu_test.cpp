// The computer player: the planner on small fields, its model of erasing checked against the
// rules, its presses through the device latching, and whole matches.
#include <cstdint>

#include "config/replay_file.h"
#include "game/cpu_player.h"
#include "game_fixture.h"

namespace kq::test {
namespace {

TCpuBoard Field(std::vector<std::string> rows, int limit = 4) {
  return CpuBoardFromRows(rows, 8, 6, limit);
}

TCpuSituation SightAt(int col, int row) {
  TCpuSituation s;
  s.SightCol = col;
  s.SightRow = row;
  return s;
}

TCpuSearch Search(int depth, bool chains = true, bool setUps = false) {
  return {depth, 3, chains, setUps};
}

// Every shot of a plan lands on a block; the erase lands on a group that erases.
void ExpectPlayable(const TCpuBoard& f, const TCpuPlan& plan) {
  ASSERT_FALSE(plan.Actions.empty());
  TCpuBoard after = f;
  for (const TCpuAction& a : plan.Actions) {
    ASSERT_TRUE(after.HasBlock(a.Col, a.Row)) << int(a.Col) << "," << int(a.Row);
    if (a.Kind != cpuErase) {
      EXPECT_TRUE(after.Changeable(a.Col, a.Row));
      CpuApplyChange(after, a);
    }
  }
  const TCpuAction& last = plan.Actions.back();
  EXPECT_EQ(last.Kind, cpuErase);
  EXPECT_GE(CpuGroupSize(after, last.Col, last.Row), f.Limit);
}

// --- planner building blocks ---------------------------------------------------------------------

TEST(CpuPlanner, FindsTheOneShotEraseNearestTheSight) {
  const TCpuBoard f = Field({"........", "3.......", "2.......", "1..00...", "5..00...", "41234512"});
  ASSERT_EQ(CpuGroupSize(f, 3, 1), 4);
  const auto plans = CpuFindPlans(f, SightAt(7, 6), Search(0));
  ASSERT_EQ(plans.size(), 1u);
  ASSERT_EQ(plans[0].Actions.size(), 1u);
  EXPECT_EQ(plans[0].Actions[0], (TCpuAction{cpuErase, 4, 2}));  // the group cell nearest (7, 6)
  EXPECT_EQ(plans[0].Outcome.Erased, 4);
  EXPECT_EQ(plans[0].Changes, 0);
}

TEST(CpuPlanner, BuildsAGroupWithTheShorterColourWay) {
  // Three 2s and a 3 between them: one colour-down shot on the 3, then the erase there.
  const TCpuBoard f = Field({"........", "........", "05134512", "22320123"});
  const auto plans = CpuFindPlans(f, SightAt(3, 0), Search(1));
  ASSERT_FALSE(plans.empty());
  const std::vector<TCpuAction> want = {{cpuChangeDown, 2, 0}, {cpuErase, 2, 0}};
  EXPECT_EQ(plans[0].Actions, want);
  ExpectPlayable(f, plans[0]);
  // A 5 turns into a 0 with one colour-up shot (the wheel wraps): column 5 up to the 0 group.
  const TCpuBoard w = Field({"........", "........", "00......", "05121212"});
  const auto wrap = CpuFindPlans(w, SightAt(1, 0), Search(1));
  ASSERT_FALSE(wrap.empty());
  EXPECT_EQ(wrap[0].Actions.front(), (TCpuAction{cpuChangeUp, 1, 0}));
  // Hard blocks and hazard blocks are never recoloured.
  const TCpuBoard hard = Field({"........", "........", "22d2....", "hhhh...."});
  for (const TCpuPlan& p : CpuFindPlans(hard, SightAt(0, 0), Search(3)))
    for (const TCpuAction& a : p.Actions) EXPECT_FALSE(a.Kind != cpuErase && !hard.Changeable(a.Col, a.Row));
  // Two changes bring no group of four; a third builds one round the hard 3.
  EXPECT_TRUE(CpuFindPlans(hard, SightAt(0, 0), Search(2)).empty());
  ASSERT_FALSE(CpuFindPlans(hard, SightAt(0, 0), Search(3)).empty());
  EXPECT_EQ(CpuFindPlans(hard, SightAt(0, 0), Search(3))[0].Changes, 3);
}

TEST(CpuPlanner, PrefersTheEraseThatStartsAChain) {
  // Left: erasing the 1s drops the 3 onto the other 3s (a second step). Right, next to the
  // sight: a plain group of 2s.
  const TCpuBoard f = Field({"........",  //
                             "3.......",  //
                             "1....222",  //
                             "1....244",  //
                             "1....455",  //
                             "1333.545"});
  const auto chained = CpuFindPlans(f, SightAt(7, 3), Search(0, true));
  ASSERT_GE(chained.size(), 2u);
  EXPECT_EQ(chained[0].Actions.back().Col, 0);
  EXPECT_EQ(chained[0].Outcome.Steps, 1);
  EXPECT_EQ(chained[0].Outcome.Erased, 8);
  // A level that does not look at falls takes the near group.
  const auto blind = CpuFindPlans(f, SightAt(7, 3), Search(0, false));
  EXPECT_GE(blind[0].Actions.back().Col, 5);
}

TEST(CpuPlanner, NearTheTopItTakesTheHighColumnDownFirst) {
  // The same far group of 2s on top of column 0 and a near group of 1s: when column 0 reaches
  // the danger rows the far erase wins, on a calm field the near one.
  const std::vector<std::string> base = {"3.......", "4.....11", "3....111"};
  std::vector<std::string> high = {"2.......", "2.......", "2.......", "2.......",
                                   "3.......", "4.......", "3.......", "4......."};
  high.insert(high.end(), base.begin(), base.end());
  std::vector<std::string> calm = {"2.......", "2.......", "2.......", "2......."};
  calm.insert(calm.end(), base.begin(), base.end());
  const auto danger = CpuFindPlans(Field(high), SightAt(7, 0), Search(0));
  const auto easy = CpuFindPlans(Field(calm), SightAt(7, 0), Search(0));
  ASSERT_FALSE(danger.empty());
  ASSERT_FALSE(easy.empty());
  EXPECT_EQ(danger[0].Actions.back().Col, 0);
  EXPECT_GE(easy[0].Actions.back().Col, 5);
}

TEST(CpuPlanner, SetsUpAChainWithOneMoreChange) {
  // The 4 above the 1s lands beside the 3s; one shot turns it into a 3 first.
  const TCpuBoard f = Field({"........", "4.......", "1.......", "1.......", "1.......", "1333...."});
  TCpuBoard probe = f;
  ASSERT_EQ(CpuSimulateErase(probe, 0, 1, {}).Steps, 0);
  const auto plans = CpuFindPlans(f, SightAt(0, 4), Search(2, true, true));
  ASSERT_FALSE(plans.empty());
  EXPECT_EQ(plans[0].Actions.front(), (TCpuAction{cpuChangeDown, 0, 4}));
  EXPECT_EQ(plans[0].Outcome.Steps, 1);
  ExpectPlayable(f, plans[0]);
}

TEST(CpuPlanner, RaisesALowFieldOnly) {
  EXPECT_TRUE(CpuWantsRaise(Field({"01234501"}), 0));
  EXPECT_TRUE(CpuWantsRaise(Field({}), 0));
  EXPECT_FALSE(CpuWantsRaise(Field({"01234501"}), 1));  // a line is already on its way
  EXPECT_FALSE(CpuWantsRaise(Field({"0.......", "1.......", "2.......", "3.......", "4.......", "5.......",
                                    "01234501", "12345012", "23450123"}),
                             0));
  TCpuBoard three = Field({"01234501", "12345012", "23450123"});
  EXPECT_TRUE(CpuWantsRaise(three, 0));
  three.Record.Rows = 8;  // five rows trimmed away: three rows of eight is no low field
  EXPECT_FALSE(CpuWantsRaise(three, 0));
}

TEST(CpuPlanner, NeverFiresAtAnEmptyCellOnRandomFields) {
  TRandom r(5);
  int plansSeen = 0;
  for (int n = 0; n < 300; ++n) {
    std::vector<std::string> rows;
    const int height = 1 + r.Random(12);
    for (int i = 0; i < height; ++i) {
      std::string line;
      for (int c = 0; c < 8; ++c) {
        const int x = r.Random(10);
        line += x < 6 ? char('0' + x) : x < 7 ? char('a' + r.Random(6)) : x < 8 ? 'h' : '.';
      }
      rows.push_back(line);
    }
    TCpuBoard f = Field(rows, 2 + r.Random(3));
    f.Record.Rows = 8 + r.Random(6);
    for (int depth = 0; depth <= 3; ++depth)
      for (const TCpuPlan& p :
           CpuFindPlans(f, SightAt(r.Random(8), r.Random(f.Rows())), Search(depth, true, true))) {
        ++plansSeen;
        ExpectPlayable(f, p);
        for (const TCpuAction& a : p.Actions) EXPECT_LT(a.Row, f.Rows());
      }
  }
  EXPECT_GT(plansSeen, 300);
}

TEST(CpuPlanner, RainbowModeErasesPairs) {
  const TCpuBoard f = Field({"........", "01234501", "02345012"}, 2);
  const auto plans = CpuFindPlans(f, SightAt(0, 0), Search(0));
  ASSERT_FALSE(plans.empty());
  EXPECT_EQ(plans[0].Outcome.Erased, 2);
}

// --- the planner's model against the rules --------------------------------------------------------

using CpuRulesTest = GameTest;

TEST_F(CpuRulesTest, SimulatedEraseMatchesTheGame) {
  // The 1s go, the 3s and 5s above them land on two groups at once: chain 3.
  const std::vector<std::string> rows = {"5.......", "5.......", "3.......", "3.......", "1.......",
                                         "15......", "153.....", "1333....", "44......"};
  Start(2, rows);
  TCpuBoard model = CpuBoardOf(g.Config, P1());
  EXPECT_EQ(model, Field(rows));
  const TCpuOutcome predicted = CpuSimulateErase(model, 0, 2, g.Config.HazardBlockNum);
  AimAt(P1(), 0, 2);
  Tap(0, g.Config.KeyAssign1P.J02);
  int maxChain = 0;
  for (int i = 0; i < 600 && !(P1().Phase == gpPlay && P1().ShotsInFlight == 0 && i > 100); ++i) {
    Tick(10);
    maxChain = std::max(maxChain, P1().Chain);
  }
  EXPECT_EQ(P1().Combo, predicted.Erased);
  EXPECT_EQ(maxChain, predicted.Chain);
  EXPECT_EQ(P1().HazardStock, predicted.Sent);
  EXPECT_EQ(CpuBoardOf(g.Config, P1()), model);
  EXPECT_EQ(predicted.Erased, 14);
  EXPECT_EQ(predicted.Chain, 3);
  EXPECT_EQ(predicted.Sent, 10);
}

TEST(CpuPlanner, SettlingTheErasingBlocksRunsTheChainTheyStart) {
  // The erasing 1 goes, the 2 above it lands beside three 2s: they erase too, the 3 falls twice.
  TCpuBoard f = Field({"3.......", "2.......", "1222....", "4444...."});
  f.SetBusy(0, 1, true);
  CpuSettleErasing(f);
  EXPECT_EQ(f, Field({"3.......", "4444...."}));
  // A busy block that falls in a simulated erase is still busy where it lands.
  TCpuBoard busy = Field({"5.......", "1.......", "1.......", "1.......", "1......."});
  busy.SetBusy(0, 4, true);
  EXPECT_EQ(CpuSimulateErase(busy, 0, 0, {}).Erased, 4);
  EXPECT_EQ(busy.Kind(0, 0), 5);
  EXPECT_TRUE(busy.Busy(0, 0));
  EXPECT_EQ(busy.BlockCount(), 1);
}

// --- the driver ------------------------------------------------------------------------------------

class CpuDriverTest : public GameTest {
 protected:
  MemoryPlatform platform;
  TestInput keys;

  // A versus game through the main loop's frame tick, the device of a computer player polled
  // from it.
  void StartVersus(int cpu1, int cpu2, std::vector<std::string> f1 = {}, std::vector<std::string> f2 = {}) {
    g.Config.Cpu1P = cpu1;
    g.Config.Cpu2P = cpu2;
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.ScreenState = scTitle;
    Start(2, f1, f2);
  }
  void Frame(int ms = 16) { FrameTick(g, g.FrameTime + uint32_t(ms), ms); }
  TCpuPlayer* Cpu(int n) { return dynamic_cast<TCpuPlayer*>(g.ControlPrograms[size_t(n)].get()); }
};

TEST_F(CpuDriverTest, OnlyTheComputerSideGetsAProgramAndOnlyInVersus) {
  StartVersus(0, 3);
  EXPECT_EQ(g.ControlPrograms[0], nullptr);
  ASSERT_NE(Cpu(1), nullptr);
  EXPECT_EQ(Cpu(1)->Level(), 3);
  g.EnterState(scTitle);  // leaving play gives the device back to the keyboard
  EXPECT_EQ(g.ControlPrograms[1], nullptr);
  g.Config.Cpu1P = 5;
  Start(1);
  EXPECT_EQ(g.ControlPrograms[0], nullptr);  // the one-player game is always a person's
}

TEST_F(CpuDriverTest, HeldControlsLatchLikeKeysAndShotsFireOnce) {
  StartVersus(0, 5, {}, {"........", "........", "00......", "00111111"});
  // The device of player 2 polled from the computer and from a keyboard holding the same keys.
  TDXInput viaKeys;
  viaKeys.Keys = g.DXInput2.Keys;
  int shots = 0, moves = 0;
  for (int i = 0; i < 400 && shots < 1; ++i) {
    const int col = P2().Sight.Col, row = P2().Sight.Row;
    const int inFlight = P2().ShotsInFlight;
    Frame();
    const TInputStates held = Cpu(1)->Held();
    keys.Keys.clear();
    for (int s = 0; s < kInputStates; ++s)
      if (held.test(size_t(s)))
        for (int vk : g.DXInput2.Keys[size_t(s)])
          if (vk) keys.Keys.insert(vk);
    viaKeys.Poll(keys);
    // Directions and J04 stay latched while held; the shot states were cleared at the frame's end.
    EndFrameInput(g.DXInput1, viaKeys, g.Config, true);
    EXPECT_EQ(g.DXInput2.States, viaKeys.States) << "frame " << i;
    if (P2().Sight.Col != col || P2().Sight.Row != row) {
      ++moves;
      EXPECT_EQ(std::abs(P2().Sight.Col - col) + std::abs(P2().Sight.Row - row), 1);  // never teleports
    }
    if (P2().ShotsInFlight > inFlight) ++shots;
  }
  EXPECT_EQ(shots, 1);
  EXPECT_GT(moves, 0);
}

TEST_F(CpuDriverTest, ASlowPlayerHoldsTheKeyOverALongWalkAndTheRepeatMovesIt) {
  // CPU 1 presses at most twice a second: over more than two cells holding is faster.
  g.LevelTable = {TLevelEntry{0, 100000, 100000}};
  StartVersus(0, 1, {},
              {"........", "........", "........", "........", "........", "........", "........", "........",
               "........", "........", "......00", "......00"});
  AimAt(P2(), 0, 12);
  int heldFrames = 0, moves = 0, longest = 0, run = 0;
  for (int i = 0; i < 600 && P2().ShotsInFlight == 0; ++i) {
    const int col = P2().Sight.Col, row = P2().Sight.Row;
    Frame();
    const TInputStates held = Cpu(1)->Held();
    const bool dir = held.test(0) || held.test(1) || held.test(2) || held.test(3);
    run = dir ? run + 1 : 0;
    longest = std::max(longest, run);
    heldFrames += dir;
    const int step = std::abs(P2().Sight.Col - col) + std::abs(P2().Sight.Row - row);
    EXPECT_LE(step, 1);
    moves += step;
  }
  EXPECT_GE(moves, 10);               // (0, 12) to the 0s at the bottom right
  EXPECT_GT(longest, 400 / 16);       // held through the first repeat delay
  EXPECT_LT(heldFrames, moves * 12);  // and not a frame per cell: the repeat did the walking
}

TEST_F(CpuDriverTest, ABeginnerPressesAtMostTwiceASecondAndNeverWithinHalfASecond) {
  StartVersus(1, 1);
  uint32_t last[2] = {0, 0};
  bool pressed[2] = {false, false};
  TInputStates before[2];
  int presses = 0;
  uint32_t shortest = UINT32_MAX;
  const int frames = 60 * 1000 / 16;
  for (int i = 0; i < frames && g.ScreenState == scPlay && P1().Phase != gpOver && P2().Phase != gpOver;
       ++i) {
    Frame();
    for (int n = 0; n < 2; ++n) {
      const TInputStates now = Cpu(n)->Held();
      if ((now & ~before[n]).any()) {
        ++presses;
        if (pressed[n]) shortest = std::min(shortest, g.FrameTime - last[n]);
        last[n] = g.FrameTime;
        pressed[n] = true;
      }
      before[n] = now;
    }
  }
  EXPECT_GT(presses, 20);  // it plays
  EXPECT_GE(shortest, 500u);
  EXPECT_LE(presses, 2 * 2 * 60);
  EXPECT_FALSE(CpuSkill(1).Search.SetUpChains);
}

TEST_F(CpuDriverTest, SystemKeysStillComeFromTheKeyboardOnAComputerPlayerOne) {
  g.Platform = &platform;
  StartVersus(4, 0);
  ASSERT_NE(Cpu(0), nullptr);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(g.ScreenState, scPlay);
  MemoryPlatform withEsc;
  withEsc.In.Keys = {27};
  g.Platform = &withEsc;
  Frame();
  EXPECT_EQ(g.ScreenState, scTitle);
  g.Platform = nullptr;
}

TEST_F(CpuDriverTest, AShortComputerMatchEndsWithALoserAndRepeatsWithTheSeed) {
  auto play = [&](uint64_t seed, std::vector<std::string>& end1) {
    g.SeedProgram(seed);
    g.FrameTime = 100000;
    g.LevelTable = {TLevelEntry{10, 20, 1500}};  // fast lines: a short match
    StartVersus(5, 1);
    int ticks = 0;
    while (ticks < 40000 && P1().Phase != gpOver && P2().Phase != gpOver) {
      Frame();
      ++ticks;
    }
    end1 = FieldRows(P1());
    return std::make_pair(g.LastWinner, ticks);
  };
  std::vector<std::string> a, b;
  const auto first = play(11, a);
  ASSERT_NE(first.first, 0) << "no loser after " << first.second << " ticks";
  EXPECT_LT(first.second, 40000);
  EXPECT_EQ(g.Player(2 - first.first).Phase, gpOver);
  EXPECT_FALSE(P1().Active || P2().Active);
  EXPECT_EQ(first.first, 1);  // CPU 5 beats CPU 1
  g.EnterState(scTitle);
  const auto second = play(11, b);
  EXPECT_EQ(second, first);
  EXPECT_EQ(a, b);
}

TEST_F(CpuDriverTest, PlanningLeavesTheGameAsItWas) {
  // On every eighth tick of a match both players' fields are searched as deep as the strongest
  // level looks, their best erase simulated and their erasing blocks settled, and on every tick
  // the players decide once more: none of it changes a field of the rules' state, draws from its
  // stream or tells the screen anything.
  g.SeedProgram(7);
  g.LevelTable = {TLevelEntry{10, 20, 1500}};
  StartVersus(5, 4);
  TCpuSituation s;
  s.HazardNum = g.Config.HazardBlockNum;
  int plans = 0, ticks = 0;
  for (; ticks < 400 && P1().Phase != gpOver && P2().Phase != gpOver; ++ticks) {
    const uint64_t hash = HashState(g.State);
    const size_t events = g.Events.List.size();
    for (int n = 0; n < 2; ++n) {
      Cpu(n)->Decide();
      if (ticks % 8 != 0) continue;
      TCpuBoard board = CpuBoardOf(g.Config, g.Player(n));
      TCpuBoard settled = board;
      CpuSettleErasing(settled);
      const std::vector<TCpuPlan> found = CpuFindPlans(board, s, {3, 4, true, true}, 6);
      if (!found.empty()) {
        ++plans;
        CpuSimulateErase(board, found[0].Actions.back().Col, found[0].Actions.back().Row, s.HazardNum);
      }
    }
    ASSERT_EQ(HashState(g.State), hash) << "tick " << ticks;
    ASSERT_EQ(g.Events.List.size(), events) << "tick " << ticks;
    Frame();
  }
  EXPECT_GT(plans, 40);
  EXPECT_EQ(ticks, 400);
}

TEST_F(CpuDriverTest, TwoComputersPlayTheNextMatchAfterAPauseAndAPersonDecidesOtherwise) {
  g.LevelTable = {TLevelEntry{10, 20, 800}};
  StartVersus(3, 3);
  for (int i = 0; i < 60000 && P1().Phase != gpOver && P2().Phase != gpOver; ++i) Frame();
  ASSERT_TRUE(P1().Phase == gpOver || P2().Phase == gpOver);
  auto over = [&] { return P1().Phase == gpOver || P2().Phase == gpOver; };
  for (int i = 0; i < 250; ++i) Frame();  // 4 s: still the prompt
  EXPECT_TRUE(over());
  for (int i = 0; i < 100; ++i) Frame();
  EXPECT_FALSE(over());
  EXPECT_TRUE(P1().Active && P2().Active);

  // A person against the computer: the prompt waits for the person.
  StartVersus(0, 5);
  GameOver(g, P1());
  for (int i = 0; i < 600; ++i) Frame();
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_TRUE(over());
  EXPECT_EQ(g.LastWinner, 2);
}

}  // namespace
}  // namespace kq::test
