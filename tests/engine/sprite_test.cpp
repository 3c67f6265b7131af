#include "engine/sprite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"

namespace kq {
namespace {

// Records the order sprites are rendered and advanced in.
struct Probe : TSprite {
  Probe(TSprite* parent, std::vector<std::string>* log, std::string name, int z)
      : TSprite(parent), log_(log), name_(std::move(name)) {
    SetZ(z);
    X = 10;
    Y = 10;
  }
  void Render() override { log_->push_back("draw " + name_); }
  void Advance(int) override { log_->push_back("move " + name_); }
  std::vector<std::string>* log_;
  std::string name_;
};

struct SpriteEngineTest : ::testing::Test {
  Bitmap target{640, 480};
  BitmapCanvas canvas{target};
  TSpriteEngine engine;
  std::vector<std::string> log;
  void SetUp() override { engine.Surface = &canvas; }
};

TEST_F(SpriteEngineTest, DrawsByZAndNewestFirstAmongEqualZ) {
  new Probe(&engine, &log, "a", 5);
  new Probe(&engine, &log, "b", 1);
  new Probe(&engine, &log, "c", 5);
  new Probe(&engine, &log, "d", 9);
  engine.DrawAll();
  EXPECT_EQ(log, (std::vector<std::string>{"draw b", "draw c", "draw a", "draw d"}));
  EXPECT_EQ(engine.DrawCount, 4);
}

TEST_F(SpriteEngineTest, SetZMovesWithinDrawListButNotMoveOrder) {
  auto* a = new Probe(&engine, &log, "a", 1);
  new Probe(&engine, &log, "b", 2);
  a->SetZ(3);
  engine.DrawAll();
  engine.MoveTree(16);
  EXPECT_EQ(log, (std::vector<std::string>{"draw b", "draw a", "move a", "move b"}));
}

TEST_F(SpriteEngineTest, InvisibleAndFrozenParentsHideAndFreezeChildren) {
  auto* parent = new Probe(&engine, &log, "p", 0);
  new Probe(parent, &log, "child", 0);
  parent->Visible = false;
  parent->Moving = false;
  engine.DrawAll();
  engine.MoveTree(16);
  EXPECT_TRUE(log.empty());
  parent->Visible = true;
  parent->Moving = true;
  engine.DrawAll();
  engine.MoveTree(16);
  EXPECT_EQ(log, (std::vector<std::string>{"draw p", "draw child", "move p", "move child"}));
}

TEST_F(SpriteEngineTest, KilledSpriteLivesUntilSweep) {
  auto* a = new Probe(&engine, &log, "a", 0);
  a->Kill();
  a->Kill();  // twice is harmless
  engine.MoveTree(1);
  engine.DrawAll();
  EXPECT_EQ(log, (std::vector<std::string>{"move a", "draw a"}));
  EXPECT_EQ(engine.AllCount, 1);
  engine.Sweep();
  EXPECT_EQ(engine.AllCount, 0);
  EXPECT_EQ(engine.Count(), 0);
}

TEST_F(SpriteEngineTest, SerialsNumberSpritesInTheOrderMadeAndAreNeverReused) {
  EXPECT_EQ(engine.Made(), 0u);
  auto* a = new Probe(&engine, &log, "a", 0);
  auto* b = new Probe(a, &log, "b", 0);
  EXPECT_EQ(a->Serial(), 1u);
  EXPECT_EQ(b->Serial(), 2u);
  a->Kill();
  engine.Sweep();
  auto* c = new Probe(&engine, &log, "c", 0);
  EXPECT_EQ(c->Serial(), 3u);  // even if it took a's place in memory
  EXPECT_EQ(engine.Made(), 3u);
  EXPECT_EQ(engine.Serial(), 0u);
}

TEST_F(SpriteEngineTest, SweepOfParentAndChildBothKilled) {
  auto* parent = new Probe(&engine, &log, "p", 0);
  auto* child = new Probe(parent, &log, "c", 0);
  child->Kill();
  parent->Kill();
  engine.Sweep();
  EXPECT_EQ(engine.AllCount, 0);
}

TEST_F(SpriteEngineTest, SpritesOnTheSurfaceEdgeAreNotDrawn) {
  auto* left = new Probe(&engine, &log, "left", 0);
  left->X = 0;
  auto* right = new Probe(&engine, &log, "right", 0);
  right->X = 640;
  auto* bottom = new Probe(&engine, &log, "bottom", 0);
  bottom->Y = 480;
  auto* inside = new Probe(&engine, &log, "in", 0);
  inside->X = 0.5;  // truncates to 0
  auto* boxed = new Probe(&engine, &log, "boxed", 0);
  boxed->X = -5;
  boxed->Width = 10;
  boxed->Height = 10;
  engine.DrawAll();
  EXPECT_EQ(log, (std::vector<std::string>{"draw boxed"}));
}

TEST_F(SpriteEngineTest, ChildIndexOutOfRangeRaisesSpriteError) {
  new Probe(&engine, &log, "a", 0);
  EXPECT_NE(engine.Child(0), nullptr);
  try {
    engine.Child(3);
    FAIL();
  } catch (const ESpriteError& e) {
    EXPECT_EQ(std::string(e.what()), "List index out of bounds (3)");
  }
  EXPECT_THROW(engine.Child(-1), ESpriteError);
}

TEST_F(SpriteEngineTest, WorldPositionAddsParents) {
  auto* parent = new Probe(&engine, &log, "p", 0);
  parent->X = 100;
  auto* child = new Probe(parent, &log, "c", 0);
  child->X = 5;
  EXPECT_DOUBLE_EQ(child->WorldX(), 105);
  EXPECT_DOUBLE_EQ(child->WorldY(), 20);
}

TEST_F(SpriteEngineTest, ClearChildrenFreesEverything) {
  for (int i = 0; i < 50; ++i) new Probe(new Probe(&engine, &log, "p", i), &log, "c", 0);
  engine.Child(3)->Kill();
  EXPECT_EQ(engine.AllCount, 100);
  engine.ClearChildren();
  EXPECT_EQ(engine.AllCount, 0);
  engine.Sweep();  // the dead list no longer holds the freed sprite
}

TEST(ImageSpriteAnimation, NonLoopingStopsOnLastPosition) {
  TSpriteEngine engine;
  auto* s = new TImageSprite(&engine);
  s->PatternCount = 6;
  s->PatternPos = 1;
  s->PatternSpeed = 0.01;
  for (int t = 0; t < 399; ++t) s->Advance(1);
  EXPECT_LT(s->PatternPos, 5.0);
  s->Advance(1);
  EXPECT_NEAR(s->PatternPos, 5.0, 1e-9);
  s->Advance(1000);
  EXPECT_DOUBLE_EQ(s->PatternPos, 5.0);
  EXPECT_DOUBLE_EQ(s->PatternSpeed, 0.0);
}

TEST(ImageSpriteAnimation, LoopingTwoPatternsAlternateEvery500ms) {
  TSpriteEngine engine;
  auto* s = new TImageSprite(&engine);
  s->PatternCount = 2;
  s->PatternLoop = true;
  s->PatternSpeed = 0.002;
  s->Advance(499);
  EXPECT_EQ(s->CurrentPattern(), 0);
  s->Advance(2);
  EXPECT_EQ(s->CurrentPattern(), 1);
  s->Advance(500);
  EXPECT_EQ(s->CurrentPattern(), 0);
  s->PatternSpeed = -0.002;
  s->Advance(300);
  EXPECT_GE(s->PatternPos, 0.0);
  EXPECT_LT(s->PatternPos, 2.0);
}

TEST(ImageSpriteAnimation, NegativeSpeedStopsAtZero) {
  TSpriteEngine engine;
  auto* s = new TImageSprite(&engine);
  s->PatternCount = 4;
  s->PatternPos = 1;
  s->PatternSpeed = -0.01;
  s->Advance(500);
  EXPECT_DOUBLE_EQ(s->PatternPos, 0.0);
  EXPECT_DOUBLE_EQ(s->PatternSpeed, 0.0);
}

TEST(ImageSprite, RendersCentredPattern) {
  Bitmap target(64, 64, 0xFF000000u);
  BitmapCanvas canvas(target);
  TSpriteEngine engine;
  engine.Surface = &canvas;
  TImageList list;
  TPictureItem& pic = list.Replace("TWO");
  pic.Source = Bitmap(8, 4, 0xFFFF0000u);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) pic.Source.At(x, y) = 0xFF00FF00u;
  pic.PatternWidth = 4;
  pic.Restore();
  auto* s = new TImageSprite(&engine);
  InitPictureSprite(*s, list, "two", 20, 20, 0, -1, false, 0, 1);
  EXPECT_EQ(s->PatternCount, 2);
  engine.DrawAll();
  EXPECT_EQ(target.At(18, 18), 0xFF00FF00u);  // pattern 1, top-left at (18, 18)
  EXPECT_EQ(target.At(21, 21), 0xFF00FF00u);
  EXPECT_EQ(target.At(22, 22), 0xFF000000u);
  EXPECT_EQ(target.At(17, 18), 0xFF000000u);
}

}  // namespace
}  // namespace kq
