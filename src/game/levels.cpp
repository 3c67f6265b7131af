#include <cstdio>
#include <exception>
#include <string>

#include "config/hiscore.h"
#include "core/context.h"
#include "engine/canvas.h"
#include "game/rules.h"
#include "media/image_assets.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

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
void DrawLevelBackground(GameContext& g, TPlayerInfo& p) {
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

}  // namespace

void CheckLevel(GameContext& g, TPlayerInfo& p) {
  if (p.ErasedInLevel < p.LvNeedBlock) return;
  ++p.Level;
  p.ErasedInLevel = 0;  // blocks beyond the need do not carry over
  if (p.Level >= 1 && size_t(p.Level) <= g.LevelTable.size()) {
    const TLevelEntry& row = g.LevelTable[size_t(p.Level - 1)];
    p.LvHardBlockRatio = row.HardBlockRatio;
    p.LvNeedBlock = row.NeedBlock;
    p.LvLineUpInterval = row.LineUpInterval;
  }
  if (g.GameMode == 1) {
    DrawLevelBackground(g, p);
    if (p.Level > 1) g.PlayMusicFile(g.DataPath(Formatted("BGM\\BGM%.3d.mid", p.Level)));
  }
  if (p.Level > 1) g.PlaySound("LEVELUP");
}

bool EndingTest(GameContext& g, TPlayerInfo& p) {
  const TGameConfig& cfg = g.Config;
  bool normalEnd = g.ExStage == 0 && p.Level >= cfg.EndingLv;
  bool exEnd = g.ExStage == 1 && p.Level >= cfg.EndingExLv;
  if (!normalEnd && !exEnd) return false;
  if (normalEnd && p.MaxCombo >= cfg.ExLvCombo) {
    g.ExStage = 1;
    ShowBoard(g, p, "STR_EXLV", true);
    g.PlaySound("VOICE98");
    return false;
  }
  p.Phase = gpEnding;
  if (TDangerSprite* danger = g.View(p).DangerSprite) danger->Visible = false;
  ShowBoard(g, p, "STR_ENDING", true);
  g.PlaySound("VOICE99");
  return true;
}

void EndingTick(GameContext& g, TPlayerInfo& p) {
  const uint32_t now = g.FrameTime;
  const uint32_t elapsed = now - g.EndingTime;
  const int step = g.EndingStep;
  if (step == 0) {
    g.StopMusic();
    g.EndingTime = now;
    if (!g.Replaying()) g.NewRankIndex = InsertHiScore(g.HiScoreTable, p.Score, p.MaxCombo, p.Level);
    g.EndingStep = 1;
  } else if (step == 1) {
    if (elapsed > 1000) g.EndingStep = 2;
  } else if (step == 2) {
    // White in, held two seconds, and back out.
    TFadeSprite* fade = NewScreenFade(g, 0xFFFFFF, 0, true, 0.2);
    fade->FadeBack = true;
    fade->HoldTime = 2000;
    g.EndingTime = now;
    g.EndingStep = 3;
  } else if (step == 3) {
    if (elapsed > 2500) {
      ShowEndingPage(g, 1);
      g.EndingTime = now;
      g.PlayMusicFile(g.DataPath("BGM\\BGM_ENDING.mid"));
      g.EndingStep = 4;
    }
  } else if (step <= g.Config.EndingPageNum + 2) {
    if (elapsed > uint32_t(g.Config.EndingInterval)) {
      ShowEndingPage(g, step - 2);
      g.EndingTime = now;
      g.EndingStep = step + 1;
    }
  }
}

}  // namespace kq
