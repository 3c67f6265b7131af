// Long random games with attacks, trims and rainbow mode made frequent, checking the field and
// gauge invariants after every tick.
#include <cstdio>

#include "engine/random.h"
#include "game_fixture.h"

namespace kq::test {
namespace {

struct SoakAttacks : GameTest {
  TRandom input{12345};
  int trims = 0, restores = 0, deliveries = 0, rainbows = 0, erasures = 0, games = 0, hands = 0;
  uint8_t lastPhase[2] = {gpPlay, gpPlay};
  bool lastRainbow = false;

  void Configure() {
    g.Config.LineTrimingPeriod = 1500;
    g.Config.PowerIncPerBlock = 12;
    g.Config.RainbowIncPerBlock = 8;
    g.Config.RainbowModePeriod = 2500;
    g.Config.ChainGaugePeriod = 1500;
    g.Config.TotalBlockType = 3;
    g.Config.EraseLowerLimit = 3;
    g.Config.HazardBlockPeriod = 2000;
    g.Config.ShotSpeed = 200;
    g.LevelTable = {TLevelEntry{20, 6, 1500}, TLevelEntry{30, 8, 1200}, TLevelEntry{40, 10, 900}};
  }

  // Random play: mostly erase shots at occupied cells, some colour shots, moves and raises.
  void Act(TPlayerInfo& p) {
    if (!p.Active || !g.View(p).Sight || input.Random(4) != 0) return;
    int roll = input.Random(10);
    if (roll < 6) {
      int col = input.Random(p.Cols), row = input.Random(std::max(1, p.Rows));
      if (p.Cells[size_t(col)][size_t(row)]) AimAt(p, col, row);
      Press(p.PlayerNo, g.Keys(p).J02);
    } else if (roll < 8) {
      Press(p.PlayerNo, input.Random(2) ? g.Keys(p).J01 : g.Keys(p).J03);
    } else if (roll < 9) {
      Press(p.PlayerNo, input.Random(4));
    } else {
      Press(p.PlayerNo, g.Keys(p).J04);
    }
  }

  void Check(TPlayerInfo& p) {
    ASSERT_GE(p.Rows, 1);
    ASSERT_LE(p.Rows, 13);
    ASSERT_LE(p.Rows + p.RestoreLeft, 13);
    ASSERT_GE(p.HazardStock, 0);
    ASSERT_GE(p.ChainGauge, 0);
    ASSERT_LE(p.ChainGauge, 100);
    ASSERT_GE(p.PowerGauge, 0);
    ASSERT_GE(p.RainbowGauge, 0);
    if (p.RainbowMode) {
      ASSERT_LE(p.RainbowGauge, 100);
    }
    ASSERT_LE(p.Chain, 7);
    ASSERT_LE(p.PendingLines, 5);
    ASSERT_LE(p.PokerCards.size(), 5u);
    ASSERT_LE(p.Score, 9999999);
    // Rows outside play hold nothing once their trim step is done. A game over in the middle of
    // a trim step (the rival lost) freezes the row that was being cleared.
    const bool trimming = p.Phase == gpTrim || (p.Phase == gpOver && lastPhase[p.PlayerNo] == gpTrim);
    const int firstEmpty = p.Rows + (trimming ? 1 : 0);
    for (int c = 0; c < kMaxCols; ++c)
      for (int r = 0; r < kFieldRows; ++r) {
        TBlock* b = BlockAt(p, c, r);
        if (!b) continue;
        ASSERT_LT(c, p.Cols);
        ASSERT_LT(r, firstEmpty) << "block in trimmed row " << r << " of " << p.Rows;
        ASSERT_LE(b->Serial, g.State.NextSerial) << "cell " << c << "," << r << " holds a block never made";
        ASSERT_EQ(b->Col, c);
        if (!b->Falling) {
          ASSERT_EQ(b->Row, r);
        }
      }
    // Every trimmed row has its bar still holding or waits in RestoreLeft, and a wait below the
    // trigger of three always has a bar left to complete it.
    int holding = 0;
    for (const TRowBar& bar : g.State.Bars) holding += bar.Owner == p.PlayerNo && bar.Fade.FadeBack;
    ASSERT_EQ(holding + p.RestoreLeft, 13 - p.Rows);
    if (p.Phase != gpRestore && p.Phase != gpOver && p.RestoreLeft > 0 && p.RestoreLeft < 3) {
      ASSERT_GT(holding, 0) << "trimmed rows that can never come back: phase " << int(p.Phase) << " rows "
                            << p.Rows << " left " << p.RestoreLeft << " trimleft " << p.TrimLeft << " t "
                            << g.FrameTime;
    }
    for (int r = 0; r < kFieldRows; ++r) {
      if (g.View(p).RowShades[size_t(r)] && g.View(p).RowShades[size_t(r)]->Visible) {
        ASSERT_GE(r, p.Rows) << "shade over a playable row";
      }
      // What the events showed is what the state says (a re-run of ticks shows the state).
      if (g.View(p).RowShades[size_t(r)]) {
        ASSERT_EQ(g.View(p).RowShades[size_t(r)]->Visible, RowShaded(g.State, p, r))
            << "row " << r << " of " << p.Rows << " t " << g.FrameTime;
      }
    }
    if (const TDangerSprite* danger = g.View(p).DangerSprite) {
      ASSERT_EQ(danger->Visible, p.DangerShown) << "t " << g.FrameTime;
      if (p.DangerShown) {
        ASSERT_EQ(danger->Since, p.DangerSince);
      }
    }
  }

  void Count(TPlayerInfo& p) {
    uint8_t& last = lastPhase[p.PlayerNo];
    if (p.Phase != last) {
      if (p.Phase == gpTrim) ++trims;
      if (p.Phase == gpRestore) ++restores;
      if (p.Phase == gpFall && last == gpPlay) ++deliveries;
      if (p.Phase == gpErase) ++erasures;
      last = p.Phase;
    }
    if (p.PlayerNo == 0 && p.RainbowMode && !lastRainbow) ++rainbows;
    if (p.PlayerNo == 0) lastRainbow = p.RainbowMode;
    if (p.PokerState == 2 && p.PokerHand > 0) ++hands;
  }

  void Soak(int mode, int seconds) {
    Configure();
    Start(mode);
    ++games;
    for (int t = 0; t < seconds * 1000; t += 16) {
      if (g.ScreenState != scPlay || P1().Phase == gpOver || P1().Phase == gpEnding ||
          (mode == 2 && P2().Phase == gpOver)) {
        Start(mode);
        ++games;
        lastPhase[0] = lastPhase[1] = gpPlay;
      }
      Act(P1());
      if (mode == 2) Act(P2());
      Tick(16 + input.Random(3) * 8);
      for (int n = 0; n < mode; ++n) {
        Check(g.Player(n));
        if (HasFatalFailure()) return;
        Count(g.Player(n));
      }
      for (int s = 0; s < 36; ++s) {
        Release(0, s);
        Release(1, s);
      }
    }
  }
};

TEST_F(SoakAttacks, VersusWithAttacksAndTrims) {
  for (uint64_t seed : {12345u, 777u, 4242u}) {
    input.Seed(seed);
    g.SeedProgram(seed * 3);
    Soak(2, 1200);
    if (HasFatalFailure()) return;
  }
  std::printf("versus: %d games, %d trims, %d restores, %d deliveries, %d erasures\n", games, trims, restores,
              deliveries, erasures);
  EXPECT_GT(trims, 5);
  EXPECT_GT(restores, 2);
  EXPECT_GT(deliveries, 5);
  EXPECT_GT(erasures, 100);
}

TEST_F(SoakAttacks, OnePlayerWithRainbowModeAndPoker) {
  for (uint64_t seed : {12345u, 777u, 4242u}) {
    input.Seed(seed);
    g.SeedProgram(seed * 3);
    Soak(1, 900);
    if (HasFatalFailure()) return;
  }
  std::printf("one player: %d games, %d rainbows, %d erasures, %d hand frames\n", games, rainbows, erasures,
              hands);
  EXPECT_GT(rainbows, 3);
  EXPECT_GT(erasures, 100);
  EXPECT_GT(hands, 0);
}

}  // namespace
}  // namespace kq::test
