// The two block sheets (one 32-pixel row per kind, five frames: 0 and 1 at rest, 1..4 the erase)
// and the dust particle of the 3-D erase.
#include "gen_pictures/art.h"
#include "gen_pictures/pack.h"

namespace kq::gen {

namespace {

constexpr int kCell = 32;

Layer Whiten(const Layer& src, float t) {
  Layer out = src;
  for (int y = 0; y < out.H(); ++y)
    for (int x = 0; x < out.W(); ++x) {
      Px& p = out.At(x, y);
      p.r += (p.a - p.r) * t;
      p.g += (p.a - p.g) * t;
      p.b += (p.a - p.b) * t;
    }
  return out;
}

// Frame 2: the block flashes white-hot.
Layer FlashFrame(const Layer& rest, Color tint) {
  Layer out = Whiten(rest, 0.55f);
  Vec c{16, 16};
  FillShape(
      out, Whole(out),
      [&](Vec p) {
        return SdRing(SdRoundBox(p, c, {15, 15}, 5), 1.6f);
      },
      Alpha(Lighten(tint, 0.8f), 0.9f));
  return out;
}

// Frame 3: it bursts into four shards flying apart, with a flash of light between them.
Layer BurstFrame(const Layer& rest, Color tint) {
  Layer out(kCell, kCell);
  Color spark = Lighten(tint, 0.75f);
  DrawGlow(out, {16, 16}, 13, Alpha(spark, 0.8f));
  Layer bright = Whiten(rest, 0.3f);
  const float scale = 0.56f;
  for (int q = 0; q < 4; ++q) {
    int qx = (q % 2) * 16, qy = (q / 2) * 16;
    Layer shard = bright.Crop(qx, qy, 16, 16);
    // Each quarter's centre moves a quarter further out from the block's centre.
    float cx = 16 + (float(qx) + 8 - 16) * 1.4f, cy = 16 + (float(qy) + 8 - 16) * 1.4f;
    out.DrawScaled(shard, cx - 8 * scale, cy - 8 * scale, scale, scale);
  }
  // Rays of light between the shards.
  for (int i = 0; i < 8; ++i) {
    float a = float(i) * kPi / 4;
    Vec d{std::cos(a), std::sin(a)};
    float len = i % 2 ? 9.f : 15.f;
    FillShape(
        out, Whole(out),
        [&](Vec p) {
          return SdSegment(p, Vec{16, 16} + d * 3.f, Vec{16, 16} + d * len, 0.8f);
        },
        Alpha(spark, 0.9f));
  }
  DrawSparkle(out, {16, 16}, 7, Hex(0xFFFFFF));
  return out;
}

// Frame 4: only a fading ring of sparkles is left.
Layer FadeFrame(Color tint, int kind) {
  Layer out(kCell, kCell);
  Color c = Lighten(tint, 0.45f);
  FillShape(
      out, Whole(out),
      [&](Vec p) {
        return SdRing(SdCircle(p, {16, 16}, 12.5f), 1.2f);
      },
      Alpha(c, 0.45f));
  Rng rng(uint32_t(40 + kind));
  for (int i = 0; i < 6; ++i) {
    float a = float(i) * kPi / 3 + rng.Range(-0.3f, 0.3f);
    float r = rng.Range(9.f, 13.5f);
    DrawSparkle(out, {16 + std::cos(a) * r, 16 + std::sin(a) * r}, rng.Range(2.5f, 4.f), Alpha(c, 0.75f));
  }
  return out;
}

Layer BlockSheet(Fonts& f, bool hard) {
  Layer sheet(kCell * 5, kCell * 7);
  for (int kind = 0; kind < 7; ++kind) {
    Layer rest(kCell, kCell);
    DrawBlock(rest, f, kind, hard, 0, 0, float(kCell));
    Color tint = kind == kHazardKind ? Hex(0xF2C230) : KindColor(kind);
    int y = kind * kCell;
    sheet.Draw(rest, 0, y);
    sheet.Draw(rest, kCell, y);
    sheet.Draw(FlashFrame(rest, tint), kCell * 2, y);
    sheet.Draw(BurstFrame(rest, tint), kCell * 3, y);
    sheet.Draw(FadeFrame(tint, kind), kCell * 4, y);
  }
  return sheet;
}

// Added onto the screen: a warm sparkle on pure black.
Layer Dust() {
  Layer l(32, 32);
  l.Fill(Hex(0x000000));
  DrawGlow(l, {16, 16}, 15, Alpha(Hex(0xFFB040), 0.55f));
  DrawSparkle(l, {16, 16}, 15, Hex(0xFFE8A0));
  DrawGlow(l, {16, 16}, 5, Hex(0xFFFFFF));
  return l;
}

}  // namespace

void MakeBlocks(Pack& p) {
  p.Add("BLOCK_N.PNG", BlockSheet(p.fonts(), false), Key::Black);
  p.Add("BLOCK_C.PNG", BlockSheet(p.fonts(), true), Key::Black);
  p.Add("DUST.PNG", Dust(), Key::None);
}

}  // namespace kq::gen
