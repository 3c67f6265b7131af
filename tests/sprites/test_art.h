#pragma once
// Hand-made pictures and textures with known colours, for drawing tests.
#include <cstdio>

#include "core/context.h"

namespace kq::test {

constexpr uint32_t kBackColour = 0xFF204060u;

// Colour of a number block (hard = false) or hard block pattern.
inline uint32_t BlockColour(bool hard, int kind, int frame) {
  return 0xFF000000u | uint32_t(hard ? 0x80 + kind * 16 : 0x10 + kind * 16) << 16 |
         uint32_t(0x20 + frame * 40) << 8 | (hard ? 0x11u : 0x99u);
}
// Texture colours differ from the pictures so a probe tells the two paths apart.
inline uint32_t TextureColour(bool hard, int kind, int frame) {
  return BlockColour(hard, kind, frame) ^ 0x00000F00u;
}

inline void AddPicture(GameContext& g, const char* name, Bitmap px, int patW = 0, int patH = 0,
                       bool transparent = true) {
  TPictureItem& it = g.DXImageList1.Replace(name);
  it.Source = std::move(px);
  it.Transparent = transparent;
  it.TransparentColor = 0;
  it.PatternWidth = patW;
  it.PatternHeight = patH;
  it.Restore();
}

// Block strips (five 32 x 32 patterns with a black, keyed top-left pixel), the 3-D textures,
// a flat background and a few plain pictures.
inline void LoadTestArt(GameContext& g) {
  for (int hard = 0; hard < 2; ++hard)
    for (int k = 0; k < 7; ++k) {
      Bitmap strip(160, 32);
      for (int f = 0; f < 5; ++f) {
        for (int y = 0; y < 32; ++y)
          for (int x = 0; x < 32; ++x) strip.At(f * 32 + x, y) = BlockColour(hard, k, f);
        strip.At(f * 32, 0) = 0xFF000000u;
        Bitmap tex(32, 32, TextureColour(hard, k, f));
        tex.At(0, 0) = 0x00000000u;  // keyed
        (hard ? g.BlockTexC : g.BlockTexN)[size_t(k)][size_t(f)].SetPixels(std::move(tex));
      }
      char name[16];
      std::snprintf(name, sizeof name, "%s%d", hard ? "BLOCK_C" : "BLOCK_N", k);
      AddPicture(g, name, std::move(strip), 32, 32);
    }
  AddPicture(g, "BACK1", Bitmap(16, 16, kBackColour), 0, 0, false);
  AddPicture(g, "BACK2", Bitmap(16, 16, kBackColour), 0, 0, false);
  Bitmap sight(64, 32, 0xFF000000u);  // two patterns: a white frame, keyed inside
  for (int i = 0; i < 32; ++i) {
    sight.At(i, 0) = sight.At(i, 31) = sight.At(0, i) = sight.At(31, i) = 0xFFFFFFFFu;
    sight.At(32 + i, 0) = 0xFFFFFF00u;
  }
  AddPicture(g, "SIGHT", std::move(sight), 32, 32);
  AddPicture(g, "SHOOTER", Bitmap(64, 32, 0xFF00FF00u), 32, 32);
  AddPicture(g, "STR_WIN", Bitmap(40, 20, 0xFFFF00FFu));
  AddPicture(g, "ATTACK1P", Bitmap(100, 60, 0xFF00FFFFu));
  g.DustTex.SetPixels(Bitmap(32, 32, 0xFF101010u));
  g.GameOverTex.SetPixels(Bitmap(64, 16, 0xFFFFFFFFu));
}

}  // namespace kq::test
