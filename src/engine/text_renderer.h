#pragma once
// Text drawn into plain bitmaps, as the option lists and message boxes need it. The TrueType
// implementation lives beside the platform (ttf_text_renderer.h); tests use one of their own.
#include <string>
#include <string_view>

#include "engine/bitmap.h"

namespace kq {

struct TTextSize {
  int W = 0;
  int H = 0;
};

class ITextRenderer {
 public:
  virtual ~ITextRenderer() = default;
  // The font file and family behind the text, for other sizes of the same face and for messages.
  virtual const std::string& File() const = 0;
  virtual const std::string& Family() const = 0;
  // Line height of the face.
  virtual int Height() const = 0;
  // Size of one line of UTF-8 text (0 wide for empty text).
  virtual TTextSize Measure(std::string_view utf8) const = 0;
  // The text in colour rgb on transparent pixels (alpha carries the glyph coverage); empty for
  // empty text.
  virtual Bitmap Render(std::string_view utf8, uint32_t rgb) const = 0;
};

}  // namespace kq
