#include "sprites/presentation.h"

#include <cstdio>
#include <exception>
#include <string>

#include "config/hiscore.h"
#include "core/context.h"
#include "engine/canvas.h"
#include "media/image_assets.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"

namespace kq {

namespace {

struct TDustParticle {
  int EndDx, Speed, PeakDx, PeakDy;
};

// Three bursts of four particles, relative to the erased start block.
constexpr TDustParticle kDustPatterns[3][4] = {
    {{-80, -4, -42, -77}, {-47, -2, -28, -81}, {80, 4, 39, -78}, {96, 4, 73, -75}},
    {{-84, -4, -49, -114}, {-84, -4, -85, -53}, {59, 3, 32, -58}, {46, 3, 55, -96}},
    {{-104, -5, -107, -36}, {-71, -3, -46, -79}, {77, 3, 64, -104}, {105, 4, 100, -56}},
};

std::string Formatted(const char* format, int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// An optional picture loaded by name; a missing or broken file leaves the list as it was.
bool LoadOptionalPicture(GameContext& g, std::string_view name, const std::string& winRelative) {
  if (!g.DataFileExists(winRelative)) return false;
  try {
    return LoadImageAsset(g.DXImageList1, name, g.DataPath(winRelative), 0, 0, false, 0);
  } catch (const std::exception&) {
    return false;  // a damaged optional picture must not end the game
  }
}

// The level's own field background, over the left field of the background surface.
void DrawLevelBackground(GameContext& g, const TPlayerInfo& p) {
  if (!LoadOptionalPicture(g, "BG_SINGLE", Formatted("GRP\\BG%.3d.png", p.Level))) return;
  const TPictureItem* bg = g.DXImageList1.Find("BG_SINGLE");
  if (!bg) return;
  Bitmap& pixels = g.BackSurface.EditPixels();
  BitmapCanvas canvas(pixels);
  canvas.FillRect({0, 0, 256, 416}, 0x000000, 255, BlendMode::Opaque);
  bg->StretchDraw(canvas, {0, 0, p.Cols * kCellSize, 416}, 0, 200);
  g.BackSurface.Touch();
}

void ShowEndingPage(GameContext& g, int page) {
  if (!LoadOptionalPicture(g, "ENDING", Formatted("GRP\\ENDING%.2d.PNG", page))) return;
  if (g.EndingPicture) g.EndingPicture->Kill();
  g.EndingPicture = NewPictureSprite(g, "ENDING", 320, 240, 12, 1);
}

void ShowBoardSprite(GameContext& g, const TPlayerInfo& p, std::string_view imageName, bool vanishing) {
  // A board that stays (win, lose) is drawn above everything else.
  auto* b =
      NewPictureSprite<TDisplayBoardSprite>(g, imageName, p.FieldCenterX, p.FieldBottom, vanishing ? 4 : 15);
  b->MoveMode = 1;
  b->Speed = 0.6;
  b->TargetX = p.FieldCenterX;
  b->TargetY = p.FieldTop + 180;
  b->AutoRemove = vanishing;
}

void ShowCharAnimationSprite(GameContext& g, const TPlayerInfo& p, int kind) {
  std::string name = kind == caAttack ? "ATTACK" : "DAMAGE";
  name += p.PlayerNo == 0 ? "1P" : "2P";
  const double x = p.PlayerNo == 0 ? p.FieldRight + 64 : p.FieldLeft - 64;
  const double y = p.PlayerNo == 0 ? p.FieldTop + 180 : p.FieldTop + 410;
  NewPictureSprite<TCharAnimationSprite>(g, name, x, y, 10, 10, false, 0.01, 0);
}

// The end of a versus game: the tally and the retry prompt.
void ShowGameResult(GameContext& g, int winner) {
  g.LastWinner = winner + 1;
  if (!g.Replaying()) ++g.SessionWins[size_t(winner)];
  // A spectator has no answer to give: the players' prompt is not shown to it.
  if (g.NetPlay && g.NetInfo.Watching) return;
  NewPictureSprite(g, "STR_RETRY", 320, 340, 15, -1, false, 0, 0);
  g.RetryYes = NewPictureSprite(g, "STR_YES", 260, 390, 15, 2, true, 0.008, 0);
  g.RetryNo = NewPictureSprite(g, "STR_NO", 380, 390, 15, 2, true, 0, 0);
  g.RetryChoice = 0;
}

void Present(GameContext& g, const TRulesEvent& e) {
  const TPlayerInfo& p = g.State.Players[e.Player & 1];
  TPlayerSprites& view = g.PlayerSprites[e.Player & 1];
  switch (e.Kind) {
    case reSound:
      g.PlaySound(e.Name);
      break;
    case reShotLanded:
      break;  // no picture of its own: the shot's sprite draws the state's shots
    case reGameOverDark: {
      auto* title = new T3DImageSprite(g, &g.DXSpriteEngine1);
      InitTextureSprite(*title, &g.GameOverTex, 0, 0, 0, 0, false, 0, 15, e.X, e.Y);
      title->Color = 0xFFFFFFFFu;
      title->Alpha = 0;
      title->FadeSpeed = 0.3f;
      break;
    }
    case reDust:
      SpawnDust(g, p, e.Col, int(e.Y));
      break;
    case reBoard:
      ShowBoardSprite(g, p, e.Name, e.Flag);
      break;
    case reCharAnimation:
      ShowCharAnimationSprite(g, p, int(e.Value));
      break;
    case reGameOverTitle:
      NewPictureSprite(g, "STR_GAMEOVER", p.FieldCenterX, p.FieldCenterY, 15, -1, false, 0, 0);
      break;
    case reScore:
      if (TScoreSprite* score = view.ScoreSprite) {
        score->RollSpeed = e.Roll;
        score->SetValue(e.Value * 10000);
      }
      break;
    case reCombo:
      if (TComboSprite* combo = view.ComboSprite) combo->SetValue(e.Value * 10000);
      break;
    case reComboEnd:
      if (TComboSprite* combo = view.ComboSprite) combo->Clear();
      break;
    case reHazardCount:
      if (THazardBlockCountSprite* count = view.HazardCountSprite) {
        count->SetValue(e.Value * 10000);
        if (e.Flag) count->Pulse();
      }
      break;
    case reHazardSent:
      if (THazardBlockCountSprite* count = view.HazardCountSprite) count->ResetNumber(0);
      break;
    case reSight:
      if (TSightSprite* s = view.Sight) {
        s->X = CellX(p, e.Col);
        s->Y = CellY(p, e.Row);
      }
      break;
    case reSightGone:
      if (view.Sight) {
        view.Sight->Kill();
        view.Sight = nullptr;  // freed at the next sweep
      }
      break;
    case reShooter:
      if (TImageSprite* shooter = view.Shooter) {
        shooter->PatternPos = 0;
        shooter->PatternSpeed = 0.007;
      }
      break;
    case reRowShade:
      if (e.Row >= 0 && e.Row < kFieldRows && view.RowShades[size_t(e.Row)])
        view.RowShades[size_t(e.Row)]->Visible = e.Flag;
      break;
    case reDanger:
      if (TDangerSprite* danger = view.DangerSprite) {
        if (e.Flag) danger->Start(g.FrameTime);
        danger->Visible = e.Flag;
      }
      break;
    case reRainbow:
      if (TSprite* rainbow = view.RainbowSprite) rainbow->Visible = e.Flag;
      break;
    case reLevel:
      if (g.GameMode == 1) {
        DrawLevelBackground(g, p);
        if (e.Value > 1) g.PlayMusicFile(g.DataPath(Formatted("BGM\\BGM%.3d.mid", int(e.Value))));
      }
      break;
    case reGameResult:
      ShowGameResult(g, 1 - (e.Player & 1));
      break;
    case reHiScore:
      // A replayed game is no new result.
      if (!g.Replaying()) g.NewRankIndex = InsertHiScore(g.HiScoreTable, p.Score, p.MaxCombo, p.Level);
      if (e.Flag) g.RetryChoice = 0;
      break;
    case reStopMusic:
      g.StopMusic();
      break;
    case reEndingFade: {
      // White in, held two seconds, and back out.
      TFadeSprite* fade = NewScreenFade(g, 0xFFFFFF, 0, true, 0.2);
      fade->FadeBack = true;
      fade->HoldTime = 2000;
      break;
    }
    case reEndingPage:
      ShowEndingPage(g, int(e.Value));
      if (e.Flag) g.PlayMusicFile(g.DataPath("BGM\\BGM_ENDING.mid"));
      break;
  }
}

}  // namespace

void SpawnDust(GameContext& g, const TPlayerInfo& p, int col, int y) {
  const int pattern = g.FxRng.Random(3);
  const double bx = CellX(p, col);
  const int x = int(bx);
  for (const TDustParticle& d : kDustPatterns[pattern]) {
    auto* s = new TDustSprite(g, &g.DXSpriteEngine1);
    InitTextureSprite(*s, &g.DustTex, 32, 32, 0, 0.05, false, 999, 9, -200, -200);
    s->Setup(bx, y, x + d.PeakDx, y + d.PeakDy, x + d.EndDx, d.Speed);
  }
}

void ShowRulesState(GameContext& g) {
  for (size_t n = 0; n < 2; ++n) {
    const TPlayerInfo& p = g.State.Players[n];
    TPlayerSprites& view = g.PlayerSprites[n];
    if (!p.InGame) continue;
    if (view.ScoreSprite && view.ScoreSprite->Value != int64_t(p.Score) * 10000)
      view.ScoreSprite->SetValue(int64_t(p.Score) * 10000);
    if (TComboSprite* combo = view.ComboSprite) {
      if (p.Combo == 0)
        combo->Clear();
      else if (combo->Value != int64_t(p.Combo) * 10000)
        combo->SetValue(int64_t(p.Combo) * 10000);
    }
    if (THazardBlockCountSprite* count = view.HazardCountSprite)
      if (count->Value != int64_t(p.HazardStock) * 10000) count->SetValue(int64_t(p.HazardStock) * 10000);
    if (view.Sight) {
      if (p.Sight.Live) {
        view.Sight->X = CellX(p, p.Sight.Col);
        view.Sight->Y = CellY(p, p.Sight.Row);
      } else {
        view.Sight->Kill();
        view.Sight = nullptr;
      }
    }
    if (view.RainbowSprite) view.RainbowSprite->Visible = p.RainbowMode;
    if (TDangerSprite* danger = view.DangerSprite) {
      // A glow that started on another tick than the state's starts over as if from that tick;
      // one hidden by a guess and shown again never stopped moving.
      if (p.DangerShown && danger->Since != p.DangerSince) danger->StartedAt(p.DangerSince);
      danger->Visible = p.DangerShown;
    }
    for (int r = 0; r < kFieldRows; ++r)
      if (T3DImageSprite* shade = view.RowShades[size_t(r)]) shade->Visible = RowShaded(g.State, p, r);
  }
}

bool RowShaded(const TGameState& s, const TPlayerInfo& p, int row) {
  if (row < p.Rows || row >= kFieldRows) return false;
  // A trimmed row is shaded once its bar has faded in; while the bar fades in, nothing else
  // trims or restores that field.
  for (const TRowBar& bar : s.Bars)
    if (bar.Owner == p.PlayerNo && bar.Row == row && bar.Fade.FadeBack && bar.Fade.Stage == 0) return false;
  return true;
}

void PresentRulesEvents(GameContext& g) {
  TRulesEvents& ev = g.Events;
  if (ev.Resimulating) {
    ev.Presented = ev.List.size();
    return;
  }
  // Presenting never adds an event, so the list stands still under the loop.
  while (ev.Presented < ev.List.size()) Present(g, ev.List[ev.Presented++]);
}

}  // namespace kq
