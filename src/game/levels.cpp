#include "game/rules.h"

namespace kq {

void CheckLevel(TRulesContext& g, TPlayerInfo& p) {
  if (p.ErasedInLevel < p.LvNeedBlock) return;
  ++p.Level;
  p.ErasedInLevel = 0;  // blocks beyond the need do not carry over
  if (p.Level >= 1 && size_t(p.Level) <= g.LevelTable.size()) {
    const TLevelEntry& row = g.LevelTable[size_t(p.Level - 1)];
    p.LvHardBlockRatio = row.HardBlockRatio;
    p.LvNeedBlock = row.NeedBlock;
    p.LvLineUpInterval = row.LineUpInterval;
  }
  g.Events.Add(reLevel, p.PlayerNo).Value = p.Level;
  if (p.Level > 1) g.Events.Sound("LEVELUP");
}

bool EndingTest(TRulesContext& g, TPlayerInfo& p) {
  const TGameConfig& cfg = g.Config;
  bool normalEnd = g.State.ExStage == 0 && p.Level >= cfg.EndingLv;
  bool exEnd = g.State.ExStage == 1 && p.Level >= cfg.EndingExLv;
  if (!normalEnd && !exEnd) return false;
  if (normalEnd && p.MaxCombo >= cfg.ExLvCombo) {
    g.State.ExStage = 1;
    ShowBoard(g, p, "STR_EXLV", true);
    g.Events.Sound("VOICE98");
    return false;
  }
  p.Phase = gpEnding;
  ShowDanger(g, p, false);
  ShowBoard(g, p, "STR_ENDING", true);
  g.Events.Sound("VOICE99");
  return true;
}

void EndingTick(TRulesContext& g, TPlayerInfo& p) {
  const uint32_t now = g.FrameTime;
  const uint32_t elapsed = now - g.State.EndingTime;
  const int step = g.State.EndingStep;
  if (step == 0) {
    g.Events.Add(reStopMusic, p.PlayerNo);
    g.State.EndingTime = now;
    g.Events.Add(reHiScore, p.PlayerNo);
    g.State.EndingStep = 1;
  } else if (step == 1) {
    if (elapsed > 1000) g.State.EndingStep = 2;
  } else if (step == 2) {
    g.Events.Add(reEndingFade, p.PlayerNo);
    g.State.EndingTime = now;
    g.State.EndingStep = 3;
  } else if (step == 3) {
    if (elapsed > 2500) {
      TRulesEvent& page = g.Events.Add(reEndingPage, p.PlayerNo);
      page.Value = 1;
      page.Flag = true;  // the ending's music starts with it
      g.State.EndingTime = now;
      g.State.EndingStep = 4;
    }
  } else if (step <= g.Config.EndingPageNum + 2) {
    if (elapsed > uint32_t(g.Config.EndingInterval)) {
      g.Events.Add(reEndingPage, p.PlayerNo).Value = step - 2;
      g.State.EndingTime = now;
      g.State.EndingStep = step + 1;
    }
  }
}

}  // namespace kq
