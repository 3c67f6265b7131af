#pragma once
// Messages of a network match and their wire form. Everything a peer sends is decoded here
// first: a packet that does not decode exactly is dropped, never half-trusted.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kq::net {

// Bumped whenever the wire form or the meaning of a message changes (the state hash covers the
// whole rules state from 2 on, spectators from 3 on); peers of different protocols refuse each
// other.
constexpr uint16_t kProtocolVersion = 3;
constexpr size_t kMaxText = 255;       // version strings, reasons
constexpr size_t kMaxRules = 4096;     // the host's rule settings as INI text
constexpr size_t kMaxInputTicks = 64;  // ticks one input packet may carry
constexpr uint8_t kMaxInputDelay = 3;  // ticks a player's own presses may wait (a match's setting)
constexpr size_t kMaxPacket = 8192;
constexpr size_t kMaxWatchTicks = 240;  // ticks one packet to a spectator may carry

// Guest -> host, first thing after the connection.
struct THello {
  uint16_t Protocol = kProtocolVersion;
  std::string GameVersion;
  uint64_t LevelHash = 0;
  bool operator==(const THello&) const = default;
};

// Host -> guest: the match is on with these settings.
struct TWelcome {
  std::string GameVersion;
  uint64_t LevelHash = 0;
  uint64_t Seed = 0;
  uint8_t Delay = 0;  // input delay of the first round, in ticks (0..kMaxInputDelay)
  std::string Rules;  // rule settings, as [System]/[Status*] INI text
  bool operator==(const TWelcome&) const = default;
};

// Either side: the connection is refused or ended, with the reason a person reads.
struct TRefuse {
  std::string Reason;
  bool operator==(const TRefuse&) const = default;
};

// Unreliable channel: the sender's control states for ticks FirstTick, FirstTick + 1, ...
// Ack is the last tick up to which the sender holds every input of the receiver.
struct TInputs {
  uint32_t Round = 0;  // retry rounds restart tick numbers; old rounds' packets are dropped
  uint32_t Ack = 0;
  uint32_t FirstTick = 0;
  std::vector<uint16_t> States;
  bool operator==(const TInputs&) const = default;
};

// Hash of the rules' state after tick Tick.
struct THash {
  uint32_t Round = 0;
  uint32_t Tick = 0;
  uint64_t Hash = 0;
  bool operator==(const THash&) const = default;
};

// Host -> guest: local inputs sampled from tick FromTick on are scheduled Delay ticks ahead.
struct TDelay {
  uint32_t Round = 0;
  uint32_t FromTick = 0;
  uint8_t Delay = 0;
  bool operator==(const TDelay&) const = default;
};

// The answer to the game-over prompt of round Round; the host's also fixes the input delay of
// the next round.
struct TRetry {
  uint32_t Round = 0;
  bool Yes = false;
  uint8_t Delay = 0;  // 0..kMaxInputDelay
  bool operator==(const TRetry&) const = default;
};

// Host -> spectator (unreliable, resent until acknowledged; reliable at the end of the match):
// both players' confirmed states of ticks FirstTick, FirstTick + 1, ... of round Round, each
// as player 1 | player 2 << 16. LastTick is 0 while the round goes on, else its last tick.
struct TWatchInputs {
  uint32_t Round = 0;
  uint32_t FirstTick = 0;
  uint32_t LastTick = 0;
  std::vector<uint32_t> States;
  bool operator==(const TWatchInputs&) const = default;
};

// Spectator -> host: it holds every tick of round Round up to Tick; (next round, 0) once it
// holds a round to its end and knows that it ended.
struct TWatchAck {
  uint32_t Round = 0;
  uint32_t Tick = 0;
  bool operator==(const TWatchAck&) const = default;
};

using TMessage =
    std::variant<THello, TWelcome, TRefuse, TInputs, THash, TDelay, TRetry, TWatchInputs, TWatchAck>;

std::vector<uint8_t> Encode(const TMessage& m);
// nullopt for anything that is not exactly one well-formed message.
std::optional<TMessage> Decode(std::span<const uint8_t> bytes);

}  // namespace kq::net
