#include "game_fixture.h"

namespace kq::test {
namespace {

using FieldTest = GameTest;

TEST_F(FieldTest, CellCoordinatesCountRowsFromTheBottom) {
  Start(2);
  EXPECT_EQ(CellY(P1(), 0), 400);
  EXPECT_EQ(CellY(P1(), 12), 16);
  EXPECT_EQ(CellY(P1(), 13), -16);
  EXPECT_EQ(CellX(P1(), 0), 16);
  EXPECT_EQ(P2().FieldLeft, 384);
  EXPECT_EQ(CellX(P2(), 0), 400);
  EXPECT_EQ(CellX(P2(), 7), 624);
}

TEST_F(FieldTest, OnePlayerGameUsesSevenColumnsAndLeavesPlayerTwoZero) {
  Start(1);
  EXPECT_TRUE(P1().Active);
  EXPECT_EQ(P1().Cols, 7);
  EXPECT_EQ(P1().Rows, 13);
  EXPECT_EQ(P1().FieldWidthPx, 224);
  EXPECT_EQ(P1().FieldCenterX, 112);
  EXPECT_EQ(P1().FieldCenterY, 208);
  EXPECT_EQ(P1().Rival, &g.Player2P);
  EXPECT_EQ(P1().VoiceBase, 0);
  EXPECT_FALSE(P2().Active);
  EXPECT_EQ(P2().Cols, 0);
  EXPECT_EQ(P2().Sight, nullptr);
  EXPECT_EQ(P2().DangerSprite, nullptr);
  EXPECT_EQ(P1().RainbowSprite != nullptr, true);
  EXPECT_FALSE(P1().RainbowSprite->Visible);
  EXPECT_EQ(P1().HazardIcon, nullptr);
  // Level 1 is loaded by the start's level check.
  EXPECT_EQ(P1().Level, 1);
  EXPECT_EQ(P1().LvLineUpInterval, 5000);
  EXPECT_EQ(P1().LineUpTime, g.FrameTime);
}

TEST_F(FieldTest, VersusGameUsesEightColumnsForBoth) {
  Start(2);
  for (TPlayerInfo* p : {&P1(), &P2()}) {
    EXPECT_TRUE(p->Active);
    EXPECT_EQ(p->Cols, 8);
    EXPECT_EQ(p->FieldWidthPx, 256);
    EXPECT_EQ(p->RainbowSprite, nullptr);
    ASSERT_NE(p->HazardIcon, nullptr);
    EXPECT_DOUBLE_EQ(p->HazardIcon->Y, 450);
  }
  EXPECT_EQ(P1().Rival, &g.Player2P);
  EXPECT_EQ(P2().Rival, &g.Player1P);
  EXPECT_EQ(P2().PlayerNo, 1);
  EXPECT_EQ(P2().VoiceBase, 0x50);
  EXPECT_EQ(P2().FieldRight, 640);
  EXPECT_DOUBLE_EQ(P1().HazardIcon->X, 256 - 58);
  EXPECT_DOUBLE_EQ(P2().HazardIcon->X, 384 + 14);
  EXPECT_DOUBLE_EQ(P2().Shooter->X, 512);
}

TEST_F(FieldTest, StartSpritesSitWhereTheTableSays) {
  Start(2);
  for (TPlayerInfo* p : {&P1(), &P2()}) {
    ASSERT_NE(p->Sight, nullptr);
    EXPECT_EQ(p->Sight->Col, 3);
    EXPECT_EQ(p->Sight->Row, 6);
    EXPECT_DOUBLE_EQ(p->Sight->X, CellX(*p, 3));
    EXPECT_DOUBLE_EQ(p->Sight->Y, CellY(*p, 6));
    EXPECT_EQ(p->Sight->Z(), 6);
    EXPECT_EQ(p->Sight->Owner, p);
    ASSERT_NE(p->Shooter, nullptr);
    EXPECT_DOUBLE_EQ(p->Shooter->Y, 450);
    EXPECT_DOUBLE_EQ(p->Shooter->PatternPos, 1);  // second frame until it fires
    for (int r = 0; r < kFieldRows; ++r) {
      ASSERT_NE(p->RowShades[size_t(r)], nullptr);
      EXPECT_FALSE(p->RowShades[size_t(r)]->Visible);
      EXPECT_DOUBLE_EQ(p->RowShades[size_t(r)]->Y, CellY(*p, r));
      EXPECT_EQ(p->RowShades[size_t(r)]->Width, p->FieldWidthPx);
    }
    ASSERT_NE(p->DangerSprite, nullptr);
    EXPECT_FALSE(p->DangerSprite->Visible);
    EXPECT_EQ(p->DangerSprite->Width, p->FieldWidthPx);
    EXPECT_EQ(p->DangerSprite->Height, 416);
    EXPECT_EQ(p->DangerSprite->Z(), 13);
  }
}

TEST_F(FieldTest, StartLinesFillTheBottomRows) {
  Start(1);
  for (int r = 0; r < kFieldRows; ++r)
    for (int c = 0; c < 7; ++c) {
      TBlockSprite* b = Cell(P1(), c, r);
      if (r < 5) {
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Col, c);
        EXPECT_EQ(b->Row, r);
        EXPECT_LT(b->Kind, g.Config.TotalBlockType);
        EXPECT_FALSE(b->Hazard);
        EXPECT_DOUBLE_EQ(b->X, CellX(P1(), c));
        EXPECT_DOUBLE_EQ(b->Y, CellY(P1(), r));
        EXPECT_DOUBLE_EQ(b->PatternPos, 1);
        EXPECT_EQ(b->PatternCount, 6);
        EXPECT_EQ(b->Z(), 2);
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
  TBlockSprite* hard = Cell(P1(), 3, 1);
  ASSERT_NE(hard, nullptr);
  EXPECT_TRUE(hard->Hard);
  EXPECT_EQ(hard->Kind, 5);
  TBlockSprite* hz = Cell(P1(), 0, 3);
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
