#include <algorithm>

#include "core/context.h"
#include "game/cpu_player.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"
#include "sprites/presentation.h"

namespace kq {

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kRed = 0x00FF0000u;

void PaintBackground(GameContext& g, int cols) {
  Bitmap& px = g.BackSurface.EditPixels();
  if (px.Empty()) px = Bitmap(640, 480);
  BitmapCanvas c(px);
  c.Clear(0);
  const int w = cols * kCellSize;
  if (const TPictureItem* back = g.DXImageList1.Find("BACK1")) back->StretchDraw(c, {0, 0, w, 416}, 0, 200);
  if (g.GameMode == 2)
    if (const TPictureItem* back = g.DXImageList1.Find("BACK2"))
      back->StretchDraw(c, {640 - w, 0, w, 416}, 0, 200);
  g.BackSurface.Touch();
}

void SetGeometry(TPlayerInfo& p, int cols) {
  p.Cols = cols;
  p.Rows = kFieldRows;
  p.FieldWidthPx = p.Cols * kCellSize;
  p.FieldHeightPx = p.Rows * kCellSize;
  p.FieldLeft = p.PlayerNo == 0 ? 0 : 640 - p.FieldWidthPx;
  p.FieldTop = 0;
  p.FieldRight = p.FieldLeft + p.FieldWidthPx;
  p.FieldBottom = p.FieldTop + p.FieldHeightPx;
  p.FieldCenterX = p.FieldLeft + p.FieldWidthPx / 2;
  p.FieldCenterY = p.FieldTop + p.FieldHeightPx / 2;
}

constexpr double kHazardCountRoll = 0.05;  // blocks per ms shown by the hazard counter

// HUD sprites of one player at the anchor (x0, y0).
void CreateHudSprites(GameContext& g, TPlayerInfo& p, int x0, int y0) {
  const bool versus = g.GameMode == 2;
  TPlayerSprites& v = g.View(p);

  v.ScoreSprite = NewPictureSprite<TScoreSprite>(g, "FONT_SCORE", x0, y0, 8);
  v.ScoreSprite->Owner = &p;
  v.ScoreSprite->ResetNumber(150);

  v.ChainGaugeSprite = NewPictureSprite<TChainGaugeSprite>(g, "CHAINGAUGE", x0 + 46, y0 + 30, 8);
  v.ChainGaugeSprite->Owner = &p;
  v.ChainGaugeSprite->GaugeValue = &p.ChainGauge;

  if (versus) {
    v.PowerGaugeSprite = NewPictureSprite<TGaugeSprite>(g, "POWERGAUGE", x0 + 46, y0 + 50, 8);
    v.PowerGaugeSprite->Owner = &p;
    v.PowerGaugeSprite->GaugeValue = &p.PowerGauge;
  } else {
    v.RainbowGaugeSprite = NewPictureSprite<TRainbowGaugeSprite>(g, "RAINBOWGAUGE", x0 + 46, y0 + 50, 8);
    v.RainbowGaugeSprite->Owner = &p;
    v.RainbowGaugeSprite->GaugeValue = &p.RainbowGauge;
  }

  TComboSprite* combo = NewPictureSprite<TComboSprite>(g, "DUMMY", 320, 240, 0);
  combo->ResetNumber(0.01);
  const TPictureItem* digits = g.DXImageList1.Find("NUM_COMBO");
  const int w = digits ? digits->PatW() : 0;
  for (int k = 0; k < 4; ++k) {
    auto* d = NewPictureSprite<TComboNumSprite>(g, "NUM_COMBO", x0 + 17 + k * w, y0 + 87, 10);
    d->BaseY = int64_t(y0 + 87) * 10000;
    d->Visible = false;
    combo->Digits[k] = d;
  }
  combo->Label = NewPictureSprite<TComboNumSprite>(g, "STR_COMBO", x0 + 2 * w + 32, y0 + 121, 10);
  combo->Label->BaseY = int64_t(y0 + 121) * 10000;
  combo->Label->Visible = false;
  v.ComboSprite = combo;

  if (versus) {
    int iconX = p.PlayerNo == 0 ? p.FieldRight - 58 : p.FieldLeft + 14;
    v.HazardCountSprite = NewPictureSprite<THazardBlockCountSprite>(g, "FONT_SCORE", iconX + 42, 450, 11);
    v.HazardCountSprite->ResetNumber(kHazardCountRoll);
  }

  int levelX = p.PlayerNo == 0 ? p.FieldLeft + 10 : p.FieldRight - 82;
  v.LevelSprite = NewPictureSprite<TLevelSprite>(g, "FONT_SCORE", levelX, p.FieldBottom + 5, 8);
  v.LevelSprite->Owner = &p;

  if (p.DealsPoker) {
    v.PokerSprite =
        NewPictureSprite<TPokerSprite>(g, "DUMMY", p.FieldRight + 140, p.FieldTop + 140, 8, 2, true, 0.002);
    v.PokerSprite->Owner = &p;
  }
}

// The playfield sprites of one player; the HUD rows come from CreateHudSprites.
void CreatePlayerSprites(GameContext& g, TPlayerInfo& p, int x0, int y0) {
  const bool versus = g.GameMode == 2;
  const bool d3d = g.Config.UseDirect3D;
  TSprite* engine = &g.DXSpriteEngine1;
  TPlayerSprites& v = g.View(p);

  NewPictureSprite(g, p.PlayerNo == 0 ? "STR_1P" : "STR_2P", x0 + 32, y0 - 12, 8, -1, false, 0, 0);

  if (!versus) {
    if (d3d) {
      auto* r = new TBlinkSprite(g, engine);
      const TImage& tex = g.RainbowTex;
      InitTextureSprite(*r, &tex, tex.Width() * 2, tex.Height() * 2, 0, 0, false, 0, 11, p.FieldCenterX,
                        p.FieldTop + 128);
      r->Alpha = 60;
      r->AlphaMax = 60;
      r->AlphaMin = 20;
      r->FadeSpeed = 0.05f;
      r->Visible = false;
      v.RainbowSprite = r;
    } else {
      TImageSprite* r = NewPictureSprite(g, "RAINBOW", p.FieldCenterX, p.FieldTop + 128, 11, -1, false, 0, 0);
      r->Visible = false;
      v.RainbowSprite = r;
    }
  }

  auto* field = new TFieldSprite(g, engine, p);
  field->SetZ(2);

  auto* sight = NewPictureSprite<TSightSprite>(g, "SIGHT", CellX(p, 3), CellY(p, 6), 6, -1, true, 0.003, 0);
  sight->Owner = &p;
  p.Sight = {3, 6, false, true};
  v.Sight = sight;

  // Shows its second frame until it fires.
  v.Shooter = NewPictureSprite(g, "SHOOTER", p.FieldCenterX, 450, 8, -1, false, 0, 1);
  p.ShooterPlaced = true;
  p.ShotFromX = v.Shooter->X;
  const int halfHeight = v.Shooter->Height / 2;  // whole pixels
  p.ShotFromY = v.Shooter->Y - halfHeight;

  for (int r = 0; r < kFieldRows; ++r) {
    auto* shade = new T3DImageSprite(g, engine);
    InitTextureSprite(*shade, nullptr, p.FieldWidthPx, kCellSize, 0, 0, false, 0, 13, p.FieldCenterX,
                      CellY(p, r));
    shade->Color = kOpaqueBlack;
    shade->Visible = false;
    v.RowShades[size_t(r)] = shade;
  }

  if (versus) {
    const double x = p.PlayerNo == 0 ? p.FieldRight - 58 : p.FieldLeft + 14;
    if (d3d) {
      auto* icon = new T3DImageSprite(g, engine);
      InitTextureSprite(*icon, &g.BlockTexC[6][1], kCellSize, kCellSize, 1, 0, false, 0, 10, x, 450);
      v.HazardIcon = icon;
    } else {
      v.HazardIcon = NewPictureSprite(g, "BLOCK_C6", x, 450, 10, -1, false, 0, 1);
    }
  }

  auto* danger = new TDangerSprite(g, engine);
  InitTextureSprite(*danger, nullptr, p.FieldWidthPx, p.FieldHeightPx, 0, 0, false, 0, 13, p.FieldCenterX,
                    p.FieldCenterY);
  danger->Color = kRed;
  danger->GlowRate = 0.09;
  danger->Visible = false;
  v.DangerSprite = danger;

  CreateHudSprites(g, p, x0, y0);
}

// A scripted field: the last line is row 0.
void LayStartField(GameContext& g, TPlayerInfo& p, const std::vector<std::string>& lines) {
  const int n = int(lines.size());
  for (int i = std::max(0, n - kFieldRows); i < n; ++i) {
    const int row = n - 1 - i;
    const std::string& line = lines[size_t(i)];
    for (int c = 0; c < p.Cols && c < int(line.size()); ++c) {
      const char ch = line[size_t(c)];
      if (ch >= '0' && ch <= '5') {
        CreateBlock(g, p, c, row, ch - '0', false);
      } else if (ch >= 'a' && ch <= 'f') {
        CreateBlock(g, p, c, row, ch - 'a', true);
      } else if (ch == 'h') {
        TBlock* b = CreateBlock(g, p, c, row, 6, true);
        b->Hazard = true;
        b->HazardTime = g.FrameTime + uint32_t(g.Config.HazardBlockPeriod) + uint32_t(g.Rng.Random(2000));
      }
    }
  }
}

}  // namespace

bool SetupGame(GameContext& g) {
  const int cols = std::clamp(g.FieldCols, 1, kMaxCols);
  PaintBackground(g, cols);
  g.EndingStep = 0;
  g.ExStage = 0;
  g.State.Shots.clear();
  g.State.Bars.clear();
  g.State.OverFades.clear();
  g.State.Leaving.clear();
  g.Events.Clear();
  g.State.NextSerial = 0;

  TPlayerInfo* players[2] = {&g.Player1P, &g.Player2P};
  for (int n = 0; n < 2; ++n) {
    TPlayerInfo& p = *players[n];
    p = TPlayerInfo{};
    g.PlayerSprites[size_t(n)] = {};
    if (n == 1 && g.GameMode != 2) break;  // player 2 stays zero and inactive
    p.Active = true;
    p.PlayerNo = uint8_t(n);
    p.Rival = players[1 - n];
    p.AdvancedMode = n == 0 ? g.Config.AdvancedMode1P : g.Config.AdvancedMode2P;
    p.VoiceBase = n == 0 ? 0 : 0x50;
    p.FallingList.clear();
    SetGeometry(p, cols);
    p.InGame = true;
    p.DealsPoker = g.GameMode != 2 && n == 0;
    const int x0 = g.Player1P.FieldRight + 5;
    const int y0 = n == 0 ? 50 : 280;
    CreatePlayerSprites(g, p, x0, y0);
  }
  (new TShotsSprite(g, &g.DXSpriteEngine1))->SetZ(7);
  (new TFieldFadesSprite(g, &g.DXSpriteEngine1))->SetZ(13);
  return true;
}

void CompleteGameStart(GameContext& g) {
  StartCpuPlayers(g);
  NewPictureSprite(g, "COVER", 320, 448, 5, -1, false, 0, 0);
  for (int n = 0; n < 2; ++n) {
    TPlayerInfo& p = g.Player(n);
    if (!p.Active) continue;
    if (g.HasStartField[size_t(n)]) {
      LayStartField(g, p, g.StartField[size_t(n)]);
    } else {
      const int lines = std::clamp(g.Config.BlockStartLine, 0, p.Rows);
      for (int r = 0; r < lines; ++r) FillRow(g, p, r);
    }
    CheckLevel(g, p);
    p.LineUpTime = g.FrameTime;
  }
  PresentRulesEvents(g);  // the first level's background
  if (g.GameMode == 2) {
    g.PlayRandomBgm();
    g.PlaySound("VOICE28");
  } else {
    g.PlaySound("VOICE1B");
  }
}

void PrepareGameStart(GameContext& g) {
  uint64_t seed;
  if (g.NextGameSeed) {
    seed = *g.NextGameSeed;
    g.NextGameSeed.reset();
  } else {
    seed = g.SeedRng.Next64();
  }
  g.SeedStreams(seed);
}

void EnterPlay(GameContext& g) {
  PrepareGameStart(g);
  SetupGame(g);
  CompleteGameStart(g);
}

void LeavePlay(GameContext& g) {
  for (auto& prog : g.ControlPrograms) prog.reset();  // menus belong to the people again
  g.Player1P.FallingList.clear();
  g.Player2P.FallingList.clear();
}

}  // namespace kq
