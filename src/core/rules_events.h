#pragma once
// What the rules tell the screen during a tick: sounds to play, boards and animations to show,
// HUD values that changed. The rules only append here; they never touch a sprite or a speaker.
// The play screen hands the list to its presentation (PresentRulesEvents, sprites/presentation.h)
// at fixed points of the tick, so every sound plays and every sprite appears on the tick the rule
// fired. The list is output of a tick, not part of the rules' state: a snapshot does not hold it
// and the state hash does not read it.
//
// Re-running ticks (rollback): set Resimulating. The rules then run exactly as before and still
// record every event, but the presentation shows none of them; the re-run reads List after each
// tick, passes the sounds (IsSound) to its TSoundLedger (core/sound_ledger.h) and drops the rest.
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

enum TRulesEventKind : uint8_t {
  // Sounds. Name: the sound ("SHOT", "VOICE1C", ...).
  reSound,
  // Field pictures. Player: whose field.
  reShotLanded,     // Col, Row: the shot's cell; X, Y: where it was when it acted
  reGameOverDark,   // the darkened field's game-over title fades in at X, Y
  reDust,           // an erased group bursts into dust from its first block: Col, Y
  reBoard,          // Name: picture of the board rising over the field; Flag: it vanishes
  reCharAnimation,  // Value: caAttack or caDamage (the damage voice is a reSound of its own)
  reGameOverTitle,  // "STR_GAMEOVER" over the field (the flat one-player look)
  // HUD of a player.
  reScore,        // Value: the score; Roll: how fast the counter rolls to it
  reCombo,        // Value: the combo count shown
  reComboEnd,     // the combo display clears
  reHazardCount,  // Value: the stock shown; Flag: it was a counter-attack (the counter pulses)
  reHazardSent,   // the stock left for the rival's field: the counter drops to nothing at once
  reSight,        // Col, Row: the sight's cell
  reSightGone,    // the player's game is over: no sight any more
  reShooter,      // a shot left: the shooter's recoil
  reRowShade,     // Row; Flag: the black shade over a trimmed row shows or hides
  reDanger,       // Flag: the danger glow turns on (from its start) or off
  reRainbow,      // Flag: the rainbow-mode picture shows or hides
  reLevel,        // Value: the level reached (one-player background, music, "LEVELUP")
  // The end of a game.
  reGameResult,  // versus: Player lost, the other won (boards, retry prompt, tally)
  reHiScore,     // one-player: Player's result goes into the score table
  reStopMusic,
  reEndingFade,  // the white fade of the ending
  reEndingPage,  // Value: ending picture page; Flag: its music starts with it
};

enum TCharAnimation : uint8_t { caAttack, caDamage };

struct TRulesEvent {
  TRulesEventKind Kind = reSound;
  uint8_t Player = 0;
  bool Flag = false;
  int Col = 0, Row = 0;
  int64_t Value = 0;
  double X = 0, Y = 0, Roll = 0;
  std::string Name;

  bool IsSound() const { return Kind == reSound; }
};

struct TRulesEvents {
  std::vector<TRulesEvent> List;  // this tick's, in the order the rules made them
  size_t Presented = 0;           // how many of List the presentation has handled
  bool Resimulating = false;      // a re-run of ticks: record, present nothing

  void Clear() {
    List.clear();
    Presented = 0;
  }
  TRulesEvent& Add(TRulesEventKind kind, uint8_t player) {
    TRulesEvent& e = List.emplace_back();
    e.Kind = kind;
    e.Player = player;
    return e;
  }
  void Sound(std::string name) { Add(reSound, 0).Name = std::move(name); }
};

}  // namespace kq
