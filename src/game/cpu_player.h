#pragma once
// The computer player: it looks at what a person sees (the fields, the gauges, its shots in
// flight, the rival's hazard counter), plans with the planner and plays its device through the
// same key presses a person makes, one decision per tick.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/controls.h"
#include "engine/random.h"
#include "game/cpu_planner.h"

namespace kq {

struct GameContext;

// How good a level is.
struct TCpuSkill {
  int ReactionMs = 500;   // from a settled field to the first press of a new plan
  int PressMs = 150;      // shortest time between two presses (inputs per second)
  double Error = 0.05;    // chance of a slip: a poorer plan, a cell off, the wrong colour way
  int CashInStock = 0;    // with this many hazards stocked it holds its erase until the combo ends
                          // and the stock goes to the rival (0: never on purpose)
  bool Pipeline = false;  // while its erase flies and the blocks go, prepares the next group
  TCpuSearch Search;
};

// Level 1 (a beginner's match) to 5 (beats a good player); out-of-range levels are clamped.
TCpuSkill CpuSkill(int level);

class TCpuPlayer : public TControlProgram {
 public:
  TCpuPlayer(GameContext& g, int playerNo, int level, uint64_t seed);

  void Decide() override;
  // Keys of the held controls by the device's own assignment; on player 1's device the system
  // keys (Esc, Return, F1-F4) still come from the keyboard, so a person can always leave.
  bool VkDown(int vk) const override;
  int FirstDownVk() const override;
  bool AnyKeyDown() const override;
  // Every pad number reads the held controls, as if the player used its pad.
  uint64_t PadStates(int padNo) const override;
  std::vector<std::string> PadNames() const override;

  const TInputStates& Held() const { return held_; }
  int Level() const { return level_; }
  int PlayerNo() const { return no_; }
  // Searches for plans so far (the benchmark times the decisions that searched).
  int Searches() const { return searches_; }

 private:
  struct TPending {
    TCpuAction Shot;
  };

  TPlayerInfo& Me() const;
  int Reaction();
  bool CanPress(uint32_t now, const TInputStates& before, int state) const;
  void Press(int state, uint32_t now);
  TCpuBoard Predicted(const TPlayerInfo& p) const;
  void Plan(const TCpuBoard& field, const TPlayerInfo& p, uint32_t now);
  void Execute(TPlayerInfo& p, uint32_t now, const TInputStates& before);
  void Move(const TPlayerInfo& p, int col, int row, uint32_t now, const TInputStates& before);
  void Fire(TPlayerInfo& p, uint32_t now, const TInputStates& before);
  void AnswerRetry(uint32_t now, const TInputStates& before);
  TCpuSituation Situation(const TPlayerInfo& p) const;
  void Prepare(TPlayerInfo& p, uint32_t now, const TInputStates& before, bool eraseFlying);

  GameContext& g_;
  int no_;
  int level_;
  TCpuSkill skill_;
  TRandom rng_;  // its own: slips and hesitation never touch the game's stream
  TInputStates held_;

  std::deque<TCpuAction> steps_;  // the plan still to press
  TCpuBoard expected_;            // the field the plan counts on, with its shots so far
  bool aimChosen_ = false;
  int aimCol_ = 0, aimRow_ = 0;
  std::deque<TPending> pending_;  // own shots in flight, oldest first
  bool unsettled_ = true;
  uint32_t waitUntil_ = 0;
  uint32_t lastPress_ = 0;
  bool pressedOnce_ = false;
  int holdDir_ = -1;  // direction held for its auto-repeat
  uint32_t overSeen_ = 0;
  std::deque<TCpuAction> prepSteps_;  // change shots for the field after the running erase
  TCpuBoard prepBase_;                // that field as foreseen, with the prepared shots
  int searches_ = 0;
};

// Game start: the computer players of a versus game from the settings Cpu1P / Cpu2P, each
// seeded from the game's seed (none while a replay plays).
void StartCpuPlayers(GameContext& g);

}  // namespace kq
