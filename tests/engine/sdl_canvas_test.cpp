// The SDL canvas on the headless frame: an opaque picture is copied rather than blended, which
// must never show in the pixels.
#include <gtest/gtest.h>

#include "engine/sdl_platform.h"

namespace kq {
namespace {

uint32_t Mix(uint32_t src, uint32_t alpha, uint32_t dst) {
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) {
    const uint32_t v = (((src >> s) & 0xFF) * alpha + ((dst >> s) & 0xFF) * (255 - alpha) + 127) / 255;
    out |= v << s;
  }
  return out;
}

TEST(SdlCanvas, OpaquePicturesCopyAndAnyOtherStillBlends) {
  PlatformOptions po;
  po.Headless = true;
  SdlPlatform platform(po);
  Canvas& c = platform.Screen();
  auto pixel = [&](int x, int y) {
    platform.Present();
    return platform.ReadFrame().At(x, y) & 0xFFFFFFu;
  };
  const uint32_t back = 0x204060;
  c.Clear(back);

  Bitmap px(8, 8, 0xFFC08040u);
  TImage picture(px);
  c.Blit(picture, 10, 10);
  EXPECT_EQ(pixel(13, 13), 0xC08040u);
  EXPECT_EQ(pixel(9, 9), back);
  // At half alpha, or tinted, it is the same picture blended and tinted as before.
  c.DrawImage(picture, {0, 0, 8, 8}, {30, 10, 8, 8}, 128);
  EXPECT_NEAR(int(pixel(33, 13) >> 16), int(Mix(0xC08040u, 128, back) >> 16), 1);
  c.DrawImage(picture, {0, 0, 8, 8}, {50, 10, 8, 8}, 255, BlendMode::Alpha, 0x808080);
  EXPECT_NEAR(int(pixel(53, 13) >> 16), 0x60, 1);
  // One clear pixel makes it a picture to blend again: the edit is seen at the next draw.
  picture.EditPixels().At(3, 3) = 0x00FFFFFFu;
  picture.Touch();
  c.Blit(picture, 70, 10);
  EXPECT_EQ(pixel(73, 13), back);
  EXPECT_EQ(pixel(74, 13), 0xC08040u);
}

}  // namespace
}  // namespace kq
