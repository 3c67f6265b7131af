#pragma once
// The play screen's side of the rules' events: sounds, boards, animations, HUD values.
#include "core/rules_events.h"

namespace kq {

struct GameContext;
struct TGameState;
struct TPlayerInfo;

// Shows the events of g.Events the presentation has not handled yet, in order. During a re-run
// of ticks (g.Events.Resimulating) it only marks them handled. The play tick calls it after the
// players' phases and after the field's move, so each sound and sprite comes on its rule's tick.
void PresentRulesEvents(GameContext& g);

// Puts the HUD where the state stands: score, combo, hazard counter, sight, rainbow picture,
// danger glow and the shades of trimmed rows (after a re-run of ticks, whose events were not
// shown).
void ShowRulesState(GameContext& g);

// Whether the black shade over a row of the player's field shows in this state: the row is
// trimmed and its trim bar has faded in.
bool RowShaded(const TGameState& s, const TPlayerInfo& p, int row);

// The dust of an erased group in 3-D mode: one of three bursts from the block's cell.
void SpawnDust(GameContext& g, const TPlayerInfo& p, int col, int y);

}  // namespace kq
