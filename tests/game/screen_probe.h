#pragma once
// Pictures painted in colours of their own, so that a drawn screen tells which picture the player
// sees at a point: layout tests check the screen, not the numbers that lead to it.
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "engine/canvas.h"
#include "engine/image_list.h"
#include "engine/sprite.h"

namespace kq::test {

class TScreenProbe {
 public:
  static constexpr uint32_t kBackground = 0xFF808080u;

  // Adds or replaces a picture of `count` patterns of w x h, all in the picture's colour.
  void Paint(TImageList& list, const std::string& name, int w, int h, int count = 1) {
    names_.push_back(name);
    TPictureItem& it = list.Replace(name);
    it.Source = Bitmap(w * count, h, ColorOf(names_.size() - 1));
    it.PatternWidth = w;
    it.PatternHeight = h;
    it.Restore();
  }

  // Every visible sprite of the engine, drawn onto an empty screen.
  void Draw(TSpriteEngine& engine) {
    screen_ = Bitmap(640, 480, kBackground);
    BitmapCanvas canvas(screen_);
    Canvas* before = engine.Surface;
    engine.Surface = &canvas;
    engine.DrawSprites();
    engine.Surface = before;
  }

  // The picture whose colour shows at (x, y): "" for the empty screen, "#rrggbb" for a colour
  // that is no picture's own (blended or tinted).
  std::string At(int x, int y) const {
    const uint32_t c = screen_.At(x, y);
    if (c == kBackground) return "";
    for (size_t i = 0; i < names_.size(); ++i)
      if (c == ColorOf(i)) return names_[i];
    std::ostringstream o;
    o << '#' << std::hex << std::setw(6) << std::setfill('0') << (c & 0xFFFFFFu);
    return o.str();
  }

 private:
  static uint32_t ColorOf(size_t i) { return 0xFF000000u | uint32_t((i + 1) * 0x0B1D2Fu & 0xFFFFFFu); }

  std::vector<std::string> names_;
  Bitmap screen_{640, 480, kBackground};
};

}  // namespace kq::test
