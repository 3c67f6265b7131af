#pragma once
// A fresh game context with one or two players set up as at game start (an empty field) and
// helpers to place blocks, run frames and make test pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"
#include "sprites/presentation.h"
#include "support/doubles.h"

namespace kq::test {

// Colour of pattern n in the pictures made by AddPatternPicture.
inline uint32_t PatternColor(int n) {
  return 0xFF000000u | uint32_t(0x102030 * (n + 1));
}

// A strip of `count` patterns of w x h, pattern n filled with PatternColor(n).
inline TPictureItem& AddPatternPicture(TImageList& list, std::string_view name, int w, int h, int count) {
  TPictureItem& it = list.Replace(name);
  it.Source = Bitmap(w * count, h);
  for (int n = 0; n < count; ++n)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) it.Source.At(n * w + x, y) = PatternColor(n);
  it.PatternWidth = w;
  it.PatternHeight = h;
  it.Restore();
  return it;
}

struct GaugesFixture : ::testing::Test {
  GameContext g;

  void SetUp() override {
    g.RecordSounds = true;
    g.FrameTime = 100000;
    g.NoRender = true;
    AddPatternPicture(g.DXImageList1, "FONT_SCORE", 14, 20, 10);
    AddPatternPicture(g.DXImageList1, "NUM_COMBO", 16, 24, 10);
    AddPatternPicture(g.DXImageList1, "STR_COMBO", 60, 20, 1);
    AddPatternPicture(g.DXImageList1, "CHAINGAUGE", 80, 8, 1);
    AddPatternPicture(g.DXImageList1, "POWERGAUGE", 80, 8, 1);
    AddPatternPicture(g.DXImageList1, "RAINBOWGAUGE", 80, 8, 1);
    AddPatternPicture(g.DXImageList1, "DUMMY", 1, 1, 1);
    for (int k = 0; k <= 6; ++k) {
      AddPatternPicture(g.DXImageList1, "BLOCK_N" + std::to_string(k), 32, 32, 5);
      AddPatternPicture(g.DXImageList1, "BLOCK_C" + std::to_string(k), 32, 32, 5);
    }
  }

  // The game start's own set-up (records, field geometry, HUD, row shades) on an empty field.
  void StartGame(int mode) {
    g.SetGameMode(mode);
    SetupGame(g);
    for (int n = 0; n < 2; ++n) {
      TPlayerInfo& p = g.Player(n);
      if (!p.Active) continue;
      p.LineUpTime = g.FrameTime;
      p.LvLineUpInterval = 1000000000;  // no line-ups unless a test asks for them
    }
  }

  TBlock* Put(TPlayerInfo& p, int col, int row, int kind, bool hard = false) {
    return CreateBlock(g, p, col, row, kind, hard);
  }

  // Fills rows [0, rows) of a column.
  void FillColumn(TPlayerInfo& p, int col, int rows) {
    for (int r = 0; r < rows; ++r) Put(p, col, r, (col + r) % 6);
  }

  int BlocksInColumn(const TPlayerInfo& p, int col) const {
    int n = 0;
    for (int r = 0; r < 13; ++r) n += bool(p.Cells[size_t(col)][size_t(r)]);
    return n;
  }

  // One frame of the sprite engine: the clock advances, sprites move, the dead are swept.
  void Frame(int ms) {
    g.FrameTime += uint32_t(ms);
    MoveTimers(g, ms);
    MoveField(g, ms);
    PresentRulesEvents(g);
    g.DXSpriteEngine1.MoveSprites(ms);
    g.DXSpriteEngine1.SweepSprites();
  }

  int CountSounds(std::string_view name) const {
    return int(std::count_if(g.SoundLog.begin(), g.SoundLog.end(),
                             [&](const TSoundLogEntry& e) { return SameText(e.Name, name); }));
  }

  template <class T>
  std::vector<T*> SpritesOf() const {
    std::vector<T*> out;
    for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
      if (auto* s = dynamic_cast<T*>(g.DXSpriteEngine1.Child(i)); s && !s->Dying()) out.push_back(s);
    return out;
  }
};

}  // namespace kq::test
