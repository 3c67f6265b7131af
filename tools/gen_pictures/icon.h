#pragma once
// The game's icon as a list of flat rounded rectangles on a 256-unit square, so the same
// picture comes out as a PNG of any size and as an SVG.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/bitmap.h"

namespace kq::gen {

struct IconShape {
  float X = 0, Y = 0, W = 0, H = 0, R = 0;  // rectangle and corner radius in icon units
  uint32_t Rgb = 0;
  float Alpha = 1;
};

constexpr float kIconUnits = 256;

// Drawn in order, back to front: a dark tile, a 3 x 3 stack of blocks in the game's colours and
// the sight around the middle block.
std::vector<IconShape> IconShapes();
// The icon at size x size pixels with anti-aliased edges and a transparent outside.
Bitmap RenderIcon(int size);
// The same shapes as a standalone SVG document.
std::string IconSvg();

}  // namespace kq::gen
