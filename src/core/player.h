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

// One block of a field, held in its cell. A block moves only downward (a fall or a delivered
// hazard dropping in); the field sprite draws it from here.
struct TBlock {
  uint32_t Serial = 0;  // order of making among the field's moving things; 0 = the cell is empty
  int Kind = 0;         // 0..5 colours, 6 unsettled hazard
  int ChangeCount = 0;
  bool Hard = false;
  bool Hazard = false;
  uint32_t HazardTime = 0;  // when an unsettled hazard turns into a colour
  bool Dropped = false;     // a delivered hazard that has not landed yet
  int Col = 0, Row = 0, TargetRow = 0;
  bool Erased = false, Counted = false, Falling = false;
  // The erase animation: position 1 at rest, runs at PatternSpeed to 5 (then drawn no more).
  double PatternPos = 1, PatternSpeed = 0;
  double Y = 0;  // screen centre; moves down at Speed px per ms until TargetY
  int TargetY = 0;
  double Speed = 0;
  explicit operator bool() const { return Serial != 0; }
};

enum TShotType : uint8_t { stErase = 0, stChangeUp = 1, stChangeDown = 2 };

// A shot in flight toward a cell of its owner's field.
struct TShot {
  uint32_t Serial = 0;
  uint8_t Owner = 0;      // player number
  uint8_t ShotType = 0;   // stErase, stChangeUp, stChangeDown
  uint8_t Direction = 0;  // 1 straight up, 3 up-left, 4 up-right
  double X = 0, Y = 0;
  double Speed = 0;  // px per ms
  int TargetX = 0, TargetY = 0;
  int TargetCol = 0, TargetRow = 0;
  double Slope = 0, Intercept = 0;
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
  std::array<std::array<TBlock, kFieldRows>, kMaxCols> Cells{};  // [col][row], row 0 at the bottom
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
  // Where shots start: the shooter's muzzle, fixed at the game start (the field's centre at y 450
  // until then).
  bool ShooterPlaced = false;
  double ShotFromX = 0, ShotFromY = 0;
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
  // The danger glow as the rules last turned it: on, and the clock of the tick it (re)started.
  // No rule reads it; it is kept here so that the screen can be put right from the state after
  // ticks were re-run, and a snapshot takes it back with everything else.
  bool DangerShown = false;
  uint32_t DangerSince = 0;
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

// The block in a cell, or null for an empty cell or one outside the grid.
inline TBlock* BlockAt(TPlayerInfo& p, int col, int row) {
  if (col < 0 || col >= kMaxCols || row < 0 || row >= kFieldRows) return nullptr;
  TBlock& b = p.Cells[size_t(col)][size_t(row)];
  return b.Serial ? &b : nullptr;
}
inline const TBlock* BlockAt(const TPlayerInfo& p, int col, int row) {
  if (col < 0 || col >= kMaxCols || row < 0 || row >= kFieldRows) return nullptr;
  const TBlock& b = p.Cells[size_t(col)][size_t(row)];
  return b.Serial ? &b : nullptr;
}

// Screen centre of a cell.
inline int CellX(const TPlayerInfo& p, int col) {
  return p.FieldLeft + col * 32 + 16;
}
inline int CellY(const TPlayerInfo& p, int row) {
  return p.FieldTop - row * 32 + 400;
}

}  // namespace kq
