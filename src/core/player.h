#pragma once
// The game state of one player as a value, and apart from it the sprites that show it. Both
// records live in the game state (core/game_state.h) and are zero-filled and rebuilt at every game
// start; the sprites belong to the sprite engine.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

class TSprite;
class TImageSprite;
class T3DImageSprite;
class TBlockSprite;
class TSightSprite;
class TChainGaugeSprite;
class TGaugeSprite;
class TRainbowGaugeSprite;
class TComboSprite;
class TScoreSprite;
class THazardBlockCountSprite;
class TLevelSprite;
class TPokerSprite;
class TDangerSprite;

enum TGamePhase : uint8_t {
  gpPlay = 0,
  gpRise = 1,
  gpErase = 2,
  gpFall = 3,
  gpTrim = 4,
  gpRestore = 5,
  gpOver = 6,
  gpEnding = 7,
};

constexpr int kMaxCols = 8;
constexpr int kFieldRows = 13;
constexpr int kCellSize = 32;

struct TRepeatSlot {
  uint32_t LastTime = 0;  // 0 = not held
  bool FirstDelay = false;
};

struct TCellRef {
  int Col = 0;
  int Row = 0;
};

// The aimed cell. The sight sprite draws it; the rules move it.
struct TSightCell {
  int Col = 0, Row = 0;
  bool FollowRise = false;  // it rose with the blocks (drawn with the rise offset)
  bool Live = false;        // shown and aimed: from the game start to the player's game over
};

struct TPlayerInfo {
  uint8_t PlayerNo = 0;
  bool Active = false;
  bool AdvancedMode = false;
  // Takes part in this game (stays set after the game over, unlike Active): its chain gauge drains.
  bool InGame = false;
  bool DealsPoker = false;       // poker hands are dealt to this player (one-player game, player 1)
  TPlayerInfo* Rival = nullptr;  // the other record of the same game state
  TSightCell Sight;
  std::array<std::array<TBlockSprite*, kFieldRows>, kMaxCols> Cells{};  // [col][row], row 0 at the bottom
  std::array<std::array<uint8_t, kFieldRows>, kMaxCols> Visited{};
  std::vector<TCellRef> FallingList;  // cells whose blocks fall or have just landed
  int ShotsInFlight = 0;
  int ErasingCount = 0;
  int Level = 0;
  int LvHardBlockRatio = 0;
  int LvLineUpInterval = 0;
  int HazardStock = 0;
  bool HazardRelease = false;
  int LvNeedBlock = 0;
  int ErasedInLevel = 0;
  std::string PokerCards;
  std::string PokerSorted;
  uint8_t PokerHand = 0;
  uint8_t PokerState = 0;  // 0 idle, 1 hand complete, 2 showing the hand
  uint32_t HandTime = 0;   // when the fifth card was dealt
  bool RainbowMode = false;
  uint32_t RainbowStart = 0;
  bool BonusGiven = false;
  int Rows = 0;
  int Cols = 0;
  int FieldLeft = 0, FieldTop = 0, FieldRight = 0, FieldBottom = 0;
  int FieldWidthPx = 0, FieldHeightPx = 0;
  int FieldCenterX = 0, FieldCenterY = 0;
  TGamePhase Phase = gpPlay;
  uint32_t LineUpTime = 0;
  int RiseOffset = 0;
  int PendingLines = 0;
  bool Trimming = false;
  int TrimLeft = 0;
  int RestoreLeft = 0;
  int RestoreBatch = 0;  // rows brought back in the running gpRestore (at most one attack's three)
  int Combo = 0;
  int MaxCombo = 0;
  int Chain = 0;
  int ShotChain = 0;
  int SeIndex = 0;
  int VoiceIndex = 0;
  int VoiceBase = 0;
  int Score = 0;
  double ChainGauge = 0, PowerGauge = 0, RainbowGauge = 0;
  std::array<TRepeatSlot, 4> DirRepeat{};  // up, down, left, right
  TRepeatSlot RaiseRepeat{};
};

// The sprites that show one player's record; the rules never read them.
struct TPlayerSprites {
  TSightSprite* Sight = nullptr;
  TImageSprite* Shooter = nullptr;
  TChainGaugeSprite* ChainGaugeSprite = nullptr;
  TGaugeSprite* PowerGaugeSprite = nullptr;
  TRainbowGaugeSprite* RainbowGaugeSprite = nullptr;
  TComboSprite* ComboSprite = nullptr;
  TScoreSprite* ScoreSprite = nullptr;
  std::array<T3DImageSprite*, kFieldRows> RowShades{};
  TImageSprite* HazardIcon = nullptr;
  THazardBlockCountSprite* HazardCountSprite = nullptr;
  TLevelSprite* LevelSprite = nullptr;
  TPokerSprite* PokerSprite = nullptr;
  TDangerSprite* DangerSprite = nullptr;
  TSprite* RainbowSprite = nullptr;
};

// Screen centre of a cell.
inline int CellX(const TPlayerInfo& p, int col) {
  return p.FieldLeft + col * 32 + 16;
}
inline int CellY(const TPlayerInfo& p, int row) {
  return p.FieldTop - row * 32 + 400;
}

}  // namespace kq
