// Whole play frames drawn through GameTick into memory, in both drawing paths.
#include "game/game_fixture.h"
#include "sprites/test_art.h"

namespace kq::test {
namespace {

uint32_t Mix(uint32_t src, uint32_t a, uint32_t dst) {
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) {
    uint32_t v = (((src >> s) & 0xFF) * a + ((dst >> s) & 0xFF) * (255 - a) + 127) / 255;
    out |= v << s;
  }
  return out;
}

class PlayFrameTest : public GameTest {
 protected:
  MemoryPlatform screen;
  void SetUp() override {
    GameTest::SetUp();
    LoadTestArt(g);
    g.Platform = &screen;
  }
  void TearDown() override { g.Platform = nullptr; }
  uint32_t At(int x, int y) const { return screen.Pixels.At(x, y) & 0xFFFFFFu; }
  // Centre pixel of a cell, a few pixels off so the keyed corner is not hit.
  uint32_t CellPixel(TPlayerInfo& p, int col, int row, int dy = 0) {
    return At(CellX(p, col) - 16 + 5, CellY(p, row) - 16 + 5 + dy);
  }
  const uint32_t back = Mix(kBackColour & 0xFFFFFF, 200, 0);  // BACK1 at alpha 200 over black
};

TEST_F(PlayFrameTest, OnePlayerFramePlainPath) {
  Start(1, {"3b.4..."});
  Tick(0);
  EXPECT_EQ(screen.Presents, 1);
  EXPECT_EQ(CellPixel(P1(), 0, 0), BlockColour(false, 3, 1) & 0xFFFFFF);
  EXPECT_EQ(CellPixel(P1(), 1, 0), BlockColour(true, 1, 1) & 0xFFFFFF);
  EXPECT_EQ(CellPixel(P1(), 3, 0), BlockColour(false, 4, 1) & 0xFFFFFF);
  EXPECT_EQ(CellPixel(P1(), 2, 0), back);  // empty cell: the background
  EXPECT_EQ(At(0, 384), back);             // the keyed corner of a block
  EXPECT_EQ(At(300, 100), 0u);             // beside the one-player field
  // The sight's frame at its start cell (3, 6); the inside is keyed.
  EXPECT_EQ(At(CellX(P1(), 3) - 16, CellY(P1(), 6)), 0xFFFFFFu);
  EXPECT_EQ(At(CellX(P1(), 3), CellY(P1(), 6)), back);
}

TEST_F(PlayFrameTest, BlocksAreDrawnAtTheRiseOffset) {
  Start(1, {"2222222"});
  P1().PendingLines = 1;
  Tick(0);
  ASSERT_EQ(P1().Phase, gpRise);
  Tick(150);  // offset 16
  ASSERT_EQ(P1().RiseOffset, 16);
  EXPECT_EQ(CellPixel(P1(), 0, 1, 16), BlockColour(false, 2, 1) & 0xFFFFFF);
  EXPECT_EQ(At(CellX(P1(), 0) - 16 + 5, CellY(P1(), 1) - 16 + 5 + 15), BlockColour(false, 2, 1) & 0xFFFFFF);
  // The row above the risen line shows background where the unshifted picture would be.
  EXPECT_EQ(At(5, CellY(P1(), 1) - 16 + 5), back);
  Tick(200);
  EXPECT_EQ(P1().RiseOffset, 0);
  EXPECT_EQ(CellPixel(P1(), 0, 1), BlockColour(false, 2, 1) & 0xFFFFFF);
}

TEST_F(PlayFrameTest, VersusFrameThreeDeePath) {
  g.Config.UseDirect3D = true;
  Start(2, {"1......."}, {".......c"});
  Tick(0);
  EXPECT_EQ(CellPixel(P1(), 0, 0), TextureColour(false, 1, 1) & 0xFFFFFF);
  EXPECT_EQ(CellPixel(P2(), 7, 0), TextureColour(true, 2, 1) & 0xFFFFFF);
  EXPECT_EQ(At(CellX(P2(), 7) - 16, CellY(P2(), 0) - 16), back);  // keyed texel
  EXPECT_EQ(CellPixel(P2(), 0, 0), back);
  EXPECT_EQ(At(300, 100), 0u);  // between the fields
  // Player 2's hazard icon: the hard hazard texture's second frame.
  EXPECT_EQ(At(384 + 14, 450), TextureColour(true, 6, 1) & 0xFFFFFF);

  // A visible row shade is opaque black; the danger glow tints the field red.
  g.View(P1()).RowShades[0]->Visible = true;
  g.View(P2()).DangerSprite->Visible = true;
  g.View(P2()).DangerSprite->Glow = 0;
  g.View(P2()).DangerSprite->GlowRate = 0.09;
  Tick(100);  // glow 9
  EXPECT_EQ(CellPixel(P1(), 0, 0), 0u);
  EXPECT_EQ(At(500, 100), Mix(0xFF0000, 9, back));
}

TEST_F(PlayFrameTest, GameOverFadeDarkensTheFieldWithItsAlpha) {
  g.Config.UseDirect3D = true;
  Start(1, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "1"});
  P1().PendingLines = 1;
  Tick(0);
  ASSERT_EQ(P1().Phase, gpOver);
  Tick(200);  // alpha 120
  EXPECT_EQ(At(100, 200), Mix(0, 120, back));
  EXPECT_EQ(CellPixel(P1(), 0, 0), Mix(0, 120, TextureColour(false, 1, 1) & 0xFFFFFF));
}

TEST_F(PlayFrameTest, MissingTexturesDrawNothing) {
  g.Config.UseDirect3D = true;
  for (auto* set : {&g.BlockTexN, &g.BlockTexC})
    for (auto& kind : *set)
      for (auto& tex : kind) tex = TImage();
  g.DustTex = TImage();
  g.GameOverTex = TImage();
  Start(2, {"1111...."});
  FireShot(g, P1(), 0, 0, stErase, "SHOT2");
  Run(1500, 10);  // erased, with dust
  EXPECT_EQ(CellPixel(P1(), 4, 0), back);
  Start(1, {"0", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", ".", "1"});
  P1().PendingLines = 1;
  Run(2000, 10);  // the game-over title without its texture
  EXPECT_EQ(P1().Phase, gpOver);
}

TEST_F(PlayFrameTest, NoRenderMovesSpritesButDrawsNothing) {
  g.NoRender = true;
  Start(1, {"0"});
  screen.Screen_.Clear(0x123456);
  const uint32_t shot = FireShot(g, P1(), 0, 0, stChangeUp, "SHOT1");
  const double x = FindShot(g, shot)->X;
  Tick(100);
  ASSERT_TRUE(FindShot(g, shot));
  EXPECT_LT(FindShot(g, shot)->X, x);
  EXPECT_EQ(screen.Presents, 0);
  EXPECT_EQ(At(5, 389), 0x123456u);
  Run(1000, 10);
  EXPECT_EQ(Cell(P1(), 0, 0)->Kind, 1);  // the shot still arrived
}

}  // namespace
}  // namespace kq::test
