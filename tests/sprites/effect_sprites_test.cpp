#include "game/game_fixture.h"
#include "sprites/test_art.h"

namespace kq::test {
namespace {

class EffectSpritesTest : public GameTest {
 protected:
  Bitmap screen{640, 480, 0xFF808080u};
  BitmapCanvas canvas{screen};

  void SetUp() override {
    GameTest::SetUp();
    LoadTestArt(g);
    g.DXSpriteEngine1.Surface = &canvas;
  }
  void TearDown() override { g.DXSpriteEngine1.Surface = nullptr; }
  // One frame of the sprite engine: clock, move, sweep.
  void Frame(int ms) {
    g.FrameTime += uint32_t(ms);
    MoveField(g, ms);
    PresentRulesEvents(g);
    g.DXSpriteEngine1.MoveSprites(ms);
    g.DXSpriteEngine1.SweepSprites();
  }
  void Frames(int total, int step) {
    for (int t = 0; t < total; t += step) Frame(std::min(step, total - t));
  }
  void Draw() {
    canvas.Clear(0x808080);
    g.DXSpriteEngine1.DrawSprites();
  }
  bool Alive(const TSprite* s) const {
    for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
      if (g.DXSpriteEngine1.Child(i) == s) return true;
    return false;
  }
  uint32_t At(int x, int y) const { return screen.At(x, y) & 0xFFFFFFu; }
  TPlayerInfo& OnePlayer() {
    Start(1, {"."});
    return P1();
  }
};

TEST_F(EffectSpritesTest, ErasedBlockIsCountedAndHiddenAfter400ms) {
  TPlayerInfo& p = OnePlayer();
  TBlock* b = CreateBlock(g, p, 2, 0, 3, false);
  PresentRulesEvents(g);
  b->Erased = true;
  b->PatternSpeed = 0.01;
  p.ErasingCount = 1;
  Frame(399);
  EXPECT_FALSE(b->Counted);
  EXPECT_EQ(p.ErasingCount, 1);
  Draw();
  EXPECT_EQ(At(CellX(p, 2), CellY(p, 0)), BlockColour(false, 3, 4) & 0xFFFFFF);  // last erase frame
  Frame(1);
  EXPECT_TRUE(b->Counted);
  EXPECT_EQ(p.ErasingCount, 0);
  Draw();
  EXPECT_EQ(At(CellX(p, 2), CellY(p, 0)), 0x808080u);
  Frames(500, 50);
  EXPECT_EQ(p.ErasingCount, 0);  // counted once
  EXPECT_DOUBLE_EQ(b->PatternPos, 5);
  EXPECT_EQ(b->PatternSpeed, 0);
}

TEST_F(EffectSpritesTest, HazardBlockSettlesIntoAHardBlockOfARandomKind) {
  TPlayerInfo& p = OnePlayer();
  TBlock* b = CreateBlock(g, p, 0, 0, 6, true);
  PresentRulesEvents(g);
  b->Hazard = true;
  b->HazardTime = g.FrameTime + 1000;
  Frame(1000);
  EXPECT_EQ(b->Kind, 6);
  Draw();
  EXPECT_EQ(At(10, 390), BlockColour(true, 6, 1) & 0xFFFFFF);  // "BLOCK_C6"
  Frame(1);
  EXPECT_FALSE(b->Hazard);
  EXPECT_EQ(b->HazardTime, 0u);
  EXPECT_TRUE(b->Hard);
  ASSERT_GE(b->Kind, 0);
  ASSERT_LT(b->Kind, g.Config.TotalBlockType);
  Draw();
  EXPECT_EQ(At(10, 390), BlockColour(true, b->Kind, 1) & 0xFFFFFF);
}

TEST_F(EffectSpritesTest, MoveSpritesStopExactlyOnTheirTarget) {
  TPlayerInfo& p = OnePlayer();
  TBlock* b = CreateBlock(g, p, 0, 5, 1, false);
  PresentRulesEvents(g);
  b->Speed = 0.16;
  b->TargetY = CellY(p, 2);
  Frame(599);
  EXPECT_NE(b->Speed, 0);
  Frame(50);
  EXPECT_EQ(b->Speed, 0);
  EXPECT_DOUBLE_EQ(b->Y, CellY(p, 2));
  auto* m = NewPictureSprite<TMoveSprite>(g, "BLOCK_N1", CellX(p, 0), CellY(p, 2), 2, 6, false, 0, 1);
  m->MoveMode = 4;
  m->Speed = 1;
  m->TargetX = 100;
  Frame(1000);
  EXPECT_DOUBLE_EQ(m->X, 100);
}

TEST_F(EffectSpritesTest, FadeInReachesOpaqueAfter425msThenHoldsAndFadesBack) {
  auto* f = new TFadeSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*f, nullptr, 100, 100, 0, 0, false, 0, 13, 320, 240);
  f->Color = 0;
  f->FadeRate = 0.6;
  f->FadeIn = true;
  f->FadeBack = true;
  f->HoldTime = 1000;
  f->KillAtEnd = true;
  f->StartTime = g.FrameTime;
  Frame(424);
  EXPECT_EQ(f->Stage, 0);
  EXPECT_LT(f->Alpha, 255);
  EXPECT_NEAR(f->Alpha, 254.4, 1e-3);
  Frame(2);
  EXPECT_EQ(f->Stage, 1);
  EXPECT_EQ(f->Alpha, 255);
  Frame(1000);
  EXPECT_EQ(f->Stage, 1);
  Frame(1);
  EXPECT_EQ(f->Stage, 2);
  Frame(200);
  EXPECT_NEAR(f->Alpha, 255 - 120, 1e-3);
  EXPECT_TRUE(Alive(f));
  Frame(230);
  EXPECT_FALSE(Alive(f));
}

TEST_F(EffectSpritesTest, FadeDrawsItsColourWithItsAlphaOnlyInThreeDeeMode) {
  auto* f = new TFadeSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*f, nullptr, 100, 100, 0, 0, false, 0, 13, 320, 240);
  f->Color = 0xFFFFFF;
  f->Alpha = 0;
  f->FadeRate = 0.6;
  f->StartTime = g.FrameTime;
  Frame(200);  // alpha 120
  g.Config.UseDirect3D = false;
  Draw();
  EXPECT_EQ(At(320, 240), 0x808080u);
  g.Config.UseDirect3D = true;
  Draw();
  const uint32_t v = (0xFF * 120 + 0x80 * 135 + 127) / 255;
  EXPECT_EQ(At(320, 240), v * 0x010101u);
  EXPECT_EQ(At(269, 240), 0x808080u);  // outside the 100 x 100 box
  EXPECT_EQ(At(270, 190), v * 0x010101u);
}

TEST_F(EffectSpritesTest, BlinkNeverLeavesItsBounds) {
  auto* s = new TBlinkSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*s, &g.DustTex, 0, 0, 0, 0, false, 0, 5, 100, 100);
  s->AlphaMin = 40;
  s->AlphaMax = 200;
  s->Alpha = 100;
  s->FadeSpeed = 0.05f;
  TRandom r(5);
  bool sawMin = false, sawMax = false;
  for (int i = 0; i < 20000; ++i) {
    Frame(1 + r.Random(200));
    ASSERT_GE(s->Alpha, 40);
    ASSERT_LE(s->Alpha, 200);
    sawMin |= s->Alpha == 40;
    sawMax |= s->Alpha == 200;
  }
  EXPECT_TRUE(sawMin);
  EXPECT_TRUE(sawMax);
}

TEST_F(EffectSpritesTest, TextureSpriteFadeClampsAtTheEnds) {
  auto* s = new T3DImageSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*s, &g.GameOverTex, 0, 0, 0, 0, false, 0, 15, 100, 100);
  EXPECT_EQ(s->Width, 64);
  EXPECT_EQ(s->Height, 16);
  EXPECT_EQ(s->HalfWidth, 32);
  EXPECT_EQ(s->Color, 0xFFFFFFFFu);
  s->Alpha = 0;
  s->FadeSpeed = 0.3f;
  Frame(850);
  EXPECT_NEAR(s->Alpha, 255, 1e-3);
  Frame(100);
  EXPECT_EQ(s->Alpha, 255);
  s->FadeSpeed = -1;
  Frame(300);
  EXPECT_EQ(s->Alpha, 1);  // below 0 becomes 1
}

TEST_F(EffectSpritesTest, DangerGlowSwingsBetweenZeroAndFiftyAbout556ms) {
  TPlayerInfo& p = OnePlayer();
  TDangerSprite* d = g.View(p).DangerSprite;
  ASSERT_NE(d, nullptr);
  d->Glow = 0;
  d->GlowRate = 0.09;
  Frame(555);
  EXPECT_LT(d->Glow, 50);
  EXPECT_EQ(d->Color >> 24, uint32_t(d->Glow));
  EXPECT_EQ(d->Color & 0xFFFFFF, 0xFF0000u);
  Frame(1);
  EXPECT_EQ(d->Glow, 50);
  EXPECT_LT(d->GlowRate, 0);
  Frame(556);
  EXPECT_EQ(d->Glow, 0);
  EXPECT_GT(d->GlowRate, 0);
  // Drawn red at its glow over the field, in 3-D mode only.
  d->Visible = true;
  Frame(278);
  g.Config.UseDirect3D = true;
  Draw();
  const uint32_t a = d->Color >> 24;
  EXPECT_EQ(At(100, 100) >> 16, (0xFF * a + 0x80 * (255 - a) + 127) / 255);
  g.Config.UseDirect3D = false;
  Draw();
  EXPECT_EQ(At(100, 100), 0x808080u);
}

TEST_F(EffectSpritesTest, DangerGlowStartedOnAnEarlierTickComesOutAsIfItHadRunSinceThen) {
  TPlayerInfo& p = OnePlayer();
  TDangerSprite* d = g.View(p).DangerSprite;
  ASSERT_NE(d, nullptr);
  // The real glow: started on the fifth of frames of uneven length, before that frame moved it.
  uint32_t since = 0;
  for (int f = 0; f < 40; ++f) {
    const int ms = 15 + f % 3;
    if (f == 4) {
      since = g.FrameTime + uint32_t(ms);
      d->Start(since);
    }
    Frame(ms);
  }
  const double glow = d->Glow, rate = d->GlowRate;
  // A guess restarted it on the last frame; worked out again from the real start it is the
  // same to the bit.
  d->Start(g.FrameTime);
  d->StartedAt(since);
  EXPECT_EQ(d->Since, since);
  EXPECT_EQ(d->Glow, glow);
  EXPECT_EQ(d->GlowRate, rate);
  EXPECT_EQ(d->Color >> 24, uint32_t(glow));

  // A start further back than the sprite remembers (two seconds of frames) comes out from the
  // length of its frames: near the glow of one that ran all along.
  const uint32_t longAgo = g.FrameTime + 17;
  d->Start(longAgo);
  Frames(17 * 400, 17);
  const double along = d->Glow;
  const bool rising = d->GlowRate > 0;
  d->Start(g.FrameTime);
  d->StartedAt(longAgo);
  EXPECT_NEAR(d->Glow, along, 0.01);
  EXPECT_EQ(d->GlowRate > 0, rising);
}

TEST_F(EffectSpritesTest, DustParticleFollowsItsParabolaAndDiesAtItsEnd) {
  auto* s = new TDustSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*s, &g.DustTex, 32, 32, 0, 0.05, false, 999, 9, -200, -200);
  s->Setup(200, 300, 200 - 42, 300 - 77, 200 - 80, -4);
  EXPECT_FLOAT_EQ(s->VelocityX, -3.2f);
  EXPECT_FLOAT_EQ(s->Curve, 77.0f / (42 * 42));
  EXPECT_GE(s->Angle0, 0);
  EXPECT_LT(s->Angle0, 180);
  EXPECT_DOUBLE_EQ(s->X, -200);  // off screen until it first moves
  Frame(100);
  EXPECT_NEAR(s->X, 200 - 16, 1e-3);  // 0.16 px per ms to the left
  Frame(162);
  Frame(1);
  EXPECT_NEAR(s->X, 200 - 0.16 * 263, 1e-3);
  EXPECT_NEAR(s->Y, 223, 1);  // at the peak
  Frame(236);
  EXPECT_TRUE(Alive(s));
  EXPECT_GT(s->X, 120);
  Frame(1);
  EXPECT_FALSE(Alive(s));
}

TEST_F(EffectSpritesTest, EraseThrowsOneOfTheThreeDustPatterns) {
  g.Config.UseDirect3D = true;
  Start(1, {"1111..."});
  EXPECT_EQ(EraseGroup(g, P1(), 0, 0), 4);
  PresentRulesEvents(g);
  std::vector<int> ends;
  for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
    if (auto* d = dynamic_cast<TDustSprite*>(g.DXSpriteEngine1.Child(i))) {
      EXPECT_EQ(d->StartX, 16);
      EXPECT_EQ(d->StartY, 400);
      EXPECT_EQ(d->Z(), 9);
      ends.push_back(d->EndX - 16);
    }
  const std::vector<std::vector<int>> patterns = {
      {-80, -47, 80, 96}, {-84, -84, 59, 46}, {-104, -71, 77, 105}};
  EXPECT_NE(std::find(patterns.begin(), patterns.end(), ends), patterns.end());
  Frames(3000, 20);
  EXPECT_EQ(CountSprites<TDustSprite>(), 0);
}

TEST_F(EffectSpritesTest, VanishingBoardRisesStopsAndGoes800msLater) {
  TPlayerInfo& p = OnePlayer();
  ShowBoard(g, p, "STR_WIN", true);
  PresentRulesEvents(g);
  ShowBoard(g, p, "STR_WIN", false);
  PresentRulesEvents(g);
  std::vector<TDisplayBoardSprite*> boards;
  for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
    if (auto* b = dynamic_cast<TDisplayBoardSprite*>(g.DXSpriteEngine1.Child(i))) boards.push_back(b);
  ASSERT_EQ(boards.size(), 2u);
  EXPECT_EQ(boards[0]->Z(), 4);
  EXPECT_EQ(boards[1]->Z(), 15);
  EXPECT_DOUBLE_EQ(boards[0]->Y, 416);
  EXPECT_DOUBLE_EQ(boards[0]->X, 112);
  Frames(390, 10);  // 236 px at 0.6 px per ms
  EXPECT_NE(boards[0]->Speed, 0);
  Frame(10);
  EXPECT_EQ(boards[0]->Speed, 0);
  EXPECT_DOUBLE_EQ(boards[0]->Y, 180);
  EXPECT_EQ(boards[0]->BoardStage, 1);
  Frames(790, 10);
  EXPECT_TRUE(Alive(boards[0]));
  Frame(10);
  EXPECT_FALSE(Alive(boards[0]));
  Frames(5000, 100);
  EXPECT_TRUE(Alive(boards[1]));
  Draw();
  EXPECT_EQ(At(112, 180), 0xFF00FFu);
}

TEST_F(EffectSpritesTest, CharacterAnimationZoomsHoldsAndCloses) {
  TPlayerInfo& p = OnePlayer();
  ShowCharAnimation(g, p, caAttack);
  PresentRulesEvents(g);
  TCharAnimationSprite* a = nullptr;
  for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
    if (auto* s = dynamic_cast<TCharAnimationSprite*>(g.DXSpriteEngine1.Child(i))) a = s;
  ASSERT_NE(a, nullptr);
  EXPECT_DOUBLE_EQ(a->X, 224 + 64);
  EXPECT_DOUBLE_EQ(a->Y, 180);
  Frame(500);
  Draw();
  // Stage 0 at clock 5: half size, 50 x 30 centred on (288, 180).
  EXPECT_EQ(At(288 - 25, 180 - 15), 0x00FFFFu);
  EXPECT_EQ(At(288 - 26, 180), 0x808080u);
  EXPECT_EQ(At(288 + 25, 180), 0x808080u);
  // The clock stops when it reaches its count of 10, so each stage at 0.01 takes 1000 ms.
  Frame(499);
  EXPECT_EQ(a->AnimStage, 0);
  Frame(1);
  EXPECT_EQ(a->AnimStage, 1);
  Draw();
  EXPECT_EQ(At(288 - 50, 180 - 30), 0x00FFFFu);  // full size
  Frame(1000);
  EXPECT_EQ(a->AnimStage, 2);
  Frame(167);  // closing at 0.03: full width, half height
  Draw();
  EXPECT_EQ(At(288 - 50, 180), 0x00FFFFu);
  EXPECT_EQ(At(288, 180 - 16), 0x808080u);
  Frame(166);
  EXPECT_TRUE(Alive(a));
  Frame(1);  // the clock stops in stage 2: the sprite kills itself
  EXPECT_FALSE(Alive(a));
  // A damage animation picks one of three voices; player 2's sits left of its field.
  Start(2);
  g.SoundLog.clear();
  ShowCharAnimation(g, P2(), caDamage);
  PresentRulesEvents(g);
  ASSERT_EQ(Sounds().size(), 1u);
  EXPECT_TRUE(Sounds()[0] == "VOICE21" || Sounds()[0] == "VOICE22" || Sounds()[0] == "VOICE23");
}

TEST_F(EffectSpritesTest, TrimBarShowsTheShadeWhenOpaqueAndCountsARestoreAtItsEnd) {
  Start(2);
  TPlayerInfo& p = P1();
  g.Config.UseDirect3D = true;
  g.Config.LineTrimingPeriod = 2000;
  StartRowBar(g, p, 12, true);
  PresentRulesEvents(g);
  ASSERT_EQ(g.State.Bars.size(), 1u);
  EXPECT_TRUE(p.Trimming);
  Frames(210, 10);
  Draw();  // half way: the bar darkens the row
  const uint32_t half = At(p.FieldCenterX, CellY(p, 12));
  EXPECT_LT(half, 0x808080u);
  EXPECT_GT(half, 0u);
  Frames(210, 10);
  EXPECT_TRUE(p.Trimming);
  Frames(10, 10);
  EXPECT_FALSE(p.Trimming);
  EXPECT_TRUE(g.View(p).RowShades[12]->Visible);
  g.View(p).RowShades[12]->Visible = false;
  Draw();  // the bar itself is no longer seen
  EXPECT_EQ(At(p.FieldCenterX, CellY(p, 12)), 0x808080u);
  Frames(2000 + 500, 10);
  EXPECT_EQ(p.RestoreLeft, 1);
  EXPECT_TRUE(g.State.Bars.empty());
}

TEST_F(EffectSpritesTest, GameOverFadeStopsAt160AndShowsTheTitleInTheOnePlayerGame) {
  g.Config.UseDirect3D = true;
  Start(1, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P1().PendingLines = 1;
  Tick(10);
  ASSERT_EQ(P1().Phase, gpOver);
  ASSERT_EQ(g.State.OverFades.size(), 1u);
  const TOverFade* f = &g.State.OverFades[0];
  EXPECT_EQ(f->Owner, 0);
  EXPECT_FALSE(Played("VOICE1C"));
  const int textures = CountSprites<T3DImageSprite>();
  Run(260, 10);  // 0.6 per ms passes 160 after 267 ms
  EXPECT_FALSE(f->Darkened);
  Draw();  // the field darkens over its whole size
  const uint32_t inside = At(5, 5), outside = At(230, 5);
  EXPECT_LT(inside & 0xFF, 0x80u);
  EXPECT_EQ(outside, 0x808080u);
  Run(20, 10);
  EXPECT_TRUE(f->Darkened);
  EXPECT_EQ(f->Fade.StartTime, 0u);
  EXPECT_TRUE(Played("VOICE1C"));
  EXPECT_EQ(CountSprites<T3DImageSprite>(), textures + 1);
  const float alpha = f->Fade.Alpha;
  Run(1000, 10);
  EXPECT_EQ(f->Fade.Alpha, alpha);  // the darkening stopped there
  // Without the 3-D device the one-player game shows the picture and the voice at once.
  g.Config.UseDirect3D = false;
  Start(1, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_TRUE(Played("VOICE1C"));
  EXPECT_TRUE(g.State.OverFades.empty());
}

TEST_F(EffectSpritesTest, VersusGameOverFadesBothFieldsWithoutTheTitle) {
  g.Config.UseDirect3D = true;
  Start(2, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "."});
  P1().PendingLines = 1;
  Tick(10);
  EXPECT_EQ(g.State.OverFades.size(), 2u);
  Run(1000, 10);
  EXPECT_FALSE(Played("VOICE1C"));
}

TEST_F(EffectSpritesTest, SightIsDrawnWithTheRiseButNeverBelowTheBottomRow) {
  TPlayerInfo& p = OnePlayer();
  AimAt(p, 2, 0);
  p.Sight.FollowRise = true;
  p.RiseOffset = 20;
  Draw();
  EXPECT_EQ(At(64, 384), 0xFFFFFFu);  // clamped to the bottom row's top edge
  AimAt(p, 2, 3);
  Draw();
  EXPECT_EQ(At(64, CellY(p, 3) - 16 + 20), 0xFFFFFFu);
  p.Sight.FollowRise = false;
  Draw();
  EXPECT_EQ(At(64, CellY(p, 3) - 16), 0xFFFFFFu);
  EXPECT_EQ(At(70, CellY(p, 3)), 0x808080u);  // the keyed inside
}

}  // namespace
}  // namespace kq::test
