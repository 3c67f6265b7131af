#include "core/context.h"
#include "screens/screens.h"

namespace kq {

void InstallFrontEndScreens(TScreenTable& screens) {
  screens[scTitle] = {EnterTitle, TitleTick, [](GameContext& g, TScreenState next) {
                        if (next == scOptions) g.OptionCursor = 1;
                        g.TitleNotice.clear();
                      }};
  screens[scOpening] = {EnterOpening, OpeningTick, nullptr};
  screens[scRules] = {EnterRules, RulesTick, [](GameContext& g, TScreenState) { g.StopMusic(); }};
  screens[scRanking] = {EnterRanking, RankingTick, [](GameContext& g, TScreenState) { g.NewRankIndex = -1; }};
  screens[scOptions] = {EnterOptions, OptionsTick, nullptr};
  screens[scReplays] = {EnterReplays, ReplaysTick, [](GameContext& g, TScreenState next) {
                          // The list is kept for the way back from a playback only.
                          if (next != scPlay) g.Replays = {};
                        }};
  screens[scKeyAssign] = {EnterKeyAssign, KeyAssignTick, nullptr};
  screens[scPadAssign] = {EnterPadAssign, PadAssignTick, nullptr};
}

}  // namespace kq
