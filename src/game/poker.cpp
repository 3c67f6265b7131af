#include <algorithm>
#include <array>

#include "game/rules.h"

namespace kq {

void DealPokerCard(TRulesContext& g, TPlayerInfo& p, int kind) {
  if (!p.DealsPoker || kind < 0 || kind > 9) return;
  // A sixth card within the first second scores the full hand at once and opens the next one.
  if (p.PokerCards.size() >= 5) {
    EvaluatePokerHand(g, p);
    p.PokerState = 2;
  }
  p.PokerCards.push_back(char('0' + kind));
  if (p.PokerCards.size() == 5) {
    p.HandTime = g.FrameTime;
    p.PokerState = 1;
  }
}

void PokerTick(TRulesContext& g, TPlayerInfo& p) {
  const uint32_t since = g.FrameTime - p.HandTime;
  if (p.PokerState == 1) {
    // The five cards stay on show for a second before the hand is judged.
    if (since >= 1000) {
      EvaluatePokerHand(g, p);
      p.PokerState = 2;
    }
  } else if (p.PokerState == 2) {
    if (since >= 4000) {
      p.PokerSorted.clear();
      p.PokerState = 0;
    }
  }
}

void EvaluatePokerHand(TRulesContext& g, TPlayerInfo& p) {
  p.PokerSorted = p.PokerCards;
  p.PokerCards.clear();
  std::sort(p.PokerSorted.begin(), p.PokerSorted.end());
  std::array<int, 6> count{};
  for (char ch : p.PokerSorted)
    if (ch >= '0' && ch <= '5') ++count[size_t(ch - '0')];
  auto has = [&](int n) { return std::find(count.begin(), count.end(), n) != count.end(); };

  uint8_t hand = 0;
  if (has(5)) {
    hand = 6;
  } else if (count[1] == 1 && count[2] == 1 && count[3] == 1 && count[4] == 1) {
    hand = 7;  // the straight outranks everything
  } else if (has(4)) {
    hand = 5;
  } else if (has(3) && has(2)) {
    hand = 4;
  } else if (has(3)) {
    hand = 3;
  } else if (has(2)) {
    auto first = std::find(count.begin(), count.end(), 2);
    hand = std::find(first + 1, count.end(), 2) != count.end() ? 2 : 1;
  }

  p.PokerHand = hand;
  if (hand == 0) {
    p.PokerSorted.clear();
    return;
  }
  AddScoreRaw(g, p, hand * 1000);
}

}  // namespace kq
