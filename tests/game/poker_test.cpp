#include <gtest/gtest.h>

#include <string>

#include "game/gauges_fixture.h"

namespace kq::test {
namespace {

struct PokerTest : GaugesFixture {
  void SetUp() override {
    GaugesFixture::SetUp();
    StartGame(1);
  }
  TPlayerInfo& p = g.Player1P;

  void Deal(const std::string& cards) {
    for (char c : cards) DealPokerCard(g, p, c - '0');
    PresentRulesEvents(g);
  }
  // Judges a hand directly and returns the points it paid.
  int Judge(const std::string& cards) {
    p.PokerCards = cards;
    int before = p.Score;
    EvaluatePokerHand(g, p);
    PresentRulesEvents(g);
    return p.Score - before;
  }
};

TEST_F(PokerTest, HandsRankInTheirTestOrder) {
  struct Case {
    const char* cards;
    int hand;
    const char* sorted;
  };
  const Case cases[] = {
      {"31420", 7, "01234"},                         // straight
      {"12345", 7, "12345"},                         // straight with the 5
      {"01235", 0, ""},                              // no 4: nothing
      {"33333", 6, "33333"},                         // five of a kind
      {"50555", 5, "05555"},                         // four of a kind
      {"22255", 4, "22255"},                         // full house, not three of a kind
      {"52525", 4, "22555"}, {"14041", 2, "01144"},  // two pairs, not a full house
      {"30313", 3, "01333"},                         // three of a kind
      {"44113", 2, "11344"},                         // two pairs
      {"00552", 2, "00255"}, {"44103", 1, "01344"},  // one pair
      {"01254", 0, ""},
  };
  for (const Case& c : cases) {
    int points = Judge(c.cards);
    EXPECT_EQ(p.PokerHand, c.hand) << c.cards;
    EXPECT_EQ(points, c.hand * 1000) << c.cards;
    EXPECT_EQ(p.PokerSorted, c.sorted) << c.cards;
    EXPECT_TRUE(p.PokerCards.empty());
  }
}

TEST_F(PokerTest, HandPointsStopAtTheScoreCap) {
  p.Score = 9995000;
  EXPECT_EQ(Judge("31420"), 4999);
  EXPECT_EQ(p.Score, 9999999);
  EXPECT_EQ(g.View(p).ScoreSprite->Value, int64_t(9999999) * 10000);
  Judge("33333");
  EXPECT_EQ(p.Score, 9999999);
}

TEST_F(PokerTest, FiveCardsShowForASecondThenTheHandForThreeMore) {
  Deal("2225");
  EXPECT_EQ(p.PokerState, 0);
  Frame(100);
  Deal("5");
  EXPECT_EQ(p.PokerCards, "22255");
  EXPECT_EQ(p.PokerState, 1);
  uint32_t fifth = g.FrameTime;
  EXPECT_EQ(p.HandTime, fifth);
  while (g.FrameTime - fifth < 992) Frame(16);
  EXPECT_EQ(p.PokerState, 1);
  EXPECT_EQ(p.Score, 0);
  Frame(16);  // 1008 ms
  EXPECT_EQ(p.PokerState, 2);
  EXPECT_EQ(p.PokerHand, 4);
  EXPECT_EQ(p.Score, 4000);
  EXPECT_EQ(p.PokerSorted, "22255");
  EXPECT_TRUE(p.PokerCards.empty());
  while (g.FrameTime - fifth < 3984) Frame(16);
  EXPECT_EQ(p.PokerState, 2);
  Frame(16);
  EXPECT_EQ(p.PokerState, 0);
  EXPECT_TRUE(p.PokerSorted.empty());
  EXPECT_EQ(p.Score, 4000);
}

TEST_F(PokerTest, SixthEraseWithinTheFirstSecondScoresAtOnce) {
  Deal("44113");
  uint32_t fifth = g.FrameTime;
  for (int i = 0; i < 300 / 20; ++i) Frame(20);
  Deal("0");
  EXPECT_EQ(p.Score, 2000);
  EXPECT_EQ(p.PokerHand, 2);
  EXPECT_EQ(p.PokerSorted, "11344");
  EXPECT_EQ(p.PokerCards, "0");  // the first card of the next hand
  EXPECT_EQ(p.PokerState, 2);
  EXPECT_EQ(p.HandTime, fifth);
  // The 1000 ms mark passes without a second judgement; the display still ends at 4000 ms.
  while (g.FrameTime - fifth < 3980) Frame(20);
  EXPECT_EQ(p.Score, 2000);
  EXPECT_EQ(p.PokerState, 2);
  Frame(20);
  EXPECT_EQ(p.PokerState, 0);
  EXPECT_TRUE(p.PokerSorted.empty());
  EXPECT_EQ(p.PokerCards, "0");
}

TEST_F(PokerTest, HandWithNothingPaysNothingAndShowsNothing) {
  Deal("01254");
  for (int i = 0; i < 70; ++i) Frame(16);
  EXPECT_EQ(p.PokerState, 2);
  EXPECT_EQ(p.PokerHand, 0);
  EXPECT_TRUE(p.PokerSorted.empty());
  EXPECT_EQ(p.Score, 0);
}

TEST_F(GaugesFixture, NoCardsWithoutAPokerDisplay) {
  StartGame(2);
  for (int n = 0; n < 2; ++n) {
    TPlayerInfo& p = g.Player(n);
    for (char c : std::string("333331")) DealPokerCard(g, p, c - '0');
    PresentRulesEvents(g);
    EXPECT_TRUE(p.PokerCards.empty());
    EXPECT_EQ(p.Score, 0);
  }
}

}  // namespace
}  // namespace kq::test
