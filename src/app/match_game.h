#pragma once
// The play screen of a network match as a rollback drives it (net/rollback.h): save and load the
// rules' state, and run one tick of both players' states, live or re-running. A re-run draws
// nothing, moves no sprite and shows none of the rules' events. Afterwards the screen follows the
// corrected game: sounds through a TSoundLedger (one that no longer happens stops, one that now
// happens plays late if recent, none twice); the pictures a tick put up (boards, dust,
// animations, the retry prompt, the game-over title, the shooter's recoil) stay where the re-run
// made the same ones and are taken down and shown anew where it did not, moved on as if shown at
// their tick; the HUD, the sight, the danger glow and the trimmed rows' shades are put where the
// state stands.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/game_state.h"
#include "core/rules_events.h"
#include "core/sound_ledger.h"

namespace kq {

struct GameContext;
class ISoundSystem;
class TSprite;

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
  // Ticks whose pictures a re-run took down and showed anew.
  uint32_t Reshown() const { return reshown_; }

 private:
  class TLedgerSound;
  // The events of a tick that put pictures up, and the serials of the sprites the tick made.
  struct TTickPictures {
    std::vector<TRulesEvent> Events;
    uint64_t After = 0, Upto = 0;  // serials in (After, Upto]
    uint32_t Clock = 0;            // the tick's clock
  };
  void TakeDown(const TTickPictures& t);
  // Moves sprites shown anew by a re-run through the ticks from the one each belongs to.
  void CatchUp(const std::map<TSprite*, uint32_t>& sprites);
  void ShowSight();
  GameContext& g_;
  std::function<uint32_t()> wallMs_;
  std::function<void(uint32_t)> setClock_;
  std::unique_ptr<TLedgerSound> sound_;
  ISoundSystem* realSound_;
  TSoundLedger ledger_;
  uint32_t next_ = 1;
  uint32_t clock_ = 0;
  uint32_t rerunTicks_ = 0;
  uint32_t reshown_ = 0;
  std::map<uint32_t, TTickPictures> pictures_;                  // ticks not yet final
  std::map<uint32_t, std::vector<TRulesEvent>> rerunPictures_;  // as the re-run made them
  bool rerunning_ = false;
  bool savedNoRender_ = false;
  bool savedRecordSounds_ = false;
};

}  // namespace kq
