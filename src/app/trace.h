#pragma once
// The course of a scripted run in text: one line for each tick on which a value the rules decide
// changed (screen, phases, levels, scores, combos, rainbow mode, poker hand, hazards, trims, EX
// stage, ending, winner), and the rules' state hash every 60 ticks. Two runs that play the same
// game give the same text, so a recorded run can be held against a stored one.
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

struct GameContext;

class TStateTrace {
 public:
  // Called after every tick of the run; a tick that did not run the game (a network match
  // waiting for its rival) adds nothing.
  void After(const GameContext& g);
  const std::string& Text() const { return text_; }

  // Lines carry the game's tick count: "<tick> name=value ...".
  static constexpr uint32_t kHashInterval = 60;

 private:
  bool started_ = false;
  uint32_t lastTick_ = 0;
  std::vector<int64_t> last_;
  std::string text_;
};

}  // namespace kq
