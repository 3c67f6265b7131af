#pragma once
// Deterministic lockstep for a two-machine match: a tick runs only when both players' control
// states for it are known; each side's own states are scheduled a few ticks ahead (the input
// delay) so that, on a good network, the rival's states arrive before they are needed.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "net/net_packet.h"

namespace kq::net {

constexpr int kMinDelay = 1;
constexpr int kMaxDelay = 8;
// Remote ticks accepted ahead of the next tick to run; further claims are dropped.
constexpr uint32_t kInputWindow = 256;

// Tick lengths of a network match: 16, 17, 17 ms repeating, exactly 60 ticks a second and the
// same sequence on both machines. Ticks count from 1.
uint32_t NetTickLength(uint32_t tick);

// Input delay for a measured round trip: half of it in ticks, rounded up, plus one, within 1..8.
int DelayForRoundTrip(uint32_t rttMs);

struct TLockstepCounters {
  uint32_t TooFar = 0;      // packets claiming ticks outside the window
  uint32_t OtherRound = 0;  // packets of another round
  uint32_t Old = 0;         // ticks already run
  uint32_t Duplicate = 0;   // ticks already known (resent for loss)
  uint32_t Conflict = 0;    // a tick resent with other states: the first one stands
  uint32_t BadAck = 0;      // acks of ticks never sent
  bool operator==(const TLockstepCounters&) const = default;
};

class TLockstep {
 public:
  // side: 0 host (player 1), 1 guest (player 2). oneShot: bits that act once per press (shots),
  // never repeated into the ticks a delay change leaves open.
  TLockstep(int side, int delay, uint16_t oneShot, uint32_t round = 0);

  int Side() const { return side_; }
  uint32_t Round() const { return round_; }
  uint32_t NextTick() const { return next_; }
  // Delay that applies to the states sampled for NextTick().
  int Delay() const { return DelayAt(next_); }
  int DelayAt(uint32_t sampleTick) const;

  // This side's states, sampled once while NextTick() is being prepared.
  void Sample(uint16_t states);
  bool Sampled() const { return sampled_ == next_; }
  // Both players' states of NextTick() are known.
  bool Ready() const;
  // States of NextTick() as [player 1, player 2]; moves on to the next tick. Only when Ready().
  std::array<uint16_t, 2> Advance();

  // Local delay change, in force for states sampled from tick fromTick on (host decides, the
  // guest applies what it is told). A change for a tick already sampled applies from the next.
  void ChangeDelay(uint32_t fromTick, int delay);

  // The packet to send now: every own tick the rival has not acknowledged (at most
  // kMaxInputTicks of them, oldest first). Empty States when nothing is outstanding.
  TInputs Outgoing() const;
  // A rival's input packet; untrusted.
  void Receive(const TInputs& m);

  // Highest tick up to which every rival state is known.
  uint32_t RemoteContiguous() const { return remoteContig_; }
  const TLockstepCounters& Counters() const { return counters_; }

 private:
  bool RemoteKnown(uint32_t tick) const;

  int side_;
  uint16_t oneShot_;
  uint32_t round_;
  uint32_t next_ = 1;       // next tick to run
  uint32_t sampled_ = 0;    // last sample tick
  uint32_t localNext_ = 1;  // next own tick without states
  uint16_t lastSample_ = 0;
  uint16_t pendingOneShot_ = 0;
  uint32_t remoteAck_ = 0;  // the rival holds our states up to here
  uint32_t remoteContig_ = 0;
  std::map<uint32_t, int> delays_;       // sample tick -> delay from then on
  std::map<uint32_t, uint16_t> local_;   // own states not yet acknowledged or run
  std::map<uint32_t, uint16_t> remote_;  // rival states not yet run
  TLockstepCounters counters_;
};

// Compares the rules' state hashes both sides send every few ticks.
class TDesyncCheck {
 public:
  // The first tick whose hashes differ, once both are known.
  std::optional<uint32_t> AddLocal(uint32_t tick, uint64_t hash);
  std::optional<uint32_t> AddRemote(uint32_t tick, uint64_t hash);
  size_t Pending() const { return local_.size() + remote_.size(); }

 private:
  std::optional<uint32_t> Match(uint32_t tick);
  std::map<uint32_t, uint64_t> local_, remote_;
};

// Host side: picks the input delay from the measured round trip, changing it only after the
// new value has held for a while, so a burst of jitter does not flip it to and fro.
class TDelayControl {
 public:
  explicit TDelayControl(int delay) : delay_(delay) {}
  // Called once a tick; a change to announce, in force from the returned tick on.
  std::optional<std::pair<uint32_t, int>> Update(uint32_t tick, uint32_t rttMs);
  int Delay() const { return delay_; }

  static constexpr uint32_t kSettleTicks = 120;  // a new value must hold this long
  static constexpr uint32_t kLeadTicks = 30;     // announced this far ahead of its first tick

 private:
  int delay_;
  int candidate_ = 0;
  uint32_t since_ = 0;
  uint32_t lastChange_ = 0;
};

}  // namespace kq::net
