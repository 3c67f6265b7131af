#pragma once
// What a rule procedure may reach: the rules' state, the settings and level table it plays by,
// and the list it tells the screen through. No sprite, no device, no speaker: the computer
// player and a re-run of ticks drive the same procedures over a copy of the state.
#include <cstdint>

#include "config/game_config.h"
#include "core/game_state.h"
#include "core/rules_events.h"
#include "engine/random.h"

namespace kq {

struct TRulesContext {
  TRulesContext(TGameState& state, const TGameConfig& config, const TLevelTable& levels, const int& gameMode,
                TRulesEvents& events, TRandom& voiceRng)
      : State(state),
        Config(config),
        LevelTable(levels),
        GameMode(gameMode),
        Events(events),
        VoiceRng(voiceRng),
        Rng(state.Rng),
        FrameTime(state.FrameTime),
        Player1P(state.Players[0]),
        Player2P(state.Players[1]) {}
  TRulesContext(const TRulesContext&) = delete;
  TRulesContext& operator=(const TRulesContext&) = delete;

  TGameState& State;
  const TGameConfig& Config;
  const TLevelTable& LevelTable;
  const int& GameMode;  // 1 one player, 2 versus
  TRulesEvents& Events;
  // Picks among voices: a stream of its own, so a voice can never move the rules.
  TRandom& VoiceRng;

  // Names into State.
  TRandom& Rng;
  uint32_t& FrameTime;
  TPlayerInfo& Player1P;
  TPlayerInfo& Player2P;
  TPlayerInfo& Player(int n) { return n == 0 ? Player1P : Player2P; }
};

}  // namespace kq
