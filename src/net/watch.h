#pragma once
// Spectators of a network match. The host hands each one both players' confirmed states as
// they become final (TWatchHub); a spectator keeps them (TWatchFeed) and plays the match from
// them a few seconds behind the players (TWatchMatch). Nothing a spectator does reaches the
// players: the host never waits for one, keeps a bounded history, and lets a slow, silent or
// misbehaving one go.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/net_packet.h"
#include "net/transport.h"

namespace kq::net {

constexpr size_t kMaxWatchers = 8;
// What the ninth spectator is told.
constexpr const char* kWatchersFull = "this match already has 8 spectators";
constexpr const char* kWatchTooFarBehind = "the spectator fell too far behind the match";
constexpr const char* kHostLeft = "the host left";
constexpr const char* kMatchOver = "the match is over";
// A spectator plays a tick only once it holds the states of this many ticks after it (2.5 s).
constexpr uint32_t kWatchLagTicks = 150;
// The longest round spectators can follow (30 minutes); the host keeps no more of one.
constexpr uint32_t kWatchHistoryTicks = 60 * 60 * 30;
// How often the host sends each spectator what it lacks, and a spectator says what it holds.
constexpr uint32_t kWatchSendMs = 50;
// While the match has not begun, the host tells a waiting spectator it is there this often.
constexpr uint32_t kWatchWaitingMs = 1000;
// A spectator that sends this many packets that are no message is let go.
constexpr uint32_t kWatchMaxBadPackets = 32;
// At the end of the match the host waits at most this long for its spectators to take the rest;
// it goes on as soon as all of them have. Long enough for a lossy link's retransmissions (half a
// second lost the end now and then over 100 ms with 5% loss).
constexpr uint32_t kWatchEndWaitMs = 1500;

// Both players' states of a tick as one word: player 1 | player 2 << 16.
inline uint32_t PackWatch(const std::array<uint16_t, 2>& s) {
  return uint32_t(s[0]) | uint32_t(s[1]) << 16;
}
inline std::array<uint16_t, 2> UnpackWatch(uint32_t w) {
  return {uint16_t(w & 0xFFFF), uint16_t(w >> 16)};
}

struct TWatchHubStats {
  uint32_t Refused = 0;     // turned away: the match was full, or another build
  uint32_t Left = 0;        // went, or were let go
  uint32_t BadPackets = 0;  // undecodable, unexpected or impossible messages
};

// The host's side: takes the transport's spectator events, answers them and sends each
// spectator what it has not acknowledged.
class TWatchHub {
 public:
  TWatchHub(std::string gameVersion, uint64_t levelHash)
      : version_(std::move(gameVersion)), levelHash_(levelHash) {}

  // The match is on with these settings: spectators waiting get them, later ones at once.
  void Start(const TWelcome& w);
  // The confirmed states of tick `tick` of the current round (ticks come in order from 1).
  void Confirmed(uint32_t tick, const std::array<uint16_t, 2>& states);
  // The current round ended after its ticks so far; the next one starts at tick 1.
  void NewRound();
  // Answers what the spectators sent and sends what is due; never waits.
  void Pump(TNetTransport& t, uint32_t nowMs);
  // The match is over: each spectator gets the rest of its states and the reason, and the
  // transport lets them go (waiting at most waitMs).
  void End(TNetTransport& t, const std::string& reason, uint32_t waitMs);

  size_t Watchers() const { return watchers_.size(); }
  const TWatchHubStats& Stats() const { return stats_; }
  uint32_t Round() const { return round_; }

 private:
  struct TWatcher {
    uint32_t Id = 0;
    bool Hello = false;     // its hello was good
    bool Welcomed = false;  // it has the match's settings
    uint32_t Round = 0;     // the round it is being sent
    uint32_t Acked = 0;     // it holds that round's ticks up to here
    uint32_t LastHeard = 0, LastSent = 0;
    uint32_t Bad = 0;
  };
  struct TRound {
    std::vector<uint32_t> States;
    bool Closed = false;
  };
  void Handle(TNetTransport& t, TWatcher& w, const std::vector<uint8_t>& data, uint32_t nowMs);
  void Drop(TNetTransport& t, uint32_t id, const std::string& reason, bool refused = false);
  TWatchInputs Packet(const TWatcher& w) const;
  const TRound* Find(uint32_t round) const;

  std::string version_;
  uint64_t levelHash_;
  bool started_ = false;
  TWelcome welcome_;
  uint32_t round_ = 0;
  std::map<uint32_t, TRound> rounds_;  // the current round and the one before
  std::vector<TWatcher> watchers_;
  TWatchHubStats stats_;
};

struct TWatchFeedCounters {
  uint32_t OtherRound = 0;  // packets of a round it cannot take yet (or any more)
  uint32_t Gap = 0;         // packets that start past what it holds
  uint32_t Conflict = 0;    // a tick or a round's end resent otherwise: the first one stands
  bool operator==(const TWatchFeedCounters&) const = default;
};

// The spectator's store of the states the host sent: per round, the ticks held from 1 on.
class TWatchFeed {
 public:
  // A packet from the host; untrusted.
  void Receive(const TWatchInputs& m);
  // Ticks of round `round` held from tick 1 on.
  uint32_t Held(uint32_t round) const;
  // The round's last tick, once the host said it ended.
  std::optional<uint32_t> LastTick(uint32_t round) const;
  // Both players' states of a held tick.
  std::array<uint16_t, 2> At(uint32_t round, uint32_t tick) const;
  // The round played is over: its states go.
  void Forget(uint32_t round);
  // What to tell the host: the latest round held and how far; (next round, 0) once the latest
  // is held to its known end.
  TWatchAck Ack() const;
  const TWatchFeedCounters& Counters() const { return counters_; }

 private:
  struct TRound {
    std::vector<uint32_t> States;
    std::optional<uint32_t> Last;
  };
  std::map<uint32_t, TRound> rounds_;
  std::optional<uint32_t> forgotten_;  // rounds up to here are played
  TWatchFeedCounters counters_;
};

enum class TWatchPhase { Connecting, Waiting, Watching, Ended };

// A spectator's connection: says hello, takes the settings and the states, acknowledges them.
// The match may end (Ended) while states are still held: the caller plays them out.
class TWatchMatch {
 public:
  TWatchMatch(std::unique_ptr<TNetTransport> transport, std::string gameVersion, uint64_t levelHash);
  ~TWatchMatch();

  TWatchPhase Phase() const { return phase_; }
  // Why the match is over for this spectator ("rival left", a refusal, "the host disconnected").
  const std::string& EndReason() const { return reason_; }
  const TWelcome& Settings() const { return welcome_; }
  bool HasSettings() const { return welcomed_; }
  TWatchFeed& Feed() { return feed_; }
  const TNetTransport& Transport() const { return *transport_; }
  uint32_t UndecodedPackets() const { return undecoded_; }

  void Pump(uint32_t nowMs);
  // The spectator goes: the host hears it at once.
  void Leave();

 private:
  void End(const std::string& reason);
  std::unique_ptr<TNetTransport> transport_;
  std::string version_;
  uint64_t levelHash_;
  TWatchPhase phase_ = TWatchPhase::Connecting;
  std::string reason_;
  TWelcome welcome_;
  bool welcomed_ = false;
  TWatchFeed feed_;
  uint32_t lastHeard_ = 0, lastAck_ = 0;
  bool heard_ = false;
  uint32_t undecoded_ = 0;
};

}  // namespace kq::net
