// The list font: face lookup, measuring and rendering into bitmaps without a display.
#include <gtest/gtest.h>

#include "engine/ttf_text_renderer.h"

namespace kq {
namespace {

TEST(TextRenderer, FindsAFixedPitchFaceForTheLists) {
  auto f = TTtfTextRenderer::OpenListFont(11);
  ASSERT_NE(f, nullptr) << "no TrueType face (fonts-ipafont-gothic is part of the set-up)";
  EXPECT_FALSE(f->File().empty());
  TTextSize a = f->Measure("A");
  EXPECT_GT(a.W, 3);
  EXPECT_EQ(a.H, f->Height());
  EXPECT_EQ(f->Measure("MMMM").W, f->Measure("iiii").W);  // fixed pitch
  EXPECT_EQ(f->Measure("AAAA").W, 4 * a.W);
  EXPECT_NEAR(f->Measure("ブ").W, 2 * a.W, 1);  // a wide character takes two letters' room
  EXPECT_EQ(f->Measure("").W, 0);
  // Another size of the same file.
  auto big = TTtfTextRenderer::OpenFile(f->File(), 22);
  ASSERT_NE(big, nullptr);
  EXPECT_GT(big->Measure("A").W, a.W);
}

TEST(TextRenderer, RendersTheColourWithCoverageInAlpha) {
  auto f = TTtfTextRenderer::OpenListFont(11);
  ASSERT_NE(f, nullptr);
  Bitmap b = f->Render("カーソル", 0x12AB34);
  ASSERT_FALSE(b.Empty());
  EXPECT_EQ(b.Width, f->Measure("カーソル").W);
  int solid = 0, clear = 0;
  for (uint32_t p : b.Pixels) {
    EXPECT_EQ(p & 0xFFFFFFu, 0x12AB34u);
    if (p >> 24 == 255) ++solid;
    if (p >> 24 == 0) ++clear;
  }
  EXPECT_GT(solid, 20);  // the glyphs are there, not boxes of nothing
  EXPECT_GT(clear, solid);
  EXPECT_TRUE(f->Render("", 0xFFFFFF).Empty());
}

TEST(TextRenderer, MissingFacesGiveNoRenderer) {
  EXPECT_EQ(TTtfTextRenderer::Open({{"No Such Family Anywhere", true}}, 11), nullptr);
  EXPECT_EQ(TTtfTextRenderer::Open({}, 11), nullptr);
  EXPECT_EQ(TTtfTextRenderer::OpenFile("/nonexistent/font.ttf", 11), nullptr);
  // A required family that is missing falls through to the next choice.
  auto f = TTtfTextRenderer::Open({{"No Such Family Anywhere", true}, {"monospace", false}}, 11);
  EXPECT_NE(f, nullptr);
}

}  // namespace
}  // namespace kq
