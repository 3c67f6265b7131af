#pragma once
// Every setting of the game, as read from the INI file beside the executable. Defaults here are
// the defaults of the file; the ranges live with the reader.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/i18n.h"

namespace kq {

constexpr int kCpuLevels = 5;   // strengths of the computer player, 1 weakest
constexpr int kMaxVolume = 10;  // volumes run 0..10

// Key codes are Windows virtual-key codes so existing INI files stay valid.
struct TKeyAssign {
  int UP = 0, DOWN = 0, LEFT = 0, RIGHT = 0;
  int K01 = 0, K02 = 0, K03 = 0, K04 = 0;
  uint8_t J01 = 4, J02 = 5, J03 = 6, J04 = 7;  // input-state numbers the actions raise

  bool operator==(const TKeyAssign&) const = default;
};

struct TGameConfig {
  // [System]
  bool UseDirect3D = true;       // textured drawing with alpha effects
  bool WaitVsync = true;         // flips wait for the vertical blank
  bool DisableBgm = false;       // no background music
  bool DisableVoice = false;     // voices neither loaded nor played
  bool FullScreen = false;       // start in full screen (--fullscreen / --window win for a run)
  int MusicVolume = kMaxVolume;  // 0 silent .. kMaxVolume full
  int SoundVolume = kMaxVolume;  // sound effects
  int VoiceVolume = kMaxVolume;
  TLanguage Language = TLanguage::Auto;  // the texts' language; Auto follows the locale
  bool DisableGameOver = false;    // overflowing blocks are removed instead of losing; never written back
  int LineUpInterval = 5000;       // ms, only for the one-level fallback table
  int BlockFallSpeed = 200;        // ms a falling block needs for one row
  int ChainGaugePeriod = 6000;     // ms for a full chain gauge to drain
  int LineTrimingPeriod = 100000;  // ms a trimmed row stays trimmed
  int HazardBlockPeriod = 12000;   // ms before a delivered hazard block turns (plus 0-1999)
  int BlockStartLine = 5;          // rows filled at game start
  int TotalBlockType = 6;          // colours in play
  int EraseLowerLimit = 4;         // smallest group that erases
  int EraseLowerLimitRainbow = 2;  // the same in rainbow mode
  int ShotSpeed = 777;             // ms a shot flies
  int HardBlockRatio = 7;          // percent, only for the one-level fallback table
  std::array<int, 8> HazardBlockNum{0, 0, 0, 10, 10, 10, 10, 10};  // indexed by chain 3..7
  int HazardBlockChainAdd = 2;      // hazards per erasing shot after the first of a combo
  double PowerIncPerBlock = 1.0;    // power gauge points per erased block (versus)
  double RainbowIncPerBlock = 0.5;  // rainbow gauge points per erased block (one player)
  int BlockCapacity = 3;            // colour changes a block takes in advanced mode
  int RainbowModePeriod = 17000;    // ms rainbow mode lasts
  int EndingLv = 100;               // level that ends the normal game
  int EndingExLv = 200;             // level that ends the EX levels
  int ExLvCombo = 333;              // best combo needed at EndingLv for the EX levels
  int EndingPageNum = 5;            // ending pictures GRP\ENDING01.PNG ...
  int EndingInterval = 45000;       // ms each ending picture from the second on stays

  // [Status1P] / [Status2P]
  bool AdvancedMode1P = false;  // colour changes wear blocks out
  bool AdvancedMode2P = false;
  std::string JoyName1P;  // product name of the player's pad; empty = none
  std::string JoyName2P;
  int Cpu1P = 0;  // 0 a person plays, 1..5 the computer plays VS GAME at that strength
  int Cpu2P = 0;

  // [Network]
  std::string NetServer;                  // Server: the match server's host[:port]; empty = none
  std::vector<std::string> RecentRivals;  // Rival1..: codes or addresses joined last, newest first
  // InputDelay: ticks (0..3) a network player's own presses wait before they act. 0 plays them at
  // once and lets the game correct its guesses of the rival; more means fewer corrections.
  int NetInputDelay = 0;

  // [KeyAssign1P] / [KeyAssign2P]
  TKeyAssign KeyAssign1P{38, 40, 37, 39, 90, 88, 67, 65, 4, 5, 6, 7};
  TKeyAssign KeyAssign2P{104, 98, 100, 102, 74, 75, 76, 85, 4, 5, 6, 7};

  bool operator==(const TGameConfig&) const = default;
};

struct TLevelEntry {
  int32_t HardBlockRatio = 0;
  int32_t NeedBlock = 0;
  int32_t LineUpInterval = 0;
};
using TLevelTable = std::vector<TLevelEntry>;  // element 0 is level 1

struct THiScoreRow {
  int32_t Score = 0;
  int16_t Combo = 0;
  int16_t Level = 0;

  bool operator==(const THiScoreRow&) const = default;
};
using THiScoreTable = std::array<THiScoreRow, 8>;

}  // namespace kq
