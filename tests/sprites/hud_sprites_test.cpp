#include <gtest/gtest.h>

#include <string>

#include "game/gauges_fixture.h"

namespace kq::test {
namespace {

constexpr uint32_t kGrey = 0xFF808080u;

struct HudSpritesTest : GaugesFixture {
  Bitmap screen{640, 480, kGrey};
  BitmapCanvas canvas{screen};

  void SetUp() override {
    GaugesFixture::SetUp();
    g.DXSpriteEngine1.Surface = &canvas;
  }
  void TearDown() override { g.DXSpriteEngine1.Surface = nullptr; }
  uint32_t At(int x, int y) const { return screen.At(x, y); }

  template <class T>
  T* Make(std::string_view picture, double x, double y) {
    auto* s = new T(g, &g.DXSpriteEngine1);
    InitPictureSprite(*s, g.DXImageList1, picture, x, y, 8, -1, false, 0, 0);
    return s;
  }
};

// --- rolling numbers ---

TEST_F(HudSpritesTest, ScoreRollsFromZeroToFortyInAQuarterSecond) {
  auto* s = Make<TScoreSprite>("FONT_SCORE", 100, 100);
  s->RollSpeed = 40 * 0.004;
  s->SetValue(40 * 10000);
  EXPECT_EQ(s->RollMode, 1);
  EXPECT_EQ(s->OldValue, 0);
  for (int t = 0; t < 240; t += 10) Frame(10);
  EXPECT_EQ(s->Shown, 384000);
  EXPECT_EQ(s->RollMode, 1);
  Frame(10);
  EXPECT_EQ(s->Shown, 400000);
  EXPECT_EQ(s->RollMode, 0);
  Frame(10);
  EXPECT_EQ(s->Shown, 400000);
}

TEST_F(HudSpritesTest, RollsDownAndStopsOnTheValue) {
  auto* s = Make<TScoreSprite>("FONT_SCORE", 100, 100);
  s->RollSpeed = 0.1;
  s->SetValue(40 * 10000);
  Frame(1000);
  EXPECT_EQ(s->Shown, 400000);
  s->SetValue(12 * 10000);
  EXPECT_EQ(s->RollMode, 2);
  EXPECT_EQ(s->OldValue, 400000);
  EXPECT_EQ(s->Shown, 400000);
  Frame(100);
  EXPECT_EQ(s->Shown, 300000);
  Frame(1000);
  EXPECT_EQ(s->Shown, 120000);
  EXPECT_EQ(s->RollMode, 0);
}

TEST_F(HudSpritesTest, EqualValueStopsWithinTheNextFrame) {
  auto* s = Make<TScoreSprite>("FONT_SCORE", 100, 100);
  s->RollSpeed = 150;
  s->SetValue(70000);
  Frame(16);
  s->SetValue(70000);
  EXPECT_EQ(s->RollMode, 1);
  Frame(16);
  EXPECT_EQ(s->RollMode, 0);
  EXPECT_EQ(s->Shown, 70000);
  // Even a still roll speed does not leave it rolling.
  s->RollSpeed = 0;
  s->SetValue(70000);
  Frame(16);
  EXPECT_EQ(s->RollMode, 0);
}

TEST_F(HudSpritesTest, ResetNumberKeepsTheSpeedUnlessGiven) {
  auto* s = Make<TScoreSprite>("FONT_SCORE", 100, 100);
  s->ResetNumber(150);
  s->SetValue(50000);
  s->ResetNumber(0);
  EXPECT_EQ(s->Value, 0);
  EXPECT_EQ(s->Shown, 0);
  EXPECT_EQ(s->RollMode, 0);
  EXPECT_DOUBLE_EQ(s->RollSpeed, 150);
}

// --- number formats ---

TEST_F(HudSpritesTest, ScoreShowsSevenDigits) {
  auto* s = Make<TScoreSprite>("FONT_SCORE", 100, 100);
  s->Shown = 40 * 10000;
  s->Render();
  const char* digits = "0000040";
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(At(100 + 14 * i + 1, 101), PatternColor(digits[i - 1] - '0')) << i;
  EXPECT_EQ(At(100 + 14 * 8 + 1, 101), kGrey);
  s->Shown = 9999999LL * 10000;
  s->Render();
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(At(100 + 14 * i + 1, 101), PatternColor(9));
}

TEST_F(HudSpritesTest, LevelShowsThreeDigitsAfterItsLabel) {
  AddPatternPicture(g.DXImageList1, "STR_LEVEL", 30, 4, 1);
  auto* s = Make<TLevelSprite>("FONT_SCORE", 10, 421);
  TPlayerInfo owner;
  owner.Level = 1;
  s->Owner = &owner;
  s->Render();
  EXPECT_EQ(At(11, 422), PatternColor(0));  // the label
  const char* digits = "001";
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(At(10 + 14 * i + 18 + 1, 421 + 5), PatternColor(digits[i - 1] - '0'));
  owner.Level = 123;
  s->Render();
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(At(10 + 14 * i + 18 + 1, 421 + 5), PatternColor(i));
}

TEST_F(HudSpritesTest, HazardCountShowsThreeDigitsAndZooms) {
  auto* s = Make<THazardBlockCountSprite>("FONT_SCORE", 300, 450);
  s->RollSpeed = 1000;
  s->SetValue(5 * 10000);
  EXPECT_DOUBLE_EQ(s->Zoom, 1.0);
  // A second value while zooming does not restart the zoom.
  Frame(100);
  s->SetValue(7 * 10000);
  EXPECT_NEAR(s->Zoom, 1.5, 1e-9);
  Frame(130);
  EXPECT_GT(s->Zoom, 2.0);
  Frame(20);  // 250 ms: past 2.2
  EXPECT_DOUBLE_EQ(s->Zoom, 1.0);
  EXPECT_EQ(s->ZoomSpeed, 0);
  // At zoom 1 the digits stand in 14-pixel boxes around the centre.
  s->Render();
  const int lefts[3] = {300 - 7 - 14, 300 - 7, 300 + 7};
  const int expect[3] = {0, 0, 7};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(At(lefts[i] + 1, 450 - 7 + 1), PatternColor(expect[i])) << i;
  // The counter pulse zooms bigger and longer.
  s->SetValue(8 * 10000);
  s->Pulse();
  Frame(420);
  EXPECT_NEAR(s->Zoom, 1 + 0.007 * 420, 1e-9);
  Frame(10);
  EXPECT_DOUBLE_EQ(s->Zoom, 1.0);
}

TEST_F(HudSpritesTest, ZoomedCountIsStretched) {
  auto* s = Make<THazardBlockCountSprite>("FONT_SCORE", 300, 300);
  s->Shown = 123 * 10000;
  s->Zoom = 2.0;
  s->Render();
  // W = 28, boxes 28 x 40 at 300 - 14 - 28, 300 - 14 and 300 + 14; top 300 - 14.
  EXPECT_EQ(At(258 + 27, 286 + 39), PatternColor(1));
  EXPECT_EQ(At(286 + 27, 286 + 39), PatternColor(2));
  EXPECT_EQ(At(314 + 27, 286 + 39), PatternColor(3));
  EXPECT_EQ(At(342, 300), kGrey);
}

// --- combo digits ---

struct ComboTest : HudSpritesTest {
  void SetUp() override {
    HudSpritesTest::SetUp();
    StartGame(1);
    combo = g.View(g.Player1P).ComboSprite;
    combo->RollSpeed = 100000;  // reach any value in one frame
  }
  TComboSprite* combo = nullptr;
  std::string VisibleDigits() {
    std::string s;
    for (auto* d : combo->Digits) s += d->Visible ? char('0' + int(d->PatternPos)) : '-';
    return s;
  }
};

TEST_F(ComboTest, ZeroShowsNothing) {
  combo->SetValue(0);
  Frame(16);
  EXPECT_EQ(VisibleDigits(), "----");
  EXPECT_FALSE(combo->Label->Visible);
}

TEST_F(ComboTest, AllFourDigitsHopFortyMillisecondsApart) {
  combo->SetValue(1234 * 10000);
  Frame(16);
  uint32_t t = g.FrameTime;
  EXPECT_EQ(VisibleDigits(), "1234");
  EXPECT_TRUE(combo->Label->Visible);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(combo->Digits[k]->HopStart, t + 40u * k);
  const double base = 50 + 87;
  // Hop of the thousands digit: up 13 px over 39 ms, back over the next 39 ms.
  Frame(15);
  EXPECT_DOUBLE_EQ(combo->Digits[0]->Y, base - 5);
  EXPECT_DOUBLE_EQ(combo->Digits[3]->Y, base);  // its hop has not begun
  Frame(24);
  EXPECT_DOUBLE_EQ(combo->Digits[0]->Y, base - 13);
  Frame(39);
  EXPECT_DOUBLE_EQ(combo->Digits[0]->Y, base);
  EXPECT_DOUBLE_EQ(combo->Digits[1]->Y, base - (78 - 40) / 3.0);
  Frame(200);
  for (auto* d : combo->Digits) EXPECT_DOUBLE_EQ(d->Y, base);
}

TEST_F(ComboTest, SmallCombosShowOnlyTheirDigits) {
  combo->SetValue(5 * 10000);
  Frame(16);
  EXPECT_EQ(VisibleDigits(), "---5");
  EXPECT_TRUE(combo->Label->Visible);
  combo->SetValue(40 * 10000);
  Frame(16);
  EXPECT_EQ(VisibleDigits(), "--40");
  EXPECT_EQ(combo->Digits[2]->HopStart, g.FrameTime);
  combo->Clear();
  EXPECT_EQ(VisibleDigits(), "----");
  EXPECT_FALSE(combo->Label->Visible);
  EXPECT_EQ(combo->Shown, 0);
}

TEST_F(ComboTest, DigitsFollowTheRollingValue) {
  combo->RollSpeed = 0.01;
  combo->SetValue(3 * 10000);
  Frame(100);
  EXPECT_EQ(VisibleDigits(), "---1");
  Frame(100);
  EXPECT_EQ(VisibleDigits(), "---2");
  Frame(150);
  EXPECT_EQ(VisibleDigits(), "---3");
}

// --- gauges ---

TEST_F(HudSpritesTest, GaugeFillsFromTheLeft) {
  auto* s = Make<TGaugeSprite>("CHAINGAUGE", 100, 100);  // 80 x 8, drawn at (60, 96)
  double value = 0;
  s->GaugeValue = &value;
  s->Render();
  EXPECT_EQ(At(61, 97), kGrey);  // nothing while empty
  value = 50;
  s->Render();
  EXPECT_EQ(At(60, 96), PatternColor(0));
  EXPECT_EQ(At(99, 103), PatternColor(0));
  EXPECT_EQ(At(100, 96), 0xFF000000u);
  EXPECT_EQ(At(139, 103), 0xFF000000u);
  EXPECT_EQ(At(140, 96), kGrey);
  value = 100.5;  // the power gauge may overfill until it is taken
  s->Render();
  EXPECT_EQ(At(139, 103), PatternColor(0));
  value = 0.5;
  s->Render();
  EXPECT_EQ(At(60, 96), 0xFF000000u);  // trunc(80 * 0.005) = 0 pixels
}

// --- poker display ---

struct PokerDisplayTest : HudSpritesTest {
  void SetUp() override {
    HudSpritesTest::SetUp();
    for (int k = 0; k < 6; ++k) {
      // Pattern 1 of each number block in a colour of its own.
      TPictureItem& it = g.DXImageList1.Replace("BLOCK_N" + std::to_string(k));
      it.Source = Bitmap(160, 32, 0xFF000000u);
      for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x) it.Source.At(x, y) = Card2D(k);
      it.PatternWidth = 32;
      it.PatternHeight = 32;
      it.Restore();
      g.BlockTexN[size_t(k)][1] = TImage(Bitmap(32, 32, Card3D(k)));
    }
    AddPatternPicture(g.DXImageList1, "POKER_RIM1", 40, 40, 5);
    AddPatternPicture(g.DXImageList1, "POKER_RIM2", 180, 40, 1);
    AddPatternPicture(g.DXImageList1, "STR_POKER", 100, 10, 7);
    StartGame(1);
    d = g.View(g.Player1P).PokerSprite;
  }
  static uint32_t Card2D(int k) { return 0xFF000000u | uint32_t(0x200000 * (k + 1)); }
  static uint32_t Card3D(int k) { return 0xFF000000u | uint32_t(0x000020 * (k + 1)); }
  TPokerSprite* d = nullptr;
  const int X = 224 + 140, Y = 140;
};

TEST_F(PokerDisplayTest, CardsRimsSortedHandAndNameInBothDrawingPaths) {
  TPlayerInfo& p = g.Player1P;
  for (bool d3 : {false, true}) {
    g.Config.UseDirect3D = d3;
    auto card = d3 ? Card3D : Card2D;
    p.PokerCards = "302";
    p.PokerSorted = "11344";
    p.PokerHand = 2;
    g.Player1P.PokerState = 2;
    d->PatternPos = 0.5;
    screen = Bitmap(640, 480, kGrey);
    d->Render();
    EXPECT_EQ(At(X + 40 * 3 + 2, Y + 2), PatternColor(3));  // rims under the missing cards
    EXPECT_EQ(At(X + 16, Y + 54), PatternColor(0));         // the hand frame
    for (int i = 0; i < 3; ++i) EXPECT_EQ(At(X + 40 * i + 16, Y + 16), card(p.PokerCards[size_t(i)] - '0'));
    EXPECT_EQ(At(X + 14 + 16, Y + 52 + 16), PatternColor(0));  // sorted hand blinked off
    EXPECT_EQ(At(X + 14 + 1, Y + 90 + 1), PatternColor(1));    // "two pairs" is pattern 1
    d->PatternPos = 1.2;
    d->Render();
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(At(X + 14 + 33 * i + 16, Y + 52 + 16), card(p.PokerSorted[size_t(i)] - '0')) << d3 << i;
  }
}

TEST_F(PokerDisplayTest, NoNameOutsideTheShowingState) {
  TPlayerInfo& p = g.Player1P;
  p.PokerHand = 3;
  g.Player1P.PokerState = 1;
  d->Render();
  EXPECT_EQ(At(X + 15, Y + 91), PatternColor(0));  // only the hand frame there
  g.Player1P.PokerState = 2;
  p.PokerHand = 0;
  d->Render();
  EXPECT_EQ(At(X + 15, Y + 91), PatternColor(0));
}

TEST_F(PokerDisplayTest, SortedHandBlinksEveryHalfSecond) {
  Frame(499);
  EXPECT_LT(d->PatternPos, 1);
  Frame(2);
  EXPECT_GE(d->PatternPos, 1);
  Frame(500);
  EXPECT_LT(d->PatternPos, 1);
}

}  // namespace
}  // namespace kq::test
