// The rules' state as a value: copies are independent and link their own players, and the timers
// the HUD shows run in the rules, with or without the sprites that show them.
#include "game_fixture.h"

namespace kq::test {
namespace {

using StateTest = GameTest;

TEST_F(StateTest, ACopyLinksItsOwnPlayersAndStaysApart) {
  Start(2, {"0123"}, {"4501"});
  TGameState copy = g.State;
  EXPECT_EQ(copy.Players[0].Rival, &copy.Players[1]);
  EXPECT_EQ(copy.Players[1].Rival, &copy.Players[0]);
  EXPECT_EQ(g.State.Players[0].Rival, &g.State.Players[1]);

  copy.Players[0].Score = 1234;
  copy.Players[1].Rival->Combo = 9;  // player 1 of the copy
  copy.Rng.Next();
  EXPECT_EQ(P1().Score, 0);
  EXPECT_EQ(P1().Combo, 0);
  EXPECT_EQ(copy.Players[0].Combo, 9);
  EXPECT_NE(copy.Rng.State(), g.Rng.State());

  // Assigning back restores it, with the links of the context's own pair.
  P1().Score = 77;
  g.State = copy;
  EXPECT_EQ(P1().Score, 1234);
  EXPECT_EQ(P1().Rival, &P2());
  EXPECT_EQ(g.Player1P.Rival, &g.State.Players[1]);

  // A one-player game has no rival link to fix.
  Start(1);
  TGameState solo = g.State;
  EXPECT_EQ(solo.Players[1].Rival, nullptr);
  EXPECT_EQ(solo.Players[0].Rival, &solo.Players[1]);
}

// One-player play with the chain gauge, rainbow mode and a poker hand running, with and without
// the HUD sprites.
TEST_F(StateTest, ChainRainbowAndPokerTimersRunWithoutTheirSprites) {
  auto run = [&](bool dropHud) {
    Start(1, {"0000111", "2222333"});
    P1().LvLineUpInterval = 100000;
    if (dropHud) {
      TPlayerSprites& v = g.View(P1());
      for (TSprite* s : std::initializer_list<TSprite*>{v.ChainGaugeSprite, v.RainbowGaugeSprite,
                                                        v.PokerSprite, v.ComboSprite, v.ScoreSprite})
        s->Kill();
      v.ChainGaugeSprite = nullptr;
      v.RainbowGaugeSprite = nullptr;
      v.PokerSprite = nullptr;
      v.ComboSprite = nullptr;
      v.ScoreSprite = nullptr;
    }
    P1().ChainGauge = 50;
    P1().Combo = 12;
    P1().RainbowGauge = 100;
    P1().PokerCards = "11223";
    P1().PokerState = 1;
    P1().HandTime = g.FrameTime;
    std::vector<std::string> log;
    for (int t = 0; t < 2000; ++t) {
      Tick(10);
      char line[160];
      std::snprintf(line, sizeof line, "%d %.6f %d %d %.6f %d %d %s %s %d", P1().Combo, P1().ChainGauge,
                    int(P1().RainbowMode), P1().Score, P1().RainbowGauge, int(P1().PokerState),
                    int(P1().PokerHand), P1().PokerCards.c_str(), P1().PokerSorted.c_str(), int(P1().Phase));
      log.push_back(line);
    }
    return std::make_pair(log, Sounds());
  };
  const auto withHud = run(false);
  const auto without = run(true);
  EXPECT_EQ(withHud.first, without.first);
  EXPECT_EQ(withHud.second, without.second);
  // The timers did run: the combo ended, the hand was paid, rainbow mode came and went.
  EXPECT_NE(withHud.first.front(), withHud.first.back());
  EXPECT_EQ(P1().Combo, 0);
  EXPECT_EQ(P1().Score, 2000);  // two pairs
  EXPECT_FALSE(P1().RainbowMode);
  EXPECT_TRUE(Played("VOICE1D"));
  EXPECT_TRUE(Played("VOICE1E"));
}

TEST_F(StateTest, TheHashCoversEveryPartOfTheStateAndNotWhereItLives) {
  Start(2, {"0123", "4501"}, {"2233"});
  FireShot(g, P1(), 1, 1, stErase, "SHOT2");
  StartRowBar(g, P2(), 12, true);
  const TGameState base = g.State;
  const uint64_t h = HashState(base);
  EXPECT_EQ(HashState(TGameState(base)), h);  // a copy elsewhere, its own Rival links: the same
  EXPECT_EQ(HashState(g.State), h);

  // One change anywhere in the rules' state, each in a field no hand-picked hash used to read.
  const std::vector<std::pair<const char*, std::function<void(TGameState&)>>> changes = {
      {"a block's fall position", [](TGameState& s) { s.Players[0].Cells[0][0].Y += 0.5; }},
      {"a block's erase animation", [](TGameState& s) { s.Players[0].Cells[1][0].PatternPos = 2; }},
      {"a hazard's settling time", [](TGameState& s) { s.Players[1].Cells[0][0].HazardTime = 5; }},
      {"a shot in flight", [](TGameState& s) { s.Shots[0].X += 1; }},
      {"a trim bar", [](TGameState& s) { s.Bars[0].Fade.Alpha = 7; }},
      {"a block leaving",
       [](TGameState& s) {
         s.Leaving.push_back({0, s.Players[0].Cells[0][0]});
       }},
      {"the sight", [](TGameState& s) { s.Players[1].Sight.Col = 5; }},
      {"a held key's repeat", [](TGameState& s) { s.Players[0].DirRepeat[2].LastTime = 9; }},
      {"the falling list",
       [](TGameState& s) {
         s.Players[0].FallingList.push_back({0, 1});
       }},
      {"the poker cards", [](TGameState& s) { s.Players[0].PokerCards = "1"; }},
      {"the restore batch", [](TGameState& s) { s.Players[1].RestoreBatch = 1; }},
      {"the serial counter", [](TGameState& s) { ++s.NextSerial; }},
      {"the rules' stream", [](TGameState& s) { s.Rng.Next(); }},
      {"the clock", [](TGameState& s) { ++s.FrameTime; }},
      {"the ending", [](TGameState& s) { s.EndingTime = 1; }},
  };
  for (const auto& [what, change] : changes) {
    TGameState s = base;
    change(s);
    EXPECT_NE(HashState(s), h) << what;
  }
}

}  // namespace
}  // namespace kq::test
