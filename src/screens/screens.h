#pragma once
// Front-end screens: each has its entry (called by EnterState) and its per-tick handler.
#include "core/context.h"

namespace kq {

// The handlers of every screen state but play.
void InstallFrontEndScreens(TScreenTable& screens);

// The title items' Left/Right choices (who plays each side of VS GAME, ...).
void InstallTitleMenu(GameContext& g);
// The keys line shown under the menu while `item` is highlighted.
std::string TitleHint(const GameContext& g, int item);
void EnterTitle(GameContext& g);
void TitleTick(GameContext& g, int moveCount);
void EnterOpening(GameContext& g);
void OpeningTick(GameContext& g, int moveCount);
void EnterRules(GameContext& g);
void RulesTick(GameContext& g, int moveCount);
void EnterReplays(GameContext& g);
void ReplaysTick(GameContext& g, int moveCount);
void EnterRanking(GameContext& g);
void RankingTick(GameContext& g, int moveCount);

// Option screens (settings, key assignment, pad assignment).
void BuildOptionItems(GameContext& g);
void EnterOptions(GameContext& g);
void OptionsTick(GameContext& g, int moveCount);
void EnterKeyAssign(GameContext& g);
void KeyAssignTick(GameContext& g, int moveCount);
void EnterPadAssign(GameContext& g);
void PadAssignTick(GameContext& g, int moveCount);

}  // namespace kq
