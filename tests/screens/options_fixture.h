#pragma once
// A game context on a memory display with a keyboard and pads the test sets, driven through
// the real frame tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/context.h"
#include "game/rules.h"
#include "media/image_assets.h"
#include "screens/option_screens.h"
#include "screens/screens.h"
#include "support/doubles.h"

namespace kq::test {

// Row numbers of the settings list and of the key/pad lists.
enum SettingsRow {
  kRow3D = 1,
  kRowVsync = 2,
  kRowMusic = 3,
  kRowVoices = 4,
  kRowCpu1P = 6,
  kRowAdvanced1P = 7,
  kRowPad1P = 8,
  kRowCpu2P = 10,
  kRowAdvanced2P = 11,
  kRowPad2P = 12,
  kRowKeyAssign = 13,
  kRowPadAssign = 14,
  kRowFullScreen = 16,
  kRowMusicVolume = 17,
  kRowSoundVolume = 18,
  kRowVoiceVolume = 19,
  kRowLanguage = 20,
  kRowServer = 21,
  kRowOk = 22,
  kRowCancel = 23,
};
// Row of control c (0 up, 1 right, 2 down, 3 left, 4..7 actions) of player p.
inline int AssignRow(int player, int control) {
  return 1 + player * 9 + control;
}
constexpr int kAssignOk = 18;
constexpr int kAssignCancel = 19;

constexpr int kVkReturn = 13, kVkEsc = 27, kVkUp = 38, kVkDown = 40, kVkLeft = 37, kVkRight = 39;

class OptionsTest : public ::testing::Test {
 protected:
  MemoryPlatform platform;
  GameContext g;
  uint32_t now = 1000;

  void SetUp() override {
    g.Platform = &platform;
    g.RecordSounds = true;
    // The picture fonts stand in when there is no TrueType face.
    const std::string grp = std::string(KQ_BIN_DIR) + "/GRP/";
    LoadImageAsset(g.DXImageList1, "FONT1", grp + "FONT1.PNG", 8, 8, true, 0);
    LoadImageAsset(g.DXImageList1, "FONT2", grp + "FONT2.PNG", 8, 8, true, 0);
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    InstallPlayScreen(g.Screens);
    InstallFrontEndScreens(g.Screens);
    BuildOptionItems(g);
    MeasureOptionFont(g, std::make_unique<BoxTextRenderer>(), std::make_unique<BoxTextRenderer>(14, 28));
    g.EnterState(scTitle);
  }

  void Tick() {
    now += 16;
    FrameTick(g, now, 16);
  }
  void Hold(int vk) { platform.In.Keys.insert(vk); }
  void Release(int vk) { platform.In.Keys.erase(vk); }
  // Press, one frame held, release, one frame released.
  void Tap(int vk) {
    Hold(vk);
    Tick();
    Release(vk);
    Tick();
  }
  void TapButton(int pad, int button) {
    platform.In.Pads[pad] |= uint64_t(1) << (3 + button);
    Tick();
    platform.In.Pads[pad] &= ~(uint64_t(1) << (3 + button));
    Tick();
  }
  void Attach(int pad, const std::string& name) { platform.In.Names[size_t(pad)] = name; }
  void Detach(int pad) { platform.In.Names[size_t(pad)].clear(); }

  void OpenOptions() {
    Title().Cursor = 4;
    Tap(kVkReturn);
    ASSERT_EQ(g.ScreenState, scOptions);
  }
  // Walks the settings cursor down to a row.
  void SettingsTo(int row) {
    for (int i = 0; i < 30 && Settings().Cursor != row; ++i) Tap(kVkDown);
    ASSERT_EQ(Settings().Cursor, row);
  }
  void OpenList(int screen) {
    OpenOptions();
    SettingsTo(screen == scKeyAssign ? kRowKeyAssign : kRowPadAssign);
    Tap(kVkReturn);
    ASSERT_EQ(g.ScreenState, screen);
  }
  int& ListCursor() { return g.ScreenState == scPadAssign ? PadList().Cursor : KeyList().Cursor; }
  void ListTo(int row) {
    for (int i = 0; i < 25 && ListCursor() != row; ++i) Tap(kVkDown);
    ASSERT_EQ(ListCursor(), row);
  }
  // The screens keep their own state.
  TTitleScreen& Title() { return *g.Screens.Get<TTitleScreen>(scTitle); }
  TOptionsScreen& Settings() { return *g.Screens.Get<TOptionsScreen>(scOptions); }
  TAssignScreen& KeyList() { return *g.Screens.Get<TAssignScreen>(scKeyAssign); }
  TAssignScreen& PadList() { return *g.Screens.Get<TAssignScreen>(scPadAssign); }
  TOptionScreens& Lists() const { return *FindOptionLists(g); }
  // Whether the key or pad list on show waits for a key or button.
  bool Capturing() { return KeyList().Capturing || PadList().Capturing; }
  int CountSound(const std::string& name) const {
    return int(std::count_if(g.SoundLog.begin(), g.SoundLog.end(), [&](auto& s) { return s.Name == name; }));
  }
  const TOptionItem& Setting(int row) const { return Lists().Settings[size_t(row)]; }
};

// Pixels of a rectangle that differ clearly from the panel colour behind the text.
inline int BrightPixels(const Bitmap& b, RectI r, int minLevel = 150) {
  int n = 0;
  for (int y = r.Y; y < r.Bottom(); ++y)
    for (int x = r.X; x < r.Right(); ++x) {
      uint32_t p = b.At(x, y);
      int hi = std::max({int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)});
      if (hi >= minLevel) ++n;
    }
  return n;
}

}  // namespace kq::test
