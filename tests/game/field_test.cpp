#include "game_fixture.h"
#include "screen_probe.h"

namespace kq::test {
namespace {

using FieldTest = GameTest;

// What the player sees at the start: pictures in colours of their own, the screen drawn.
struct FieldScreenTest : GameTest {
  TScreenProbe probe;
  void SetUp() override {
    GameTest::SetUp();
    for (int k = 0; k <= 6; ++k) {
      probe.Paint(g.DXImageList1, "BLOCK_N" + std::to_string(k), 32, 32, 6);
      probe.Paint(g.DXImageList1, "BLOCK_C" + std::to_string(k), 32, 32, 6);
    }
    probe.Paint(g.DXImageList1, "SIGHT", 32, 32);
    probe.Paint(g.DXImageList1, "SHOOTER", 32, 32, 2);
    probe.Paint(g.DXImageList1, "STR_1P", 30, 10);
    probe.Paint(g.DXImageList1, "STR_2P", 30, 10);
  }
  // The picture at the centre of a cell.
  std::string AtCell(TPlayerInfo& p, int col, int row) {
    return probe.At(16 + p.FieldLeft + 32 * col, 400 - 32 * row);
  }
};

TEST_F(FieldScreenTest, OnePlayerFieldIsSevenColumnsAtTheLeft) {
  Start(1, {"5", "0123450"});
  probe.Draw(g.DXSpriteEngine1);
  const char* kinds = "0123450";
  for (int c = 0; c < 7; ++c) EXPECT_EQ(probe.At(16 + 32 * c, 400), std::string("BLOCK_N") + kinds[c]) << c;
  EXPECT_EQ(probe.At(16, 400 - 32), "BLOCK_N5");  // rows count from the bottom
  EXPECT_EQ(probe.At(240, 400), "");              // no eighth column
  EXPECT_EQ(probe.At(16, 400 - 64), "");
  // The sight on the fourth column, seventh row; the shooter below the middle of the field.
  EXPECT_EQ(probe.At(112, 208), "SIGHT");
  EXPECT_EQ(probe.At(112, 450), "SHOOTER");
  EXPECT_EQ(probe.At(112 + 17, 450), "");
  // The player's label beside the field, nothing of a second player.
  EXPECT_EQ(probe.At(224 + 5 + 32, 50 - 12), "STR_1P");
  for (int y = 0; y < 480; y += 4) EXPECT_NE(probe.At(600, y), "STR_2P");
}

TEST_F(FieldScreenTest, VersusFieldsAreEightColumnsAtBothEdges) {
  Start(2, {"01234501"}, {"10234512"});
  probe.Draw(g.DXSpriteEngine1);
  EXPECT_EQ(probe.At(16, 400), "BLOCK_N0");
  EXPECT_EQ(probe.At(16 + 32 * 7, 400), "BLOCK_N1");
  EXPECT_EQ(probe.At(640 - 256 + 16, 400), "BLOCK_N1");
  EXPECT_EQ(probe.At(640 - 16, 400), "BLOCK_N2");
  EXPECT_EQ(probe.At(320, 400), "");  // the gap between the fields
  for (TPlayerInfo* p : {&P1(), &P2()}) {
    EXPECT_EQ(AtCell(*p, 3, 6), "SIGHT");
    EXPECT_EQ(probe.At(p->FieldLeft + 128, 450), "SHOOTER");
  }
  // The hazard icons: at the inner bottom corner of each field.
  EXPECT_EQ(probe.At(256 - 58, 450), "BLOCK_C6");
  EXPECT_EQ(probe.At(384 + 14, 450), "BLOCK_C6");
  EXPECT_EQ(probe.At(256 - 58 - 17, 450), "");
}

TEST_F(FieldTest, RecordsOfTheOnePlayerGame) {
  Start(1);
  EXPECT_TRUE(P1().Active);
  EXPECT_EQ(P1().Rival, &g.Player2P);
  EXPECT_EQ(P1().VoiceBase, 0);
  EXPECT_FALSE(P2().Active);
  EXPECT_EQ(P2().Cols, 0);
  EXPECT_EQ(g.View(P2()).Sight, nullptr);
  EXPECT_EQ(g.View(P2()).DangerSprite, nullptr);
  ASSERT_NE(g.View(P1()).RainbowSprite, nullptr);
  EXPECT_FALSE(g.View(P1()).RainbowSprite->Visible);
  EXPECT_EQ(g.View(P1()).HazardIcon, nullptr);
  // Level 1 is loaded by the start's level check.
  EXPECT_EQ(P1().Level, 1);
  EXPECT_EQ(P1().LvLineUpInterval, 5000);
  EXPECT_EQ(P1().LineUpTime, g.FrameTime);
}

TEST_F(FieldTest, RecordsOfTheVersusGame) {
  Start(2);
  EXPECT_EQ(P1().Rival, &g.Player2P);
  EXPECT_EQ(P2().Rival, &g.Player1P);
  EXPECT_EQ(P2().PlayerNo, 1);
  EXPECT_EQ(P2().VoiceBase, 0x50);
  for (TPlayerInfo* p : {&P1(), &P2()}) {
    EXPECT_TRUE(p->Active);
    EXPECT_EQ(g.View(*p).RainbowSprite, nullptr);
    EXPECT_EQ(g.View(*p).Sight->Owner, p);
    // Hidden until the rules show them.
    for (int r = 0; r < kFieldRows; ++r) EXPECT_FALSE(g.View(*p).RowShades[size_t(r)]->Visible);
    EXPECT_FALSE(g.View(*p).DangerSprite->Visible);
  }
}

TEST_F(FieldTest, StartLinesFillTheBottomRows) {
  Start(1);
  for (int r = 0; r < kFieldRows; ++r)
    for (int c = 0; c < 7; ++c) {
      TBlock* b = Cell(P1(), c, r);
      if (r < 5) {
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Col, c);
        EXPECT_EQ(b->Row, r);
        EXPECT_LT(b->Kind, g.Config.TotalBlockType);
        EXPECT_FALSE(b->Hazard);
        EXPECT_DOUBLE_EQ(b->Y, CellY(P1(), r));
        EXPECT_EQ(b->TargetY, CellY(P1(), r));
        EXPECT_EQ(b->Speed, 0);  // at rest
        EXPECT_DOUBLE_EQ(b->PatternPos, 1);
        EXPECT_EQ(b->PatternSpeed, 0);
      } else {
        EXPECT_EQ(b, nullptr);
      }
    }
  EXPECT_EQ(Cell(P1(), 7, 0), nullptr);  // the eighth column stays unused
}

TEST_F(FieldTest, BlockStartLineZeroAndTen) {
  g.Config.BlockStartLine = 0;
  Start(1);
  for (int c = 0; c < 7; ++c) EXPECT_EQ(Cell(P1(), c, 0), nullptr);
  g.Config.BlockStartLine = 10;
  Start(2);
  for (TPlayerInfo* p : {&P1(), &P2()})
    for (int c = 0; c < 8; ++c) {
      EXPECT_NE(Cell(*p, c, 9), nullptr);
      EXPECT_EQ(Cell(*p, c, 10), nullptr);
    }
}

TEST_F(FieldTest, ScriptedFieldIsLaidBottomLineFirst) {
  g.Config.HazardBlockPeriod = 12000;
  Start(1, {"h", "5a", "01.f", ".2"});
  EXPECT_EQ(FieldRows(P1())[12], ".2.....");
  EXPECT_EQ(FieldRows(P1())[11], "01.f...");
  EXPECT_EQ(FieldRows(P1())[10], "5a.....");
  EXPECT_EQ(FieldRows(P1())[9], "h......");
  TBlock* hard = Cell(P1(), 3, 1);
  ASSERT_NE(hard, nullptr);
  EXPECT_TRUE(hard->Hard);
  EXPECT_EQ(hard->Kind, 5);
  TBlock* hz = Cell(P1(), 0, 3);
  ASSERT_NE(hz, nullptr);
  EXPECT_EQ(hz->Kind, 6);
  EXPECT_TRUE(hz->Hard);
  EXPECT_TRUE(hz->Hazard);
  EXPECT_GE(hz->HazardTime, g.FrameTime + 12000);
  EXPECT_LT(hz->HazardTime, g.FrameTime + 14000);
  // Everything else of the start is unchanged.
  EXPECT_EQ(P1().Level, 1);
  EXPECT_EQ(P1().LineUpTime, g.FrameTime);
}

TEST_F(FieldTest, ScriptedFieldForPlayerTwoOnly) {
  Start(2, {}, {"11111111"});
  EXPECT_EQ(FieldRows(P2())[12], "11111111");
  EXPECT_EQ(FieldRows(P2())[11], "........");
  EXPECT_NE(Cell(P1(), 0, 4), nullptr);  // player 1 got the random start lines
}

TEST_F(FieldTest, StartVoiceAndMusic) {
  g.SoundLog.clear();
  g.GameMode = 1;
  g.FieldCols = 7;
  g.EnterState(scPlay);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"VOICE1B"});
  g.SoundLog.clear();
  g.GameMode = 2;
  g.FieldCols = 8;
  g.EnterState(scPlay);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"VOICE28"});
}

TEST_F(FieldTest, BackgroundShowsBackPicturesAtAlpha200) {
  TPictureItem& back1 = g.DXImageList1.Replace("BACK1");
  back1.Source = Bitmap(8, 8, 0xFFFF0000u);
  back1.Restore();
  TPictureItem& back2 = g.DXImageList1.Replace("BACK2");
  back2.Source = Bitmap(8, 8, 0xFF0000FFu);
  back2.Restore();
  Start(2);
  const Bitmap& bg = g.BackSurface.Pixels();
  EXPECT_EQ(bg.At(10, 10) & 0xFFFFFFu, 0xC80000u);  // red at 200/255 over black
  EXPECT_EQ(bg.At(255, 415) & 0xFFFFFFu, 0xC80000u);
  EXPECT_EQ(bg.At(300, 100) & 0xFFFFFFu, 0u);  // between the fields
  EXPECT_EQ(bg.At(10, 420) & 0xFFFFFFu, 0u);   // below the field
  EXPECT_EQ(bg.At(400, 10) & 0xFFFFFFu, 0x0000C8u);
  Start(1);
  EXPECT_EQ(g.BackSurface.Pixels().At(400, 10) & 0xFFFFFFu, 0u);
  EXPECT_EQ(g.BackSurface.Pixels().At(223, 10) & 0xFFFFFFu, 0xC80000u);
  EXPECT_EQ(g.BackSurface.Pixels().At(224, 10) & 0xFFFFFFu, 0u);
}

TEST_F(FieldTest, RestartRebuildsBothRecords) {
  Start(2);
  P1().Score = 1234;
  P1().Level = 9;
  P2().HazardStock = 7;
  P2().PowerGauge = 55;
  g.EnterState(scPlay);
  EXPECT_EQ(P1().Score, 0);
  EXPECT_EQ(P1().Level, 1);
  EXPECT_EQ(P2().HazardStock, 0);
  EXPECT_EQ(P2().PowerGauge, 0);
  EXPECT_TRUE(P2().Active);
}

}  // namespace
}  // namespace kq::test
