#include "core/game_state.h"

namespace kq {

void LinkRivals(TGameState& s) {
  for (size_t n = 0; n < 2; ++n)
    if (s.Players[n].Rival) s.Players[n].Rival = &s.Players[1 - n];
}

TGameState& TGameState::operator=(const TGameState& other) {
  if (this == &other) return *this;
  Players = other.Players;
  Shots = other.Shots;
  Bars = other.Bars;
  OverFades = other.OverFades;
  Leaving = other.Leaving;
  NextSerial = other.NextSerial;
  Rng = other.Rng;
  FrameTime = other.FrameTime;
  ExStage = other.ExStage;
  EndingStep = other.EndingStep;
  EndingTime = other.EndingTime;
  LinkRivals(*this);
  return *this;
}

}  // namespace kq
