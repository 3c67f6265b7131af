#include <algorithm>

#include "core/context.h"
#include "game/field_groups.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/presentation.h"

namespace kq {

namespace {

void RunPhase(TRulesContext& g, TPlayerInfo& p) {
  switch (p.Phase) {
    case gpPlay:
      PlayTick(g, p);
      break;
    case gpRise:
      RiseTick(g, p);
      break;
    case gpErase:
      EraseTick(g, p);
      break;
    case gpFall:
      FallTick(g, p);
      break;
    case gpTrim:
      TrimTick(g, p);
      break;
    case gpRestore:
      RestoreTick(g, p);
      break;
    case gpEnding:
      EndingTick(g, p);
      break;
    default:
      break;  // gpOver has no procedure
  }
}

void MoveSight(TRulesContext& g, TPlayerInfo& p, const bool acts[kDirectionStates]) {
  TSightCell* s = &p.Sight;
  if (!s->Live) return;
  const bool up = acts[kStateUp], down = acts[kStateDown], left = acts[kStateLeft], right = acts[kStateRight];
  // At most one move a frame; a direction blocked at the edge lets the next one act.
  if (down && s->Row - 1 >= 0)
    --s->Row;
  else if (up && s->Row + 1 <= p.Rows - 1)
    ++s->Row;
  else if (left && s->Col - 1 >= 0)
    --s->Col;
  else if (right && s->Col + 1 <= p.Cols - 1)
    ++s->Col;
  else
    return;
  PlaceSight(g, p);
}

void StartGameOverFade(TRulesContext& g, TPlayerInfo& p) {
  if (g.Config.UseDirect3D) {
    StartOverFade(g, p);
  } else if (g.GameMode == 1) {
    g.Events.Add(reGameOverTitle, p.PlayerNo);
    g.Events.Sound("VOICE1C");
  }
}

// Step 1 of the game over, for one player.
void EndPlayer(TRulesContext& g, TPlayerInfo& p) {
  p.Phase = gpOver;
  ShowDanger(g, p, false);
  p.Active = false;
  p.Sight.Live = false;
  g.Events.Add(reSightGone, p.PlayerNo);
  StartGameOverFade(g, p);
}

void SetBlink(TImageSprite* s, bool on) {
  if (!s) return;
  s->PatternSpeed = on ? 0.008 : 0;
  if (!on) s->PatternPos = 0;
}

// Returns true when it left the play screen.
bool GameOverPrompt(GameContext& g) {
  const bool confirm = g.DXInput1.Has(kStateConfirm);
  if (g.GameMode != 2) {
    if (!confirm) return false;
    g.EnterState(scRanking);
    return true;
  }
  auto either = [&](int state) { return g.DXInput1.Has(state) || g.DXInput2.Has(state); };
  if (g.RetryChoice == 0) {
    if (confirm) {
      g.EnterState(scPlay);
      return true;
    }
    if (either(kStateRight)) {
      g.RetryChoice = 1;
      SetBlink(g.RetryYes, false);
      SetBlink(g.RetryNo, true);
      g.PlaySound("CURSOR");
    }
  } else {
    if (confirm) {
      g.EnterState(scTitle);
      return true;
    }
    if (either(kStateLeft)) {
      g.RetryChoice = 0;
      SetBlink(g.RetryYes, true);
      SetBlink(g.RetryNo, false);
      g.PlaySound("CURSOR");
    }
  }
  return false;
}

}  // namespace

void ReadPlayerControls(GameContext& g, TPlayerInfo& p) {
  TDXInput& dev = g.Input(p);
  const TKeyAssign& keys = g.Keys(p);
  const uint32_t now = g.FrameTime;
  bool acts[kDirectionStates];  // by state: up, down, left, right
  for (int d = 0; d < kDirectionStates; ++d) acts[d] = ReadRepeat(dev, d, p.DirRepeat[size_t(d)], now);
  MoveSight(g, p, acts);

  if (p.Sight.Live) {
    const int col = p.Sight.Col, row = p.Sight.Row;
    if (dev.Has(keys.J01)) FireShot(g, p, col, row, stChangeDown, "SHOT1");
    if (dev.Has(keys.J02)) FireShot(g, p, col, row, stErase, "SHOT2");
    if (dev.Has(keys.J03)) FireShot(g, p, col, row, stChangeUp, "SHOT1");
  }
  const bool raise = ReadRepeat(dev, keys.J04, p.RaiseRepeat, now);
  if (raise && p.Phase == gpPlay) p.LineUpTime = now + 100000;
}

void GameTick(GameContext& g, int moveCount) {
  g.Events.Clear();
  TPlayerInfo* players[2] = {&g.Player1P, &g.Player2P};
  for (TPlayerInfo* p : players)
    if (p->Active) RunPhase(g, *p);
  // What the phases showed comes before the prompt reads its choice and before any control acts.
  PresentRulesEvents(g);

  if (!g.NetPlay && g.DXInput1.Has(kStateCancel)) {
    g.EnterState(scTitle);
    return;
  }
  if (g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver) {
    if (!g.NetPlay && GameOverPrompt(g)) return;
  } else if (g.Player1P.Phase == gpEnding && g.DXInput1.Has(kStateConfirm)) {
    g.EnterState(scRanking);
    return;
  }
  if (g.Player1P.Phase != gpEnding)
    for (TPlayerInfo* p : players)
      if (p->Active) ReadPlayerControls(g, *p);

  Canvas* c = g.NoRender ? nullptr : g.ScreenCanvas();
  if (c) {
    g.DXSpriteEngine1.Surface = c;
    c->Clear(0);
    c->Blit(g.BackSurface, 0, 0);
  }
  MoveTimers(g, moveCount);
  MoveField(g, moveCount);
  PresentRulesEvents(g);
  g.DXSpriteEngine1.MoveSprites(moveCount);
  g.DXSpriteEngine1.SweepSprites();
  if (!c) return;
  g.DXSpriteEngine1.DrawSprites();
  g.DrawFrameRate(*c);
  g.DrawPlayOverlay(*c);
  if (g.Platform) g.Platform->Present();
}

void PlaceSight(TRulesContext& g, const TPlayerInfo& p) {
  TRulesEvent& e = g.Events.Add(reSight, p.PlayerNo);
  e.Col = p.Sight.Col;
  e.Row = p.Sight.Row;
}

void StartFalls(TRulesContext& g, TPlayerInfo& p) {
  for (int r = 0; r < p.Rows; ++r)
    for (int c = 0; c < p.Cols; ++c) {
      TBlock& cell = p.Cells[size_t(c)][size_t(r)];
      if (cell && cell.Erased) cell = TBlock{};
    }
  p.FallingList.clear();
  const double speed = 32.0 / std::max(1, g.Config.BlockFallSpeed);
  ForEachFall(
      std::min(p.Cols, kMaxCols), std::min(p.Rows, kFieldRows),
      [&](int c, int r) { return bool(p.Cells[size_t(c)][size_t(r)]); },
      [&](int c, int r, int target) {
        TBlock& b = p.Cells[size_t(c)][size_t(r)];
        b.Falling = true;
        b.TargetRow = target;
        b.Speed = speed;
        b.TargetY = CellY(p, target);
        p.FallingList.push_back({c, r});
      });
}

bool LandFalls(TPlayerInfo& p) {
  bool hazardLanded = false;
  for (TCellRef& e : p.FallingList) {
    TBlock* b = BlockAt(p, e.Col, e.Row);
    if (!b) continue;
    // A delivered block already sits in its final cell, even if it settled on the way down.
    if (b->Dropped) {
      b->Dropped = false;
      b->Falling = false;
      hazardLanded = true;
      continue;
    }
    if (!b->Falling) continue;
    const int target = std::clamp(b->TargetRow, 0, kFieldRows - 1);
    b->Row = target;
    b->Falling = false;
    if (target != e.Row) {
      p.Cells[size_t(e.Col)][size_t(target)] = *b;
      *b = TBlock{};
    }
    e.Row = target;
  }
  return hazardLanded;
}

int EraseLandedGroups(TRulesContext& g, TPlayerInfo& p) {
  int erasures = 0;
  for (const TCellRef& e : p.FallingList) {
    const int n = EraseGroup(g, p, e.Col, e.Row);
    if (n <= 0) continue;
    ++erasures;
    AddCombo(p, n);
    ShowCombo(g, p);
    AddScore(g, p, n);
    CheckLevel(g, p);
  }
  return erasures;
}

void ChainStep(TRulesContext& g, TPlayerInfo& p, int groups) {
  p.Phase = gpErase;
  p.Chain = NextChain(p.Chain, groups);
  p.SeIndex = std::min(p.SeIndex + 1, 10);
  p.VoiceIndex = std::min(p.VoiceIndex + 1, 11);
  if (ChainAttacks(p.Chain) && p.Rival && p.Rival->Active)
    SendHazards(g, p, g.Config.HazardBlockNum[size_t(p.Chain)]);
  PlayEraseSounds(g, p);
}

void EraseTick(TRulesContext& g, TPlayerInfo& p) {
  if (p.ErasingCount != 0) return;
  StartFalls(g, p);
  // The blocks taken off either field this tick go with the erase: they make no last step.
  g.State.Leaving.clear();
  p.Phase = gpFall;
}

void FallTick(TRulesContext& g, TPlayerInfo& p) {
  for (const TCellRef& e : p.FallingList) {
    const TBlock* b = BlockAt(p, e.Col, e.Row);
    if (b && b->Speed != 0) return;
  }
  const bool hazardLanded = LandFalls(p);

  if (p.RainbowMode && !p.BonusGiven) {
    bool empty = true;
    for (int r = 0; r < p.Rows && empty; ++r)
      for (int c = 0; c < p.Cols; ++c)
        if (p.Cells[size_t(c)][size_t(r)]) {
          empty = false;
          break;
        }
    if (empty) {
      p.BonusGiven = true;
      ShowBoard(g, p, "STR_BONUS", true);
      p.Score = std::min(p.Score + 10000, kMaxScore);
      TRulesEvent& shown = g.Events.Add(reScore, p.PlayerNo);
      shown.Value = p.Score;
      shown.Roll = 40;
    }
  }

  const int erasures = EraseLandedGroups(g, p);
  if (erasures > 0) {
    ChainStep(g, p, erasures);
  } else {
    p.Phase = gpPlay;
    p.LineUpTime = g.FrameTime;
    if (p.Chain > 2 && p.Rival && p.Rival->Active) ShowCharAnimation(g, p, caAttack);
    p.Chain = 0;
  }
  if (hazardLanded && p.Rival && p.Rival->Active) ShowCharAnimation(g, p, caDamage);
  UpdateDanger(g, p, false);
}

void GameOver(TRulesContext& g, TPlayerInfo& p) {
  if (p.Phase == gpOver && !p.Active) return;  // already over
  EndPlayer(g, p);
  if (g.GameMode == 2 && p.Rival) {
    TPlayerInfo& rival = *p.Rival;
    ShowBoard(g, rival, "STR_WIN", false);
    ShowBoard(g, p, "STR_LOSE", false);
    if (rival.Phase != gpOver || rival.Active) EndPlayer(g, rival);
    g.Events.Sound("VOICE27");
    g.Events.Add(reGameResult, p.PlayerNo);  // the tally and the retry prompt
  } else {
    g.Events.Add(reHiScore, p.PlayerNo).Flag = true;
  }
}

bool UpdateDanger(TRulesContext& g, TPlayerInfo& p, bool turnOn) {
  bool found = false;
  for (int r = std::max(p.Rows - 3, 0); r < p.Rows && r < kFieldRows && !found; ++r)
    for (int c = 0; c < p.Cols; ++c)
      if (p.Cells[size_t(c)][size_t(r)]) {
        found = true;
        break;
      }
  if (found) {
    if (turnOn) ShowDanger(g, p, true);
    return true;
  }
  if (!turnOn) ShowDanger(g, p, false);
  return false;
}

void ShowDanger(TRulesContext& g, TPlayerInfo& p, bool on) {
  p.DangerShown = on;
  if (on) p.DangerSince = g.FrameTime;
  g.Events.Add(reDanger, p.PlayerNo).Flag = on;
}

}  // namespace kq
