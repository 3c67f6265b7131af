#include <gtest/gtest.h>

#include "engine/canvas.h"
#include "engine/image_list.h"

namespace kq {
namespace {

TEST(ColorKey, ComparesInRgb565Precision) {
  Bitmap src(3, 1);
  src.At(0, 0) = 0xFF000000u;  // the key
  src.At(1, 0) = 0xFF060306u;  // differs only below 16-bit precision
  src.At(2, 0) = 0xFF080000u;  // differs in the red 5 bits
  Bitmap keyed = ApplyColorKey(src, true, 0x000000);
  EXPECT_EQ(keyed.At(0, 0) >> 24, 0u);
  EXPECT_EQ(keyed.At(1, 0) >> 24, 0u);
  EXPECT_EQ(keyed.At(2, 0) >> 24, 255u);
  Bitmap opaque = ApplyColorKey(src, false, 0x000000);
  EXPECT_EQ(opaque.At(0, 0) >> 24, 255u);
}

TEST(ColorKey, WhiteKey) {
  Bitmap src(2, 1);
  src.At(0, 0) = 0xFFFFFFFFu;
  src.At(1, 0) = 0xFFFCFCFCu;  // 565 of FCFCFC is 0xFFFF too
  Bitmap keyed = ApplyColorKey(src, true, 0xFFFFFF);
  EXPECT_EQ(keyed.At(0, 0) >> 24, 0u);
  EXPECT_EQ(keyed.At(1, 0) >> 24, 0u);
}

TEST(PictureItem, PatternsAreNumberedRowByRow) {
  TPictureItem pic;
  pic.Source = Bitmap(161, 40);
  pic.PatternWidth = 161 / 10;
  pic.PatternHeight = 20;
  EXPECT_EQ(pic.PatternCount(), 20);
  RectI r = pic.PatternRect(11);
  EXPECT_EQ(r.X, 16);
  EXPECT_EQ(r.Y, 20);
  EXPECT_EQ(r.W, 16);
  EXPECT_TRUE(pic.PatternRect(20).Empty());
  EXPECT_TRUE(pic.PatternRect(-1).Empty());
}

TEST(ImageList, ReplaceKeepsCountAndAddress) {
  TImageList list;
  TPictureItem* a = &list.Replace("ENDING");
  a->Source = Bitmap(4, 4);
  TPictureItem* b = &list.Replace("ending");
  EXPECT_EQ(a, b);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(b->Source.Empty());
  EXPECT_EQ(list.Find("Ending"), b);
  list.Remove("ENDING");
  EXPECT_EQ(list.Count(), 0);
}

TEST(BitmapCanvas, AlphaAndAdditiveBlending) {
  Bitmap target(4, 1, 0xFF000000u);
  BitmapCanvas c(target);
  c.FillRect({0, 0, 4, 1}, 0x808080, 255, BlendMode::Opaque);
  c.FillRect({0, 0, 1, 1}, 0xFFFFFF, 0, BlendMode::Alpha);
  c.FillRect({1, 0, 1, 1}, 0x000000, 255, BlendMode::Alpha);
  c.FillRect({2, 0, 1, 1}, 0xFFFFFF, 128, BlendMode::Alpha);
  c.FillRect({3, 0, 1, 1}, 0xA0A0A0, 255, BlendMode::Add);
  EXPECT_EQ(target.At(0, 0), 0xFF808080u);
  EXPECT_EQ(target.At(1, 0), 0xFF000000u);
  EXPECT_EQ(target.At(2, 0) & 0xFF, 0xC0u);
  EXPECT_EQ(target.At(3, 0), 0xFFFFFFFFu);
}

TEST(BitmapCanvas, StretchAndColorKeyedDraw) {
  Bitmap target(8, 8, 0xFF0000FFu);
  BitmapCanvas c(target);
  Bitmap px(2, 1);
  px.At(0, 0) = 0xFFFF0000u;
  px.At(1, 0) = 0x00000000u;  // keyed out
  TImage img(px);
  c.DrawImage(img, {0, 0, 2, 1}, {0, 0, 8, 4});
  EXPECT_EQ(target.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(target.At(3, 3), 0xFFFF0000u);
  EXPECT_EQ(target.At(4, 0), 0xFF0000FFu);
  EXPECT_EQ(target.At(0, 4), 0xFF0000FFu);
}

}  // namespace
}  // namespace kq
