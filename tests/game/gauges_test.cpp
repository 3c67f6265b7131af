#include <gtest/gtest.h>

#include <set>

#include "game/game_fixture.h"
#include "game/gauges_fixture.h"
#include "game/screen_probe.h"

namespace kq::test {
namespace {

// --- hazard stock and counters ---

struct HazardStockTest : GaugesFixture {
  void SetUp() override {
    GaugesFixture::SetUp();
    StartGame(2);
  }
  TPlayerInfo& a = g.Player1P;
  TPlayerInfo& b = g.Player2P;
};

TEST_F(HazardStockTest, CounterEmptiesTheRivalStockAndSendsBackWithBonus) {
  b.HazardStock = 4;
  SendHazards(g, a, 10);
  PresentRulesEvents(g);
  EXPECT_EQ(b.HazardStock, 0);
  EXPECT_EQ(a.HazardStock, 12);  // 10 - 4 + 6
  EXPECT_EQ(CountSounds("VOICE26"), 1);
  // The counter display rolls to the new stock and pulses big.
  EXPECT_EQ(g.View(a).HazardCountSprite->Value, 12 * 10000);
  EXPECT_DOUBLE_EQ(g.View(a).HazardCountSprite->ZoomMax, 4.0);
  EXPECT_DOUBLE_EQ(g.View(a).HazardCountSprite->ZoomSpeed, 0.007);
  EXPECT_EQ(g.View(b).HazardCountSprite->Value, 0);
}

TEST_F(HazardStockTest, SmallerSendOnlyCancels) {
  b.HazardStock = 5;
  SendHazards(g, a, 3);
  PresentRulesEvents(g);
  EXPECT_EQ(b.HazardStock, 2);
  EXPECT_EQ(a.HazardStock, 0);
  EXPECT_EQ(g.View(b).HazardCountSprite->Value, 2 * 10000);
  EXPECT_EQ(CountSounds("VOICE26"), 0);
  // An equal send cancels exactly.
  SendHazards(g, a, 2);
  PresentRulesEvents(g);
  EXPECT_EQ(b.HazardStock, 0);
  EXPECT_EQ(a.HazardStock, 0);
}

TEST_F(HazardStockTest, CounterBonusIsOneAndAHalfCutDown) {
  for (auto [stock, back] : {std::pair{1, 1}, {3, 4}, {5, 7}}) {
    a.HazardStock = 0;
    b.HazardStock = stock;
    SendHazards(g, a, 10);
    PresentRulesEvents(g);
    EXPECT_EQ(a.HazardStock, 10 - stock + back) << "rival stock " << stock;
    EXPECT_EQ(b.HazardStock, 0);
  }
}

TEST_F(HazardStockTest, PlainSendAddsToTheStockWithoutVoice) {
  SendHazards(g, a, 2);
  PresentRulesEvents(g);
  SendHazards(g, a, 10);
  PresentRulesEvents(g);
  EXPECT_EQ(a.HazardStock, 12);
  EXPECT_EQ(CountSounds("VOICE26"), 0);
  EXPECT_DOUBLE_EQ(g.View(a).HazardCountSprite->ZoomMax, 2.2);
  SendHazards(g, a, 0);
  PresentRulesEvents(g);
  EXPECT_EQ(a.HazardStock, 12);
}

TEST_F(HazardStockTest, AReleaseLeftFromAnEmptyComboDoesNotDeliverTheNextComboEarly) {
  EndCombo(g, a);  // a combo with nothing sent
  EXPECT_TRUE(a.HazardRelease);
  SendHazards(g, a, 10);  // the next combo
  EXPECT_FALSE(a.HazardRelease);
  PlayTick(g, b);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpPlay);
  EXPECT_EQ(a.HazardStock, 10);
  // A stock waiting for delivery keeps its release when the next combo adds to it.
  EndCombo(g, a);
  PresentRulesEvents(g);
  SendHazards(g, a, 2);
  PresentRulesEvents(g);
  EXPECT_TRUE(a.HazardRelease);
  EXPECT_EQ(a.HazardStock, 12);
}

TEST_F(HazardStockTest, DeliveryDropsTheRivalStockAndResetsIt) {
  a.HazardStock = 5;
  a.HazardRelease = true;
  g.View(a).HazardCountSprite->SetValue(5 * 10000);
  PlayTick(g, b);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpFall);
  EXPECT_EQ(int(b.FallingList.size()), 5);
  EXPECT_EQ(a.HazardStock, 0);
  EXPECT_FALSE(a.HazardRelease);
  EXPECT_EQ(g.View(a).HazardCountSprite->Value, 0);
  EXPECT_EQ(g.View(a).HazardCountSprite->Shown, 0);
  // Without release the stock stays.
  a.HazardStock = 5;
  b.Phase = gpPlay;
  PlayTick(g, b);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpPlay);
  EXPECT_EQ(a.HazardStock, 5);
}

// --- dropping hazard blocks ---

TEST_F(HazardStockTest, TwentyHazardsFallInShuffledRoundsOfEight) {
  DropHazards(g, b, 20);
  PresentRulesEvents(g);
  ASSERT_EQ(int(b.FallingList.size()), 20);
  EXPECT_EQ(b.Phase, gpFall);
  // Each round of eight takes every column once, each on the lowest free cell.
  for (int round = 0; round < 3; ++round) {
    std::set<int> cols;
    for (int i = round * 8; i < std::min(20, round * 8 + 8); ++i) {
      const TCellRef& c = b.FallingList[size_t(i)];
      cols.insert(c.Col);
      EXPECT_EQ(c.Row, round) << "entry " << i;
    }
    EXPECT_EQ(int(cols.size()), round < 2 ? 8 : 4);
  }
  int three = 0;
  for (int c = 0; c < 8; ++c) {
    int n = BlocksInColumn(b, c);
    EXPECT_TRUE(n == 2 || n == 3);
    three += n == 3;
  }
  EXPECT_EQ(three, 4);
  for (size_t i = 0; i < b.FallingList.size(); ++i) {
    const TCellRef& c = b.FallingList[i];
    TBlock* blk = BlockAt(b, c.Col, c.Row);
    ASSERT_NE(blk, nullptr);
    EXPECT_EQ(blk->Kind, 6);
    EXPECT_TRUE(blk->Hard && blk->Hazard && blk->Dropped && blk->Falling);
    EXPECT_EQ(blk->Col, c.Col);
    EXPECT_EQ(blk->Row, c.Row);
    EXPECT_GE(blk->HazardTime, g.FrameTime + 12000);
    EXPECT_LT(blk->HazardTime, g.FrameTime + 14000);
    EXPECT_GT(blk->TargetY, blk->Y);  // downward
    EXPECT_DOUBLE_EQ(blk->Speed, 0.4);
    EXPECT_EQ(blk->TargetY, CellY(b, c.Row));
    EXPECT_DOUBLE_EQ(blk->Y, CellY(b, 13) + double(i % 8) * 5);  // just above the field, by cursor
  }
}

TEST_F(HazardStockTest, RoundsShuffleDifferently) {
  DropHazards(g, b, 24);
  PresentRulesEvents(g);
  std::vector<int> r0, r1, r2;
  for (int i = 0; i < 8; ++i) {
    r0.push_back(b.FallingList[size_t(i)].Col);
    r1.push_back(b.FallingList[size_t(i) + 8].Col);
    r2.push_back(b.FallingList[size_t(i) + 16].Col);
  }
  EXPECT_FALSE(r0 == r1 && r1 == r2);
}

TEST_F(HazardStockTest, HazardsLandOnTheLowestFreeCellAndSkipFullColumns) {
  FillColumn(b, 0, 13);
  FillColumn(b, 1, 13);
  FillColumn(b, 2, 5);
  DropHazards(g, b, 12);
  PresentRulesEvents(g);
  EXPECT_TRUE(b.Active);
  EXPECT_EQ(b.Phase, gpFall);
  EXPECT_EQ(int(b.FallingList.size()), 12);
  for (const TCellRef& c : b.FallingList) EXPECT_GE(c.Col, 2);
  EXPECT_EQ(BlocksInColumn(b, 0), 13);
  EXPECT_EQ(BlocksInColumn(b, 2), 7);  // rows 5 and 6
  EXPECT_TRUE(BlockAt(b, 2, 5)->Hazard);
  EXPECT_TRUE(BlockAt(b, 2, 6)->Hazard);
  for (int c = 3; c < 8; ++c) EXPECT_EQ(BlocksInColumn(b, c), 2);
}

TEST_F(HazardStockTest, NoRoomAnywhereLoses) {
  for (int c = 0; c < 8; ++c) FillColumn(b, c, 13);
  DropHazards(g, b, 1);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpOver);
  EXPECT_FALSE(b.Active);
  EXPECT_TRUE(b.FallingList.empty());
}

TEST_F(HazardStockTest, FillingTheLastCellsAndHavingMoreLeftLoses) {
  for (int c = 0; c < 8; ++c) FillColumn(b, c, 12);
  DropHazards(g, b, 9);  // eight fit in row 12, the ninth finds no room
  EXPECT_EQ(b.Phase, gpOver);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(BlocksInColumn(b, c), 13);
}

TEST_F(HazardStockTest, ATrimmedFieldTakesHazardsOnlyInPlayableRows) {
  b.Rows = 10;
  for (int c = 0; c < 7; ++c) FillColumn(b, c, 10);
  DropHazards(g, b, 3);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpFall);
  EXPECT_EQ(BlocksInColumn(b, 7), 3);
  for (int c = 0; c < 7; ++c) EXPECT_EQ(BlockAt(b, c, 10), nullptr);
  // They start just above the playable rows, 5 px lower per place in the round's order.
  double above = BlockAt(b, 7, 0)->Y - CellY(b, 10);
  EXPECT_GE(above, 0);
  EXPECT_LE(above, 35);
  EXPECT_EQ(int(above) % 5, 0);
}

// --- chain gauge ---

struct ChainGaugeTest : GaugesFixture {
  void SetUp() override {
    GaugesFixture::SetUp();
    StartGame(2);
  }
};

TEST_F(ChainGaugeTest, FullGaugeEmptiesAfterThePeriodAndEndsTheCombo) {
  TPlayerInfo& p = g.Player1P;
  p.ChainGauge = 100;
  p.Combo = 14;
  p.Chain = 3;
  p.ShotChain = 2;
  p.SeIndex = 4;
  p.VoiceIndex = 5;
  p.HazardStock = 10;
  g.View(p).ComboSprite->SetValue(14 * 10000);
  for (int t = 0; t < 5990; t += 10) Frame(10);
  EXPECT_GT(p.ChainGauge, 0);
  EXPECT_EQ(p.Combo, 14);
  EXPECT_FALSE(p.HazardRelease);
  Frame(10);  // 6000 ms
  EXPECT_EQ(p.ChainGauge, 0);
  EXPECT_TRUE(p.HazardRelease);
  EXPECT_EQ(p.Combo, 0);
  EXPECT_EQ(p.Chain, 0);
  EXPECT_EQ(p.ShotChain, 0);
  EXPECT_EQ(p.SeIndex, 0);
  EXPECT_EQ(p.VoiceIndex, 0);
  EXPECT_EQ(p.HazardStock, 10);
  TComboSprite* combo = g.View(p).ComboSprite;
  EXPECT_EQ(combo->Value, 0);
  EXPECT_EQ(combo->Shown, 0);
  EXPECT_EQ(combo->RollMode, 0);
  for (auto* d : combo->Digits) EXPECT_FALSE(d->Visible);
  EXPECT_FALSE(combo->Label->Visible);
}

TEST_F(ChainGaugeTest, ShortPeriodAndEmptyGauge) {
  g.Config.ChainGaugePeriod = 1000;
  TPlayerInfo& p = g.Player1P;
  Frame(16);
  EXPECT_FALSE(p.HazardRelease);  // an empty gauge ends nothing
  p.ChainGauge = 100;
  Frame(500);
  EXPECT_DOUBLE_EQ(p.ChainGauge, 50);
  Frame(600);
  EXPECT_EQ(p.ChainGauge, 0);
  EXPECT_TRUE(p.HazardRelease);
}

// --- power attack, trim and restore ---

struct TrimTest : GaugesFixture {
  void SetUp() override {
    GaugesFixture::SetUp();
    g.Config.LineTrimingPeriod = 3000;
    StartGame(2);
    for (int c = 0; c < 8; ++c) FillColumn(b, c, 12);
  }
  TPlayerInfo& a = g.Player1P;
  TPlayerInfo& b = g.Player2P;

  // Runs b's phase procedure with frames between, as the tick does, until it is back in play.
  int RunPhase(int maxFrames = 2000) {
    int frames = 0;
    while (b.Phase != gpPlay && frames < maxFrames) {
      if (b.Phase == gpTrim) TrimTick(g, b);
      PresentRulesEvents(g);
      if (b.Phase == gpRestore) RestoreTick(g, b);
      PresentRulesEvents(g);
      CheckFieldInvariants();
      Frame(16);
      ++frames;
    }
    return frames;
  }
  void Attack() {
    a.PowerGauge = 100;
    PlayTick(g, b);
    PresentRulesEvents(g);
    ASSERT_EQ(b.Phase, gpTrim);
    EXPECT_EQ(a.PowerGauge, 0);
    EXPECT_EQ(b.TrimLeft, 3);
    RunPhase();
  }
  // Waits in play (checking the restore trigger each frame) until the field is whole again.
  void WaitForRestore(int maxFrames = 10000) {
    for (int f = 0; f < maxFrames && b.Rows < 13; ++f) {
      if (b.Phase == gpPlay) PlayTick(g, b);
      PresentRulesEvents(g);
      if (b.Phase == gpRestore) RestoreTick(g, b);
      PresentRulesEvents(g);
      CheckFieldInvariants();
      Frame(16);
    }
    RunPhase();
  }
  void CheckFieldInvariants() {
    ASSERT_GE(b.Rows, 1);
    ASSERT_LE(b.Rows, 13);
    ASSERT_LE(b.Rows + b.RestoreLeft, 13);
    if (b.Trimming) return;
    // In gpTrim row Rows keeps its blocks until the step after its bar went opaque.
    for (int c = 0; c < 8; ++c)
      for (int r = b.Rows + (b.Phase == gpTrim ? 1 : 0); r < 13; ++r)
        ASSERT_EQ(BlockAt(b, c, r), nullptr) << "col " << c << " row " << r;
  }
  int LiveBars() { return int(g.State.Bars.size()); }
};

TEST_F(TrimTest, PowerAttackTrimsThreeRowsAndTheyComeBack) {
  int frames = 0;
  a.PowerGauge = 100;
  PlayTick(g, b);
  PresentRulesEvents(g);
  ASSERT_EQ(b.Phase, gpTrim);
  frames = RunPhase();
  // Three fades of about 425 ms one after the other.
  EXPECT_GE(frames * 16, 3 * 425);
  EXPECT_LT(frames * 16, 3 * 425 + 200);
  EXPECT_EQ(b.Rows, 10);
  EXPECT_EQ(b.TrimLeft, 0);
  EXPECT_FALSE(b.Trimming);
  for (int r = 0; r < 13; ++r) EXPECT_EQ(g.View(b).RowShades[size_t(r)]->Visible, r >= 10) << r;
  for (int c = 0; c < 8; ++c) {
    EXPECT_EQ(BlocksInColumn(b, c), 10);
    EXPECT_NE(BlockAt(b, c, 9), nullptr);
  }
  EXPECT_EQ(LiveBars(), 3);
  EXPECT_EQ(b.RestoreLeft, 0);

  WaitForRestore();
  EXPECT_EQ(b.Rows, 13);
  EXPECT_EQ(b.RestoreLeft, 0);
  EXPECT_EQ(b.Phase, gpPlay);
  for (auto* shade : g.View(b).RowShades) EXPECT_FALSE(shade->Visible);
  for (int i = 0; i < 60; ++i) Frame(16);
  EXPECT_EQ(LiveBars(), 0);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(BlocksInColumn(b, c), 10);  // trimmed blocks stay gone
}

TEST_F(TrimTest, RowsExpireAfterTheTrimPeriod) {
  Attack();
  uint32_t trimmedAt = g.FrameTime;
  while (b.RestoreLeft < 3 && g.FrameTime - trimmedAt < 10000) Frame(16);
  // The last bar was opaque at the end of the trim; it holds 3000 ms and fades out in 425 ms.
  EXPECT_GE(g.FrameTime - trimmedAt, 3000u);
  EXPECT_LE(g.FrameTime - trimmedAt, 3000u + 425 + 64);
  EXPECT_EQ(b.Rows, 10);  // nothing comes back outside gpRestore
}

TEST_F(TrimTest, AttackOnATrimmedFieldTrimsThreeMore) {
  Attack();
  ASSERT_EQ(b.Rows, 10);
  Attack();
  EXPECT_EQ(b.Rows, 7);
  for (int r = 7; r < 13; ++r) EXPECT_TRUE(g.View(b).RowShades[size_t(r)]->Visible);
  for (int c = 0; c < 8; ++c) EXPECT_EQ(BlocksInColumn(b, c), 7);
  EXPECT_EQ(LiveBars(), 6);
  WaitForRestore();
  EXPECT_EQ(b.Rows, 13);
  EXPECT_EQ(b.RestoreLeft, 0);
}

TEST_F(TrimTest, TheFieldKeepsOneRowAndEveryTrimmedRowComesBack) {
  g.Config.LineTrimingPeriod = 60000;
  for (int attack = 0; attack < 4; ++attack) Attack();
  EXPECT_EQ(b.Rows, 1);
  EXPECT_EQ(LiveBars(), 12);
  // A fifth attack finds only one row left: it trims nothing and makes no bar.
  Attack();
  EXPECT_EQ(b.Rows, 1);
  EXPECT_EQ(b.Phase, gpPlay);
  EXPECT_EQ(LiveBars(), 12);
  for (int c = 0; c < 8; ++c) EXPECT_NE(BlockAt(b, c, 0), nullptr);  // the last row keeps its blocks
  WaitForRestore(20000);
  EXPECT_EQ(b.Rows, 13);
  EXPECT_EQ(b.RestoreLeft, 0);
  for (auto* shade : g.View(b).RowShades) EXPECT_FALSE(shade->Visible);
}

TEST_F(TrimTest, RestoreTakesOneAttackAtATimeSoLateRowsStillReturn) {
  Attack();
  Attack();
  ASSERT_EQ(b.Rows, 7);
  // The player is busy while four bars expire; the last two of the second attack expire only
  // after the restore that follows (their hold is stretched here to make that certain).
  ASSERT_TRUE(StepUntil([&] { return b.RestoreLeft >= 4; }, [&] { Frame(16); }, 2000))
      << "the bars never expire";
  int late = 0;
  for (TRowBar& bar : g.State.Bars)
    if (bar.Fade.Stage == 1) {
      bar.Fade.HoldTime += 5000;
      ++late;
    }
  ASSERT_GE(late, 1);
  b.Phase = gpRestore;
  RunPhase();
  // One attack's rows per restore: the other expired rows wait for the late ones.
  EXPECT_EQ(b.Rows, 10);
  EXPECT_EQ(b.RestoreLeft, 3 - late);
  WaitForRestore();
  EXPECT_EQ(b.Rows, 13);
  EXPECT_EQ(b.RestoreLeft, 0);
}

TEST_F(TrimTest, SightStaysInThePlayableRows) {
  auto* sight = new TSightSprite(&g.DXSpriteEngine1);
  sight->Owner = &b;
  b.Sight = {2, 12, false, true};
  g.View(b).Sight = sight;
  Attack();
  EXPECT_EQ(b.Sight.Row, 9);
  EXPECT_DOUBLE_EQ(sight->Y, CellY(b, 9));
  EXPECT_DOUBLE_EQ(sight->X, CellX(b, 2));
}

TEST_F(TrimTest, RestoreTriggerNeedsThreeExpiredRows) {
  b.RestoreLeft = 2;
  PlayTick(g, b);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpPlay);
  b.RestoreLeft = 3;
  PlayTick(g, b);
  PresentRulesEvents(g);
  EXPECT_EQ(b.Phase, gpRestore);
}

// --- rainbow mode ---

struct RainbowTest : GaugesFixture {
  void SetUp() override {
    GaugesFixture::SetUp();
    StartGame(1);
    g.View(p).RainbowSprite = new TImageSprite(&g.DXSpriteEngine1);
    g.View(p).RainbowSprite->Visible = false;
  }
  TPlayerInfo& p = g.Player1P;
};

TEST_F(RainbowTest, FullGaugeStartsRainbowModeForExactlyThePeriod) {
  p.RainbowGauge = 99.9;
  RainbowStartTest(g, p);
  PresentRulesEvents(g);
  EXPECT_FALSE(p.RainbowMode);
  p.RainbowGauge = 104;
  RainbowStartTest(g, p);
  PresentRulesEvents(g);
  ASSERT_TRUE(p.RainbowMode);
  EXPECT_EQ(p.RainbowStart, g.FrameTime);
  EXPECT_TRUE(g.View(p).RainbowSprite->Visible);
  EXPECT_FALSE(p.BonusGiven);
  EXPECT_EQ(CountSounds("VOICE1D"), 1);
  uint32_t start = g.FrameTime;
  p.PendingLines = 3;
  p.BonusGiven = true;
  Frame(8500);
  EXPECT_NEAR(p.RainbowGauge, 50, 1e-9);
  // Nothing else shortens or stretches it: a second start test is ignored.
  p.RainbowGauge = 100;
  RainbowStartTest(g, p);
  PresentRulesEvents(g);
  EXPECT_EQ(p.RainbowStart, start);
  while (g.FrameTime - start < 16999) Frame(1);
  EXPECT_TRUE(p.RainbowMode);
  EXPECT_GT(p.RainbowGauge, 0);
  Frame(1);
  EXPECT_FALSE(p.RainbowMode);
  EXPECT_EQ(g.FrameTime - start, 17000u);
  EXPECT_EQ(p.RainbowGauge, 0);
  EXPECT_EQ(p.PendingLines, 0);
  EXPECT_EQ(p.LineUpTime, g.FrameTime);
  EXPECT_FALSE(g.View(p).RainbowSprite->Visible);
  EXPECT_EQ(CountSounds("VOICE1E"), 1);
  // Over until the gauge fills again.
  Frame(100);
  RainbowStartTest(g, p);
  PresentRulesEvents(g);
  EXPECT_FALSE(p.RainbowMode);
}

TEST_F(RainbowTest, LongFrameEndsRainbowModeOnce) {
  g.Config.RainbowModePeriod = 1000;
  p.RainbowGauge = 100;
  RainbowStartTest(g, p);
  PresentRulesEvents(g);
  Frame(5000);
  EXPECT_FALSE(p.RainbowMode);
  Frame(16);
  EXPECT_EQ(CountSounds("VOICE1E"), 1);
  EXPECT_EQ(p.RainbowGauge, 0);
}

// --- the HUD of each mode ---

// What the player sees of the HUD: pictures in colours of their own, every sprite drawn.
struct HudScreenTest : GaugesFixture {
  TScreenProbe probe;
  void SetUp() override {
    GaugesFixture::SetUp();
    probe.Paint(g.DXImageList1, "FONT_SCORE", 14, 20, 10);
    probe.Paint(g.DXImageList1, "NUM_COMBO", 16, 24, 10);
    probe.Paint(g.DXImageList1, "STR_COMBO", 60, 20);
    probe.Paint(g.DXImageList1, "STR_LEVEL", 30, 4);
    probe.Paint(g.DXImageList1, "CHAINGAUGE", 80, 8);
    probe.Paint(g.DXImageList1, "POWERGAUGE", 80, 8);
    probe.Paint(g.DXImageList1, "RAINBOWGAUGE", 80, 8);
    probe.Paint(g.DXImageList1, "POKER_RIM1", 40, 40, 5);
  }
  // Full gauges and a combo of 1234, rolled in and landed.
  void ShowEverything() {
    for (int n = 0; n < 2; ++n) {
      TPlayerInfo& p = g.Player(n);
      if (!p.Active) continue;
      p.ChainGauge = p.PowerGauge = p.RainbowGauge = 100;
      g.View(p).ComboSprite->RollSpeed = 100000;
      g.View(p).ComboSprite->SetValue(1234 * 10000);
    }
    Frame(16);
    Frame(300);
    probe.Draw(g.DXSpriteEngine1);
  }
};

TEST_F(HudScreenTest, OnePlayerHudStandsRightOfTheField) {
  StartGame(1);
  ShowEverything();
  const int x0 = 224 + 5, y0 = 50;
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(probe.At(x0 + 14 * i + 1, y0 + 1), "FONT_SCORE") << i;  // the score
  EXPECT_EQ(probe.At(x0 + 6, y0 + 30), "CHAINGAUGE");
  EXPECT_EQ(probe.At(x0 + 45, y0 + 30), "CHAINGAUGE");
  EXPECT_EQ(probe.At(x0 + 86, y0 + 30), "");  // 80 pixels wide
  EXPECT_EQ(probe.At(x0 + 6, y0 + 50), "RAINBOWGAUGE");
  for (int k = 0; k < 4; ++k) EXPECT_EQ(probe.At(x0 + 17 + 16 * k, y0 + 87), "NUM_COMBO") << k;
  EXPECT_EQ(probe.At(x0 + 64, y0 + 121), "STR_COMBO");
  EXPECT_EQ(probe.At(224 + 140 + 2, 140 + 2), "POKER_RIM1");  // the poker hand's card rims
  EXPECT_EQ(probe.At(10 + 1, 416 + 5 + 1), "STR_LEVEL");      // the level below the field
  // Nothing of the versus HUD.
  for (int x = 0; x < 640; x += 2) EXPECT_NE(probe.At(x, y0 + 50), "POWERGAUGE");
  for (int x = 0; x < 640; x += 2) EXPECT_NE(probe.At(x, 450), "FONT_SCORE");
  EXPECT_EQ(g.View(g.Player2P).ScoreSprite, nullptr);
}

TEST_F(HudScreenTest, VersusHudsStandBetweenTheFields) {
  StartGame(2);
  ShowEverything();
  const int x0 = 256 + 5;
  for (int y0 : {50, 280}) {
    EXPECT_EQ(probe.At(x0 + 14 + 1, y0 + 1), "FONT_SCORE") << y0;
    EXPECT_EQ(probe.At(x0 + 6, y0 + 30), "CHAINGAUGE") << y0;
    EXPECT_EQ(probe.At(x0 + 6, y0 + 50), "POWERGAUGE") << y0;
    EXPECT_EQ(probe.At(x0 + 17, y0 + 87), "NUM_COMBO") << y0;
  }
  // The hazard counts beside the hazard icons, the levels below the outer field corners.
  EXPECT_EQ(probe.At(256 - 58 + 42, 450), "FONT_SCORE");
  EXPECT_EQ(probe.At(384 + 14 + 42, 450), "FONT_SCORE");
  EXPECT_EQ(probe.At(10 + 1, 416 + 5 + 1), "STR_LEVEL");
  EXPECT_EQ(probe.At(640 - 82 + 1, 416 + 5 + 1), "STR_LEVEL");
  EXPECT_EQ(probe.At(224 + 140 + 2, 140 + 2), "");  // no poker hand
  for (int x = 0; x < 640; x += 2) EXPECT_NE(probe.At(x, 100), "RAINBOWGAUGE");
}

}  // namespace
}  // namespace kq::test
