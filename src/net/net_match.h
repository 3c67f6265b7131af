#pragma once
// One network match as the game sees it: the handshake, the inputs (own ones at once, the
// rival's guessed until they arrive: net/rollback.h), state hashes of confirmed ticks, retry
// answers and the end of the match, over any TNetTransport. The wall clock passed in only
// detects a silent rival and paces the two sides; it never reaches the rules.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/net_packet.h"
#include "net/net_ticks.h"
#include "net/rollback.h"
#include "net/transport.h"
#include "net/watch.h"

namespace kq::net {

// What this machine brings to the match.
struct TMatchSetup {
  std::string GameVersion;
  uint64_t LevelHash = 0;
  uint64_t Seed = 0;  // host: the seed of the match
  std::string Rules;  // host: its rule settings
  int Delay = 0;      // host: the input delay of the match, 0..kMaxRollbackDelay ticks
};

enum class TMatchPhase { Connecting, Handshake, Playing, Ended };

// Reasons the rival's side gives for an end that is no fault.
constexpr const char* kRivalLeft = "rival left";
constexpr const char* kDeclined = "the rival declined a rematch";

// Ticks between two state hashes.
constexpr uint32_t kHashInterval = 60;

struct TMatchStats {
  uint32_t Waits = 0;  // ticks that waited at least once (guessed too far ahead of the rival)
  uint32_t UndecodedPackets = 0;
  uint32_t LateDelayChanges = 0;
  uint32_t DelayChanges = 0;
};

class TNetMatch {
 public:
  TNetMatch(std::unique_ptr<TNetTransport> transport, bool host, TMatchSetup setup, uint16_t oneShot);
  ~TNetMatch();

  bool IsHost() const { return host_; }
  TMatchPhase Phase() const { return phase_; }
  // Why the match ended: a refusal, "rival disconnected", "desync at tick N", ...
  const std::string& EndReason() const { return reason_; }
  // Host: the last guest refused, for the waiting screen.
  const std::string& Notice() const { return notice_; }
  // The host's settings (guest: once Playing).
  const TWelcome& Settings() const { return welcome_; }
  const TNetTransport& Transport() const { return *transport_; }
  TRollbackInputs& Inputs() { return *inputs_; }
  const TRollbackInputs& Inputs() const { return *inputs_; }
  const TMatchStats& Stats() const { return stats_; }

  // Services the connection; call every frame.
  void Pump(uint32_t nowMs);

  // The game's side of a tick: sample once, then run it when Ready() (own states known, the
  // rival's at most kPredictionWindow ticks guessed); Advance gives both players' states.
  void Sample(uint16_t states);
  bool Ready();
  std::array<uint16_t, 2> Advance();
  // How far this side runs ahead of the rival, in ticks, averaged over the last second or so:
  // the side ahead slows down until both are even.
  double Lead() const { return lead_; }
  bool AheadOfRival() const { return lead_ > 1.0; }
  // The rules' state hash after a confirmed tick; both sides compare.
  void ReportHash(uint32_t tick, uint64_t hash);

  // Game-over prompt: this side's answer and the rival's for the current round.
  void AnswerRetry(bool yes);
  std::optional<bool> RivalRetry() const { return rivalRetry_; }
  // Both said yes: a new round starts at tick 1.
  void NewRound();

  // Ends the match for both sides; reason is shown here, the rival sees "rival left".
  void Leave(const std::string& reason);

  // Host: the spectators, who get each confirmed tick (Confirmed) and the rounds' flow.
  TWatchHub& Watchers() { return watch_; }
  const TWatchHub& Watchers() const { return watch_; }

 private:
  void Handle(const TMessage& m);
  void End(const std::string& reason);
  void SendInputs(uint32_t nowMs);
  void StartPlaying(int delay);

  std::unique_ptr<TNetTransport> transport_;
  bool host_;
  TMatchSetup setup_;
  uint16_t oneShot_;
  TMatchPhase phase_ = TMatchPhase::Connecting;
  std::string reason_;
  std::string notice_;
  TWelcome welcome_;
  std::unique_ptr<TRollbackInputs> inputs_;
  TDesyncCheck desync_;
  double lead_ = 0;
  TMatchStats stats_;
  uint32_t round_ = 0;
  uint32_t now_ = 0;
  uint32_t lastHeard_ = 0;
  uint32_t lastSend_ = 0;
  bool heardOnce_ = false;
  bool newSample_ = false;
  uint32_t waitedTick_ = 0;
  std::optional<bool> myRetry_, rivalRetry_;
  int nextDelay_ = 0;  // input delay of the next round, as the host fixed it
  TWatchHub watch_;
};

}  // namespace kq::net
