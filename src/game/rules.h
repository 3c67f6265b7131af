#pragma once
// The rule procedures of play. Each takes the game context and, where it acts on one player, that
// player's record; the other player is always reached through Rival.
#include <string_view>

#include "core/context.h"
#include "core/player.h"

namespace kq {

struct GameContext;
class TImageSprite;

// The largest score a player can hold (seven digits, as the score file and the HUD keep it).
constexpr int kMaxScore = 9999999;

// --- game start (setup_game.cpp) ---
// Registers the play screen (play_screen.h): entry (seeds, setup, first lines), the play tick,
// leaving.
void InstallPlayScreen(TScreenManager& screens);
// The whole start of a game as the play screen's entry makes it.
void EnterPlay(GameContext& g);
// Seeds every random stream for the game about to be set up (a replay's: the recorded seed).
void PrepareGameStart(GameContext& g);
// Background and both records with their sprites.
bool SetupGame(GameContext& g);
// COVER, the first lines, the level check, the start music and voice.
void CompleteGameStart(GameContext& g);
// Leaving the play screen: falling lists freed, sprite references dropped.
void LeavePlay(GameContext& g);

// --- the play tick (game_tick.cpp) ---
void GameTick(GameContext& g, int moveCount);
void EraseTick(GameContext& g, TPlayerInfo& p);
void FallTick(GameContext& g, TPlayerInfo& p);
void GameOver(GameContext& g, TPlayerInfo& p);
// Controls of one active player: sight moves, shots, the raise control.
void ReadPlayerControls(GameContext& g, TPlayerInfo& p);
bool UpdateDanger(GameContext& g, TPlayerInfo& p, bool turnOn);
// Puts the sight sprite over the record's aimed cell.
void PlaceSight(GameContext& g, const TPlayerInfo& p);
// The rules' part of the sprite move: the timers of the chain gauge, the rainbow mode and the
// poker hand of both players, before every block and shot moves (they were made first).
void MoveTimers(GameContext& g, int moveCount);

// --- the field's moving things (field_move.cpp) ---
// Blocks (erase count-down, falls, hazards settling) and shots, in the order they were made.
void MoveField(GameContext& g, int moveCount);
// Takes the block out of its cell; it still makes this tick's last step (unless an erase resolves).
void TakeBlock(GameContext& g, TPlayerInfo& p, int col, int row);
// Alpha steps per ms of the trim and restore bars and of the game-over darkening.
constexpr double kFieldFadeRate = 0.6;
// A field-wide bar over the row: a trim fades in and holds, a restore fades out. Sets Trimming.
void StartRowBar(GameContext& g, TPlayerInfo& p, int row, bool trim);
// The darkening over a lost field (3-D mode).
void StartOverFade(GameContext& g, TPlayerInfo& p);
// Shows or hides the black shade over a trimmed row.
void ShowRowShade(GameContext& g, TPlayerInfo& p, int row, bool visible);

// --- line-up (lineup.cpp) ---
void PlayTick(GameContext& g, TPlayerInfo& p);
void RiseLine(GameContext& g, TPlayerInfo& p);
void FillRow(GameContext& g, TPlayerInfo& p, int row);
// The gpRise phase: the new line slides in over 300 ms.
void RiseTick(GameContext& g, TPlayerInfo& p);
// A resting block of the player in the cell (pattern 1 of six), entered into Cells; null outside the grid.
TBlock* CreateBlock(GameContext& g, TPlayerInfo& p, int col, int row, int kind, bool hard);

// --- shots (shots.cpp) ---
// Returns the new shot's serial number.
uint32_t FireShot(GameContext& g, TPlayerInfo& p, int col, int row, int shotType,
                  std::string_view pictureName);
// The shot still in flight with that serial number, or null.
TShot* FindShot(GameContext& g, uint32_t serial);
// One tick of a shot's flight; on passing its cell it acts there and is gone.
void StepShot(GameContext& g, uint32_t serial, int elapsed);

// --- group erase and bookkeeping (erase.cpp) ---
int EraseGroup(GameContext& g, TPlayerInfo& p, int col, int row);
void FloodGroup(GameContext& g, int direction, int col, int row, int& count, bool mark, TPlayerInfo& p,
                int kind);
void AddCombo(TPlayerInfo& p, int n);
void ShowCombo(GameContext& g, TPlayerInfo& p);
void AddScore(GameContext& g, TPlayerInfo& p, int n);
void AddScoreRaw(GameContext& g, TPlayerInfo& p, int points);
// "SE%.2X" of SeIndex, then "VOICE%.2X" of VoiceBase + VoiceIndex.
void PlayEraseSounds(GameContext& g, const TPlayerInfo& p);

// --- boards and character animations (boards.cpp) ---
void ShowBoard(GameContext& g, TPlayerInfo& p, std::string_view imageName, bool vanishing);
enum TCharAnimation { caAttack, caDamage };
void ShowCharAnimation(GameContext& g, TPlayerInfo& p, TCharAnimation kind);

// --- gauges, attacks, trims, rainbow mode (gauges.cpp) ---
// HUD sprites of one player at the anchor (x0, y0).
void CreateHudSprites(GameContext& g, TPlayerInfo& p, int x0, int y0);
void SendHazards(GameContext& g, TPlayerInfo& p, int count);
void DropHazards(GameContext& g, TPlayerInfo& p, int count);
// The chain gauge ran out: release the stock, reset the combo.
void EndCombo(GameContext& g, TPlayerInfo& p);
void TrimTick(GameContext& g, TPlayerInfo& p);
void RestoreTick(GameContext& g, TPlayerInfo& p);
// Start of rainbow mode when the gauge is full (gpPlay tick).
void RainbowStartTest(GameContext& g, TPlayerInfo& p);
void EndRainbowMode(GameContext& g, TPlayerInfo& p);

// --- levels and ending (levels.cpp) ---
void CheckLevel(GameContext& g, TPlayerInfo& p);
// True when the ending started (the gpPlay tick ends).
bool EndingTest(GameContext& g, TPlayerInfo& p);
void EndingTick(GameContext& g, TPlayerInfo& p);

// --- poker hands (poker.cpp) ---
// Deals one card for an erased group of the given kind (one-player game, player 1).
void DealPokerCard(GameContext& g, TPlayerInfo& p, int kind);
void EvaluatePokerHand(GameContext& g, TPlayerInfo& p);
// The poker display's timing: the hand is judged a second after the fifth card and shown for three more.
void PokerTick(GameContext& g, TPlayerInfo& p);

}  // namespace kq
