#pragma once
// The default picture pack: every generator adds its pictures here; main writes them to GRP/.
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "gen_pictures/paint.h"
#include "gen_pictures/text.h"

namespace kq::gen {

struct PackPicture {
  std::string FileName;  // inside GRP/
  Bitmap Picture;
};

class Pack {
 public:
  explicit Pack(Fonts& fonts) : fonts_(fonts) {}
  Fonts& fonts() { return fonts_; }
  void Add(const std::string& fileName, const Layer& l, Key key) {
    items_.push_back({fileName, Flatten(l, key)});
  }
  const std::vector<PackPicture>& Items() const { return items_; }
  const PackPicture* Find(const std::string& fileName) const;

 private:
  Fonts& fonts_;
  std::vector<PackPicture> items_;
};

// Each adds one family of pictures.
void MakeBlocks(Pack& p);  // BLOCK_N, BLOCK_C, DUST
void MakeGlyphs(Pack& p);  // FONT1, FONT2, FONT_SCORE, FONT_SCORE2, NUM_COMBO
void MakeHud(Pack& p);  // DUMMY, SIGHT, COVER, SHOOTER, SHOT1/2, gauges, RAINBOW, POKER_RIM1/2, TITLE_CURSOR
void MakeBoards(Pack& p);       // STR_*
void MakeCharacters(Pack& p);   // ATTACK1P/2P, DAMAGE1P/2P
void MakeBackgrounds(Pack& p);  // BACK1, BACK2, BG%.3d
void MakeScreens(Pack& p);      // TITLE, OPENING, RULE, ZANTHIE
void MakeEndings(Pack& p);      // ENDING01..05

// The whole pack, in a fixed order.
void MakePack(Pack& p);
// Writes every picture into folder (created if missing); false with a message on stderr on failure.
bool WritePack(const Pack& p, const std::string& folder);
// Draws and writes the whole pack with up to `threads` workers; the files do not depend on it.
bool BuildPack(Fonts& fonts, const std::string& folder, int threads);

}  // namespace kq::gen
