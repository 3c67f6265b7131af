#pragma once
// The rule procedures of play. Each takes the rules' context (core/rules_context.h: the state,
// settings, level table and the event list; a GameContext converts to it) and, where it acts on one
// player, that player's record; the other player is always reached through Rival. They touch no
// sprite and no speaker: what the screen shows of them goes out as events (core/rules_events.h).
#include <string_view>

#include "core/context.h"
#include "core/player.h"
#include "core/rules_context.h"

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
void EraseTick(TRulesContext& g, TPlayerInfo& p);
void FallTick(TRulesContext& g, TPlayerInfo& p);
// The steps of both, which the computer player also runs on its copies of a record:
// the erased blocks go and every block above a gap starts to fall (targets and FallingList set);
void StartFalls(TRulesContext& g, TPlayerInfo& p);
// the falling blocks enter their target cells (true when a delivered hazard landed);
bool LandFalls(TPlayerInfo& p);
// each landed block is tested for a group to erase, with its combo, score and level (returns the
// number of groups erased);
int EraseLandedGroups(TRulesContext& g, TPlayerInfo& p);
// a fall step that erased groups: the chain grows, attacks the rival and sounds.
void ChainStep(TRulesContext& g, TPlayerInfo& p, int groups);
void GameOver(TRulesContext& g, TPlayerInfo& p);
// Controls of one active player: sight moves, shots, the raise control.
void ReadPlayerControls(GameContext& g, TPlayerInfo& p);
bool UpdateDanger(TRulesContext& g, TPlayerInfo& p, bool turnOn);
// Turns the danger glow on (from its start) or off: the record keeps it, the screen shows it.
void ShowDanger(TRulesContext& g, TPlayerInfo& p, bool on);
// Puts the sight sprite over the record's aimed cell.
void PlaceSight(TRulesContext& g, const TPlayerInfo& p);
// The rules' part of the sprite move: the timers of the chain gauge, the rainbow mode and the
// poker hand of both players, before every block and shot moves (they were made first).
void MoveTimers(TRulesContext& g, int moveCount);

// --- the field's moving things (field_move.cpp) ---
// Blocks (erase count-down, falls, hazards settling) and shots, in the order they were made.
void MoveField(TRulesContext& g, int moveCount);
// Takes the block out of its cell; it still makes this tick's last step (unless an erase resolves).
void TakeBlock(TRulesContext& g, TPlayerInfo& p, int col, int row);
// Alpha steps per ms of the trim and restore bars and of the game-over darkening.
constexpr double kFieldFadeRate = 0.6;
// A field-wide bar over the row: a trim fades in and holds, a restore fades out. Sets Trimming.
void StartRowBar(TRulesContext& g, TPlayerInfo& p, int row, bool trim);
// The darkening over a lost field (3-D mode).
void StartOverFade(TRulesContext& g, TPlayerInfo& p);
// Shows or hides the black shade over a trimmed row.
void ShowRowShade(TRulesContext& g, TPlayerInfo& p, int row, bool visible);

// --- line-up (lineup.cpp) ---
void PlayTick(TRulesContext& g, TPlayerInfo& p);
void RiseLine(TRulesContext& g, TPlayerInfo& p);
void FillRow(TRulesContext& g, TPlayerInfo& p, int row);
// The gpRise phase: the new line slides in over 300 ms.
void RiseTick(TRulesContext& g, TPlayerInfo& p);
// A resting block of the player in the cell (pattern 1 of six), entered into Cells; null outside the grid.
TBlock* CreateBlock(TRulesContext& g, TPlayerInfo& p, int col, int row, int kind, bool hard);

// --- shots (shots.cpp) ---
// Returns the new shot's serial number.
uint32_t FireShot(TRulesContext& g, TPlayerInfo& p, int col, int row, int shotType,
                  std::string_view pictureName);
// The shot still in flight with that serial number, or null.
TShot* FindShot(TRulesContext& g, uint32_t serial);
// One tick of a shot's flight; on passing its cell it acts there and is gone.
void StepShot(TRulesContext& g, uint32_t serial, int elapsed);

// --- group erase and bookkeeping (erase.cpp) ---
// Marks the group joined to the cell for erasing when it is large enough; returns its size (0 when
// it does not erase).
int EraseGroup(TRulesContext& g, TPlayerInfo& p, int col, int row);
void AddCombo(TPlayerInfo& p, int n);
void ShowCombo(TRulesContext& g, TPlayerInfo& p);
void AddScore(TRulesContext& g, TPlayerInfo& p, int n);
void AddScoreRaw(TRulesContext& g, TPlayerInfo& p, int points);
// "SE%.2X" of SeIndex, then "VOICE%.2X" of VoiceBase + VoiceIndex.
void PlayEraseSounds(TRulesContext& g, const TPlayerInfo& p);

// --- boards and character animations (boards.cpp) ---
void ShowBoard(TRulesContext& g, TPlayerInfo& p, std::string_view imageName, bool vanishing);
void ShowCharAnimation(TRulesContext& g, TPlayerInfo& p, TCharAnimation kind);

// --- gauges, attacks, trims, rainbow mode (gauges.cpp) ---
void SendHazards(TRulesContext& g, TPlayerInfo& p, int count);
void DropHazards(TRulesContext& g, TPlayerInfo& p, int count);
// The chain gauge ran out: release the stock, reset the combo.
void EndCombo(TRulesContext& g, TPlayerInfo& p);
void TrimTick(TRulesContext& g, TPlayerInfo& p);
void RestoreTick(TRulesContext& g, TPlayerInfo& p);
// Start of rainbow mode when the gauge is full (gpPlay tick).
void RainbowStartTest(TRulesContext& g, TPlayerInfo& p);
void EndRainbowMode(TRulesContext& g, TPlayerInfo& p);

// --- levels and ending (levels.cpp) ---
void CheckLevel(TRulesContext& g, TPlayerInfo& p);
// True when the ending started (the gpPlay tick ends).
bool EndingTest(TRulesContext& g, TPlayerInfo& p);
void EndingTick(TRulesContext& g, TPlayerInfo& p);

// --- poker hands (poker.cpp) ---
// Deals one card for an erased group of the given kind (one-player game, player 1).
void DealPokerCard(TRulesContext& g, TPlayerInfo& p, int kind);
void EvaluatePokerHand(TRulesContext& g, TPlayerInfo& p);
// The poker display's timing: the hand is judged a second after the fifth card and shown for three more.
void PokerTick(TRulesContext& g, TPlayerInfo& p);

}  // namespace kq
