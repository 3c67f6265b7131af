#pragma once
// The image list: every picture by name, each a strip of equal patterns numbered row by row.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bitmap.h"
#include "engine/canvas.h"

namespace kq {

struct TPictureItem {
  std::string Name;
  bool Transparent = false;
  uint32_t TransparentColor = 0;  // 24-bit RGB
  int PatternWidth = 0;           // 0 = the whole picture
  int PatternHeight = 0;
  Bitmap Source;  // pixels as loaded, unkeyed
  TImage Image;   // what the display draws: Source with the colour key in its alpha

  int Width() const { return Source.Width; }
  int Height() const { return Source.Height; }
  int PatW() const { return PatternWidth > 0 ? PatternWidth : Source.Width; }
  int PatH() const { return PatternHeight > 0 ? PatternHeight : Source.Height; }
  int PatternCount() const;
  // Empty rectangle for a pattern the picture does not have.
  RectI PatternRect(int pattern) const;
  // Rebuilds Image from Source and the key (after load, cut or a key change).
  void Restore();

  void Draw(Canvas& c, int x, int y, int pattern, uint8_t alpha = 255) const;
  void StretchDraw(Canvas& c, const RectI& dst, int pattern, uint8_t alpha = 255) const;
};

class TImageList {
 public:
  // Case-insensitive, like every name lookup of the game.
  TPictureItem* Find(std::string_view name) const;
  // Returns the item of that name, emptied for reuse, or a new one appended. Replacing in place
  // keeps every sprite that points at the item valid.
  TPictureItem& Replace(std::string_view name);
  void Remove(std::string_view name);
  int Count() const { return int(items_.size()); }
  const TPictureItem& operator[](int i) const { return *items_[size_t(i)]; }
  TPictureItem& operator[](int i) { return *items_[size_t(i)]; }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TPictureItem>> items_;
};

bool SameText(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view s);

}  // namespace kq
