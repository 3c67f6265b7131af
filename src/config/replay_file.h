#pragma once
// The replay file: a header (versions, mode, seed, the settings that change the rules, the level
// table's hash, date, result) and the game's ticks (move count, clock step and both players'
// control states), delta and run-length coded so an hour of play stays small.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/game_config.h"

namespace kq {

constexpr uint16_t kReplayFormatVersion = 1;
// Raised with every change that would play an old recording differently.
constexpr uint32_t kRulesVersion = 1;
extern const char kGameVersion[];

// Control bits of one tick: player 1 in bits 0-7, player 2 in bits 8-15 (up, down, left, right,
// action 1 to 4, each as the rules read it), player 1's cancel and confirm in bits 16 and 17.
constexpr int kControlsPerPlayer = 8;
constexpr uint32_t kReplayCancelBit = 1u << 16;
constexpr uint32_t kReplayConfirmBit = 1u << 17;
constexpr uint32_t kReplayControlMask = (1u << 18) - 1;

struct TReplayTick {
  uint32_t Move = 0;      // the move count the tick ran with
  uint32_t Step = 0;      // FrameTime minus the previous tick's (the start time for the first)
  uint32_t Controls = 0;  // bits above

  bool operator==(const TReplayTick&) const = default;
};

struct TReplayHeader {
  uint16_t FormatVersion = kReplayFormatVersion;
  std::string GameVersion = kGameVersion;
  uint32_t RulesVersion = kRulesVersion;
  uint8_t Mode = 1;  // 1 one player, 2 versus
  uint8_t Cols = 7;
  uint64_t Seed = 0;       // the game seed every random stream is derived from
  uint32_t StartTime = 0;  // FrameTime at the game's start
  bool AdvancedMode1P = false;
  bool AdvancedMode2P = false;
  bool DisableGameOver = false;
  std::vector<int64_t> Tuning;  // RuleTuning's values
  uint64_t LevelTableHash = 0;
  int64_t Date = 0;  // seconds since 1970 (UTC) at the start
  // Scripted starting fields of the headless runner; empty = random lines.
  std::array<std::vector<std::string>, 2> StartField;
  std::array<bool, 2> HasStartField{false, false};
  // The result, filled in when the game ends.
  bool Ranked = false;  // player 1's result entered the ranking
  std::array<int32_t, 2> Score{0, 0};
  std::array<int32_t, 2> MaxCombo{0, 0};
  std::array<int32_t, 2> Level{0, 0};
  uint64_t DurationMs = 0;
  // Who played each side: kSideHuman, 1..5 the computer at that strength, kSideNetwork. Files
  // written before sides were kept read as kSideUnknown.
  std::array<uint8_t, 2> Sides{0, 0};
  uint8_t Winner = 0;  // versus: 1 or 2, 0 while nobody has won (the game was left)
};

constexpr uint8_t kSideHuman = 0;
constexpr uint8_t kSideNetwork = 6;
constexpr uint8_t kSideUnknown = 7;

// The [System] tuning keys in a fixed order (reals as their bit patterns).
std::vector<int64_t> RuleTuning(const TGameConfig& c);
// False when the count is wrong or a value lies outside what the settings reader accepts.
bool ApplyRuleTuning(const std::vector<int64_t>& tuning, TGameConfig& c);
// FNV-1a over the table's values.
uint64_t LevelTableHash(const TLevelTable& t);

// Codes ticks as they come; Stream() is the coded form of all ticks added so far.
class TReplayEncoder {
 public:
  void Add(const TReplayTick& t);
  std::string Stream() const;
  uint32_t Ticks() const { return ticks_; }

 private:
  void Event(const TReplayTick& t);
  static void FlushDigits(std::string& out, std::vector<uint8_t>& digits, uint32_t& runs);
  std::string bytes_;
  std::vector<uint8_t> digits_;  // ticks of an unfinished group of four
  uint32_t zeroRun_ = 0;         // unchanged ticks not yet written
  TReplayTick prev_{};
  uint32_t ticks_ = 0;
};

// Reads coded ticks one by one; Next fails on a malformed stream.
class TReplayCursor {
 public:
  explicit TReplayCursor(std::string_view stream) : in_(stream) {}
  bool Next(TReplayTick& t);
  bool AtEnd() const { return pos_ >= in_.size() && queued_ == 0 && run_ == 0; }

 private:
  std::string_view in_;
  size_t pos_ = 0;
  uint8_t group_[4]{};
  int queued_ = 0, groupAt_ = 0;
  uint32_t run_ = 0;
  TReplayTick prev_{};
};

struct TReplayFile {
  TReplayHeader Header;
  uint32_t Ticks = 0;
  std::string Stream;  // the coded ticks, checked whole by ParseReplay
};

// The whole file.
std::string FormatReplay(const TReplayHeader& h, uint32_t ticks, std::string_view stream);
// False with a short reason ("truncated", "another format version ..." ...) in error.
bool ParseReplay(std::string_view bytes, TReplayFile& out, std::string& error);
// The header alone from the start of a file, without the whole-file checks.
bool PeekReplayHeader(std::string_view bytes, TReplayHeader& h);
// The same, with the reason the header cannot be read in error.
bool CheckReplayHeader(std::string_view bytes, TReplayHeader& h, std::string& error);

// Text read from a file, for a message: quoted, every byte outside printable ASCII (and the
// quote and backslash) as \xNN.
std::string QuotedText(std::string_view s);

}  // namespace kq
