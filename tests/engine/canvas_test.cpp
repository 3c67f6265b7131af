#include "engine/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/image_list.h"
#include "engine/random.h"

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

// The per-pixel sampling rule of an unrotated draw, written out plainly.
void ReferenceDraw(Bitmap& t, const Bitmap& px, const RectI& src, const RectF& dst, uint8_t alpha,
                   BlendMode mode, uint32_t mod) {
  auto ch = [](uint32_t c, int s) { return (c >> s) & 0xFFu; };
  for (int y = 0; y < t.Height; ++y)
    for (int x = 0; x < t.Width; ++x) {
      double u = (x + 0.5 - dst.X) / dst.W, v = (y + 0.5 - dst.Y) / dst.H;
      if (u < 0 || v < 0 || u >= 1 || v >= 1) continue;
      int sx = src.X + std::min(int(u * src.W), src.W - 1), sy = src.Y + std::min(int(v * src.H), src.H - 1);
      if (sx < 0 || sy < 0 || sx >= px.Width || sy >= px.Height) continue;
      uint32_t s = px.At(sx, sy), a = (ch(s, 24) * alpha + 127) / 255, out = a << 24;
      for (int k = 0; k <= 16; k += 8) out |= ((ch(s, k) * ch(mod, k) + 127) / 255) << k;
      uint32_t& d = t.At(x, y);
      uint32_t r = 0xFF000000u;
      for (int k = 0; k <= 16; k += 8) {
        uint32_t sv = ch(out, k), dv = ch(d, k);
        uint32_t val = mode == BlendMode::Opaque  ? sv
                       : mode == BlendMode::Alpha ? (sv * a + dv * (255 - a) + 127) / 255
                                                  : std::min<uint32_t>(255, dv + (sv * a + 127) / 255);
        r |= val << k;
      }
      if (mode == BlendMode::Alpha && a == 0) continue;
      d = r;
    }
}

TEST(BitmapCanvas, UnrotatedDrawsMatchThePerPixelRule) {
  TRandom r(11);
  Bitmap px(23, 17);
  for (auto& p : px.Pixels) p = r.Next() | (r.Random(3) == 0 ? 0u : r.Random(2) ? 0xFF000000u : 0x80000000u);
  TImage img(px);
  for (int i = 0; i < 300; ++i) {
    Bitmap a(40, 30, 0xFF102030u), b = a;
    BitmapCanvas c(a);
    const RectI src{r.Random(10), r.Random(8), 1 + r.Random(20), 1 + r.Random(15)};
    const RectF dst{r.Random(60) - 20 + (r.Random(2) ? 0.5 : 0), double(r.Random(40) - 10),
                    double(1 + r.Random(40)), double(1 + r.Random(30))};
    const uint8_t alpha = r.Random(2) ? 255 : uint8_t(r.Random(256));
    const BlendMode mode = BlendMode(r.Random(3));
    const uint32_t mod = r.Random(2) ? 0xFFFFFFu : r.Next() & 0xFFFFFFu;
    c.DrawImage(img, src, dst, alpha, mode, mod);
    ReferenceDraw(b, px, src, dst, alpha, mode, mod);
    ASSERT_EQ(a.Pixels, b.Pixels) << i;
  }
}

}  // namespace
}  // namespace kq
