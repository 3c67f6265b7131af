// The keyboard table between virtual-key codes and SDL scancodes, and the key names the lists
// show with and without SDL.
#include "engine/keys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "core/controls.h"

namespace kq {
namespace {

TEST(KeyTable, RoundTripsEveryCode) {
  int mapped = 0;
  for (int vk = 1; vk < 256; ++vk) {
    int sc = VkToScancode(vk);
    if (!sc) continue;
    ++mapped;
    int back = ScancodeToVk(sc);
    // Generic modifiers come back as their left-hand code.
    if (vk == 0x10)
      EXPECT_EQ(back, 0xA0);
    else if (vk == 0x11)
      EXPECT_EQ(back, 0xA2);
    else if (vk == 0x12)
      EXPECT_EQ(back, 0xA4);
    else
      EXPECT_EQ(back, vk) << "vk " << vk;
  }
  // Letters, digits, F1-F24, numeric pad, arrows, modifiers and OEM keys of a 105-key board.
  EXPECT_GE(mapped, 26 + 10 + 24 + 16 + 4 + 9 + 12);
  EXPECT_EQ(VkToScancode(0), 0);
  EXPECT_EQ(VkToScancode(0xFF), 0);
  EXPECT_EQ(ScancodeToVk(VkToScancode(0x87)), 0x87);  // F24
}

TEST(KeyTable, UnknownCodesMapToNoKey) {
  EXPECT_EQ(VkToScancode(999), 0);
  EXPECT_EQ(SecondaryScancode(999), 0);
  EXPECT_EQ(VkToScancode(-5), 0);
}

// Without a keyboard (headless help text, tests) the names are those SDL gives under the US
// layout, so a list reads the same either way.
TEST(KeyTable, NamesWithoutAKeyboardMatchTheUsLayout) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  int compared = 0;
  for (int vk = 1; vk < 256; ++vk) {
    const bool fixed = vk == 19 || (vk >= 33 && vk <= 47);  // navigation keys have names of their own
    const std::string sdl = VkSystemName(vk);
    if (sdl.empty() || fixed) continue;
    EXPECT_EQ(KeyName(vk), sdl.substr(0, 31)) << "vk " << vk;
    ++compared;
  }
  EXPECT_GT(compared, 80);
  SDL_Quit();
}

}  // namespace
}  // namespace kq
