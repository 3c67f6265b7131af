#pragma once
// Rollback for a two-machine match: own input applies on the tick it is made (after an optional
// input delay), the rival's is predicted until it arrives; when a prediction proves wrong the
// game goes back to the last tick before it and runs again to the present. TRollbackInputs keeps
// the inputs and says when to go back; TRollback<Game> keeps the saved states and does it.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "net/net_packet.h"

namespace kq::net {

// Ticks the game may run past the last tick whose rival input is known; further, it waits.
constexpr uint32_t kPredictionWindow = 8;
constexpr int kMaxRollbackDelay = kMaxInputDelay;

// The start of a round: each side sends its first states, waits for the rival's and starts.
// waitedMs: from sending to hearing the rival's. The rival started when it had both, which was
// up to a way over (half the round trip) earlier: this side starts that far behind, in ms, and
// runs those ticks at once, so both run even from the first tick.
uint32_t RoundStartLagMs(uint32_t waitedMs, uint32_t roundTripMs);

struct TRollbackCounters {
  uint32_t Rollbacks = 0;       // times the game went back
  uint32_t MaxRollback = 0;     // deepest, in ticks re-run
  uint32_t PredictedWrong = 0;  // ticks that ran with a wrong guess of the rival's input
  uint32_t TooFar = 0;          // packets claiming ticks outside the window of acceptance
  uint32_t OtherRound = 0;
  uint32_t Conflict = 0;  // a tick resent with other states: the first one stands
  uint32_t BadAck = 0;
  bool operator==(const TRollbackCounters&) const = default;
};

class TRollbackInputs {
 public:
  // side: 0 host (player 1), 1 guest (player 2). delay: 0..kMaxRollbackDelay, the same on both
  // machines. oneShot: bits that act once per press; a guess never repeats them.
  TRollbackInputs(int side, int delay, uint16_t oneShot, uint32_t round = 0);

  int Side() const { return side_; }
  int Delay() const { return delay_; }
  uint32_t Round() const { return round_; }
  // The next tick to run (ticks count from 1).
  uint32_t NextTick() const { return next_; }

  // This side's states, sampled once while NextTick() is being prepared (they act on
  // NextTick() + Delay()).
  void Sample(uint16_t states);
  bool Sampled() const { return sampled_ == next_; }
  // NextTick() may run: own states known and no more than kPredictionWindow ticks guessed.
  bool CanAdvance() const;
  // Both players' states for NextTick() as [player 1, player 2], the rival's guessed when not
  // known; moves on. Only when CanAdvance().
  std::array<uint16_t, 2> Advance();

  // A rival's input packet; untrusted.
  void Receive(const TInputs& m);
  // The earliest tick that ran with a guess now known wrong (once; then it counts as corrected,
  // and InputsAt gives what the re-run must use).
  std::optional<uint32_t> TakeRollback();
  // The states a run of `tick` uses now (known, or the current guess); records them as used.
  // For ticks already run, below NextTick().
  std::array<uint16_t, 2> InputsAt(uint32_t tick);

  // Every tick up to here ran with both players' real states: its state is final.
  uint32_t Confirmed() const;
  // The real states of a confirmed tick as [player 1, player 2] (what a recording holds).
  std::array<uint16_t, 2> ConfirmedInputs(uint32_t tick) const;
  // Frees what ticks up to `tick` held (the caller has recorded and checked them).
  void ForgetThrough(uint32_t tick);

  // Highest tick up to which every rival state is known.
  uint32_t RemoteContiguous() const { return remoteContig_; }
  // The packet to send now: own states the rival has not acknowledged, oldest first.
  TInputs Outgoing() const;
  const TRollbackCounters& Counters() const { return counters_; }

 private:
  uint16_t Guess(uint32_t tick) const;
  uint16_t Current(uint32_t tick) const;
  std::array<uint16_t, 2> Pair(uint16_t mine, uint16_t theirs) const {
    return side_ == 0 ? std::array<uint16_t, 2>{mine, theirs} : std::array<uint16_t, 2>{theirs, mine};
  }

  int side_;
  int delay_;
  uint16_t oneShot_;
  uint32_t round_;
  uint32_t next_ = 1;
  uint32_t sampled_ = 0;
  uint32_t localNext_ = 1;  // next own tick without states
  uint32_t remoteAck_ = 0;  // the rival holds our states up to here
  uint32_t remoteContig_ = 0;
  uint32_t forgotten_ = 0;               // ticks up to here are gone from the maps
  uint16_t forgottenRemote_ = 0;         // the rival's states of tick forgotten_
  std::optional<uint32_t> wrong_;        // earliest tick run with a wrong guess
  std::map<uint32_t, uint16_t> local_;   // own states
  std::map<uint32_t, uint16_t> remote_;  // rival states known
  std::map<uint32_t, uint16_t> used_;    // rival states the last run of each tick used
  TRollbackCounters counters_;
};

// The game a rollback drives: State is a plain copyable value.
//   State Save() const;  void Load(const State&);  void Step(const std::array<uint16_t, 2>&, bool);
// Step runs one tick with both players' states; `resim` tells the game it is re-running (draw
// nothing, let the sounds be reconciled later). A game may also have BeginRerun(fromTick) and
// EndRerun(), called around each re-run (before the Load, after the last Step).
template <class Game, class State>
class TRollback {
 public:
  TRollback(Game& game, TRollbackInputs& inputs) : game_(game), in_(inputs) {}

  // Goes back and re-runs when a guess proved wrong, then runs NextTick() when it may. Returns
  // whether a new tick ran.
  bool Tick() {
    Correct();
    if (!in_.CanAdvance()) return false;
    const uint32_t t = in_.NextTick();
    Run(t, in_.Advance());
    return true;
  }
  // Runs tick `tick` with these states (what TRollbackInputs::Advance gave for it).
  void Run(uint32_t tick, const std::array<uint16_t, 2>& states) {
    Keep(tick, game_.Save());
    game_.Step(states, false);
  }
  // Only the correction (a packet came in while no tick is due). Returns the first tick re-run.
  std::optional<uint32_t> Correct() {
    const std::optional<uint32_t> from = in_.TakeRollback();
    if (!from) return from;
    auto it = saved_.find(*from);
    if (it == saved_.end()) return std::nullopt;  // cannot happen: every unconfirmed tick's state is kept
    if constexpr (requires { game_.BeginRerun(*from); }) game_.BeginRerun(*from);
    game_.Load(it->second);
    for (uint32_t t = *from; t < in_.NextTick(); ++t) {
      Keep(t, game_.Save());
      game_.Step(in_.InputsAt(t), true);
    }
    if constexpr (requires { game_.EndRerun(); }) game_.EndRerun();
    return from;
  }
  // The state before `tick`, while it is kept (null once forgotten or not yet run).
  const State* Before(uint32_t tick) const {
    auto it = saved_.find(tick);
    return it == saved_.end() ? nullptr : &it->second;
  }
  // Drops saved states of ticks up to `tick` (confirmed and dealt with).
  void ForgetThrough(uint32_t tick) { saved_.erase(saved_.begin(), saved_.upper_bound(tick)); }
  size_t Saved() const { return saved_.size(); }

 private:
  void Keep(uint32_t tick, State s) { saved_.insert_or_assign(tick, std::move(s)); }

  Game& game_;
  TRollbackInputs& in_;
  std::map<uint32_t, State> saved_;  // state before each tick not yet forgotten
};

}  // namespace kq::net
