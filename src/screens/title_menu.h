#pragma once
// Choices on the title's items, picked with Left/Right while the item is highlighted. Up/down
// and confirm keep their meaning; a choice only says which way the item goes when confirmed
// (VS GAME: who plays each side; RANKING: the ranking or the recordings). The lists are data, so
// a later screen adds its choice by appending to an item's chooser.
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kq {

struct GameContext;

constexpr int kTitleItems = 5;
constexpr int kTitleVsItem = 1;
constexpr int kTitleRankingItem = 3;

struct TTitleChoice {
  std::string Label;  // in English, marked for the catalogue; drawn translated
  // Run when this choice becomes the chooser's choice (null: nothing to keep).
  std::function<void(GameContext&)> Pick;
  // Run instead of the item's own action on confirm (null: the item's own action).
  std::function<void(GameContext&)> Confirm;
};

struct TTitleChooser {
  std::string Caption;  // drawn before the choice ("1P"); may be empty
  int Devices = 3;      // whose Left/Right steer it: bit 0 player 1's device, bit 1 player 2's
  std::vector<TTitleChoice> Choices;
  int Index = 0;
  // The choice on each entry to the title (null: the first); kept in range.
  std::function<int(const GameContext&)> Initial;
  const TTitleChoice* Current() const {
    return Index >= 0 && Index < int(Choices.size()) ? &Choices[size_t(Index)] : nullptr;
  }
};

struct TTitleMenu {
  // Per item, its choosers in the order they are drawn; an item without one has no choice.
  std::array<std::vector<TTitleChooser>, kTitleItems> Items;
  // The line of keys shown under the menu while the item is highlighted.
  std::array<std::string, kTitleItems> Hints;
};

}  // namespace kq
