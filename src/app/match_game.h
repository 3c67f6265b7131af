#pragma once
// The play screen of a network match as a rollback drives it (net/rollback.h): save and load the
// rules' state with what a game over writes beside it, and run one tick of both players' states,
// live or re-running. A re-run draws nothing and moves no sprite; its sounds go through a
// TSoundLedger, so after it a sound that no longer happens stops and one that now happens plays
// late, never twice.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/game_state.h"
#include "core/sound_ledger.h"

namespace kq {

struct GameContext;
class ISoundSystem;
class TImageSprite;

struct TMatchSnapshot {
  TGameState State;
  uint32_t Next = 1;   // the tick Step runs next
  uint32_t Clock = 0;  // the clock of the last tick run
  int LastWinner = 0;
  std::array<int, 2> SessionWins{0, 0};
  int RetryChoice = 0;
  TImageSprite* RetryYes = nullptr;
  TImageSprite* RetryNo = nullptr;
};

class TMatchGame {
 public:
  // Takes over g.Sound until destroyed. startClock: the game clock before tick 1; wallMs: the
  // clock late sounds are judged by; setClock: tells the platform each tick's clock.
  TMatchGame(GameContext& g, uint32_t startClock, std::function<uint32_t()> wallMs,
             std::function<void(uint32_t)> setClock = {});
  ~TMatchGame();
  TMatchGame(const TMatchGame&) = delete;
  TMatchGame& operator=(const TMatchGame&) = delete;

  TMatchSnapshot Save() const;
  void Load(const TMatchSnapshot& s);
  // One network tick of both players' control bits ([player 1, player 2]).
  void Step(const std::array<uint16_t, 2>& states, bool resim);
  void BeginRerun(uint32_t fromTick);
  void EndRerun();
  // Ticks up to here are final.
  void ForgetThrough(uint32_t tick);

  uint32_t NextTick() const { return next_; }
  uint32_t RerunTicks() const { return rerunTicks_; }

 private:
  class TLedgerSound;
  GameContext& g_;
  std::function<uint32_t()> wallMs_;
  std::function<void(uint32_t)> setClock_;
  std::unique_ptr<TLedgerSound> sound_;
  ISoundSystem* realSound_;
  TSoundLedger ledger_;
  uint32_t next_ = 1;
  uint32_t clock_ = 0;
  uint32_t rerunTicks_ = 0;
  bool rerunning_ = false;
  bool savedNoRender_ = false;
  bool savedRecordSounds_ = false;
};

}  // namespace kq
