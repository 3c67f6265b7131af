#include "app/pause.h"

#include <algorithm>
#include <string>

#include "app/replay.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "engine/utf8.h"
#include "screens/option_screens.h"
#include "screens/screen_text.h"

namespace kq {

namespace {

bool AssignedKey(const TKeyAssign& k, int vk) {
  for (int code : {k.UP, k.DOWN, k.LEFT, k.RIGHT, k.K01, k.K02, k.K03, k.K04})
    if (code == vk) return true;
  return false;
}

// A new press of Pause, of P (when no player plays with it) or of either player's pad Start.
bool PausePressed(GameContext& g) {
  if (!g.Platform) return false;
  const IInputSource& in = g.Platform->Input();
  const bool pUsable = !AssignedKey(g.Config.KeyAssign1P, kVkP) && !AssignedKey(g.Config.KeyAssign2P, kVkP);
  const bool down[3] = {in.VkDown(kVkPause), pUsable && in.VkDown(kVkP),
                        in.PadStartDown(g.DXInput1.PadNo) || in.PadStartDown(g.DXInput2.PadNo)};
  bool pressed = false;
  for (size_t i = 0; i < 3; ++i) {
    pressed = pressed || (down[i] && !g.PauseKeysDown[i]);
    g.PauseKeysDown[i] = down[i];
  }
  return pressed;
}

// The rules' clock stays where their last tick left it.
void HoldClock(GameContext& g) {
  g.ClockHeld += g.FrameTime - g.RulesTime;
  g.FrameTime = g.RulesTime;
}

std::string TimeText(uint64_t ms) {
  const uint64_t s = ms / 1000;
  const std::string sec = std::to_string(s % 60);
  return std::to_string(s / 60) + ":" + (sec.size() < 2 ? "0" : "") + sec;
}

std::string SideText(int side) {
  if (side >= 1 && side <= kCpuLevels) return CpuLevelText(side);
  if (side == kSideNetwork) return _("NETWORK");
  return {};
}

}  // namespace

void SetPaused(GameContext& g, bool paused) {
  if (g.Paused == paused) return;
  g.Paused = paused;
  if (g.Music) g.Music->SetPaused(paused);
}

void ReleaseClock(GameContext& g) {
  g.FrameTime += g.ClockHeld;
  g.ClockHeld = 0;
}

void RulesRan(GameContext& g) {
  g.RulesTime = g.FrameTime;
}

bool PauseTick(GameContext& g) {
  const bool pressed = PausePressed(g);
  if (g.Replaying()) return false;  // playback has its own pause
  if (g.NetPlay) {
    // The rival's machine cannot wait: the match goes on, and says why.
    if (pressed) g.NoPauseNoticeUntil = g.Platform ? g.Platform->Ticks() + 2500 : 0;
    return false;
  }
  if (g.Paused && g.CancelPressed()) {
    SetPaused(g, false);
    return false;
  }
  if (!g.Paused && !pressed) return false;
  if (pressed) SetPaused(g, !g.Paused);
  HoldClock(g);
  RedrawPlay(g);
  return true;
}

void DrawPlayExtras(GameContext& g, Canvas& c) {
  const int h = ScreenLineHeight(g);
  // The computer's side carries its level, over the top of its field.
  if (g.GameMode == 2) {
    for (int n = 0; n < 2; ++n) {
      int side = 0;
      if (g.Playback)
        side = g.Playback->File.Header.Sides[size_t(n)];
      else if (g.ControlPrograms[size_t(n)])
        side = n == 0 ? g.Config.Cpu1P : g.Config.Cpu2P;
      const std::string text = SideText(side);
      if (text.empty()) continue;
      const int centre = n == 0 ? 160 : 480;
      DrawScreenText(g, c, centre - ScreenTextWidth(g, text) / 2, 2, text, kTextGold);
    }
    // The tally of this run of rematches.
    if (g.SessionWins[0] + g.SessionWins[1] > 0 && !g.Playback) {
      const std::string tally = std::to_string(g.SessionWins[0]) + " - " + std::to_string(g.SessionWins[1]);
      DrawScreenText(g, c, 320 - ScreenTextWidth(g, tally) / 2, 2, tally, kTextWhite);
    }
  }
  if (g.Playback) {
    // "REPLAY" and the speed in the corner: in the picture font while it is ASCII, else in the
    // list face (the picture font has no Japanese).
    const TReplayPlayback& mark = *g.Playback;
    const std::string rate = mark.Paused            ? _("PAUSE")
                             : mark.SpeedShift >= 0 ? std::to_string(1 << mark.SpeedShift) + "x"
                                                    : "1/" + std::to_string(1 << -mark.SpeedShift) + "x";
    const std::string text = std::string(_("REPLAY")) + " " + rate;
    if (IsAsciiText(text))
      DrawGlyphText(g, c, 0, text, 29);
    else {
      c.FillRect({0, 477 - h, ScreenTextWidth(g, text) + 10, h + 3}, 0x000000, 170, BlendMode::Alpha);
      DrawScreenText(g, c, 4, 478 - h, text, kTextWhite);
    }
  }
  if (g.Playback) {
    // A replay: its keys, and how far it has run.
    const TReplayPlayback& pb = *g.Playback;
    const uint64_t total = std::max<uint64_t>(pb.File.Header.DurationMs, 1);
    const uint64_t at = std::min<uint64_t>(PlaybackMs(g), total);
    // Above the "REPLAY" mark and the frame rate on the bottom row; dark enough to read over a field.
    const int y = 460 - 2 * h - 14;
    c.FillRect({0, y - 4, 640, 2 * h + 18}, 0x000000, 215, BlendMode::Alpha);
    c.FillRect({120, y + h / 2 - 3, 400, 6}, 0x303A60);
    c.FillRect({120, y + h / 2 - 3, int(400 * at / total), 6}, 0xFFC640);
    const std::string speed = pb.Paused            ? _("PAUSED")
                              : pb.SpeedShift >= 0 ? std::to_string(1 << pb.SpeedShift) + "x"
                                                   : "1/" + std::to_string(1 << -pb.SpeedShift) + "x";
    const std::string now = TimeText(at), end = TimeText(total) + "  " + speed;
    DrawScreenText(g, c, 112 - ScreenTextWidth(g, now), y, now, kTextWhite);
    DrawScreenText(g, c, 528, y, end, kTextDim);
    const TKeyAssign& k = g.Config.KeyAssign1P;
    const std::string keys = Subst(
        Subst(_("RETURN PAUSE  LEFT/RIGHT SPEED  {back}/PGUP -10S  {on}/PGDN +10S  HOME START  ESC END"),
              "{back}", KeyText(k.K02)),
        "{on}", KeyText(k.K03));
    const std::string shown = FitScreenText(g, keys, 632);
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, shown) / 2, y + h + 6, shown, kTextValue);
  }
  if (g.Paused) {
    c.FillRect({0, 0, 640, 480}, 0x000000, 150, BlendMode::Alpha);
    // A plate of its own, so the words never mix with the hand and the field behind.
    c.FillRect({80, 196, 480, 2 * h + 32}, 0x0A1030, 235, BlendMode::Alpha);
    c.FillRect({80, 196, 480, 1}, 0x5C7EE6);
    c.FillRect({80, 196 + 2 * h + 31, 480, 1}, 0x5C7EE6);
    const std::string title = _("PAUSED");
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, title) / 2, 210, title, kTextGold);
    const std::string keys = _("PAUSE / P / START: GO ON     ESC: LEAVE TO THE TITLE");
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, keys) / 2, 214 + h + 8, keys, kTextWhite);
  }
  if (g.NetPlay && g.Platform && int32_t(g.NoPauseNoticeUntil - g.Platform->Ticks()) > 0) {
    const std::string text = _("NO PAUSE IN A NETWORK MATCH");
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, text) / 2, 230, text, kTextWarn);
  }
  // A spectator's screen says so, on a plate low in the column between the fields, clear of
  // the scores and the game-over prompt.
  if (g.NetPlay && g.NetInfo.Active && g.NetInfo.Watching) {
    const std::string mark = _("WATCHING");
    const int w = ScreenTextWidth(g, mark);
    c.FillRect({320 - w / 2 - 10, 366, w + 20, h + 8}, 0x401010, 220, BlendMode::Alpha);
    DrawScreenText(g, c, 320 - w / 2, 370, mark, kTextWarn);
  }
  // In a network match each machine marks the field its player plays.
  if (g.NetPlay && g.NetInfo.Active && !g.NetInfo.Watching) {
    const TPlayerInfo& own = g.NetInfo.OwnSide2 ? g.Player2P : g.Player1P;
    const std::string you = _("YOU");
    const int centre = (own.FieldLeft + own.FieldRight) / 2;
    const int w = ScreenTextWidth(g, you);
    c.FillRect({centre - w / 2 - 6, 1, w + 12, h + 2}, 0x000000, 170, BlendMode::Alpha);
    DrawScreenText(g, c, centre - w / 2, 2, you, kTextGold);
    // Under the game-over prompt, clear of the HUD.
    if (g.NetInfo.AwaitingRival) {
      const std::string wait = _("waiting for the rival's answer");
      const int ww = ScreenTextWidth(g, wait);
      c.FillRect({320 - ww / 2 - 8, 398, ww + 16, h + 4}, 0x000000, 190, BlendMode::Alpha);
      DrawScreenText(g, c, 320 - ww / 2, 400, wait, kTextWhite);
    }
  }
}

}  // namespace kq
