#pragma once
// TrueType text for the option lists: a face found through fontconfig, rendered with SDL_ttf into
// plain bitmaps. Needs no display, so the headless runner and the tests draw the same text.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bitmap.h"

namespace kq {

struct TTextSize {
  int W = 0;
  int H = 0;
};

class TTextRenderer {
 public:
  // The first pattern that fontconfig resolves to a font file SDL_ttf can open, at pointSize
  // points on a 96-dpi screen. A pattern with requireFamily set counts only when the match
  // really is that family (fontconfig otherwise answers with its nearest face). Null when no
  // pattern gives a font.
  struct Choice {
    std::string Pattern;
    bool RequireFamily = false;
  };
  static std::unique_ptr<TTextRenderer> Open(const std::vector<Choice>& choices, int pointSize);
  // A font file opened directly (another size of a face found before).
  static std::unique_ptr<TTextRenderer> OpenFile(const std::string& path, int pointSize);
  // IPAGothic first, then any fixed-pitch face that covers Japanese, then any fixed-pitch face.
  static std::unique_ptr<TTextRenderer> OpenListFont(int pointSize);

  ~TTextRenderer();
  TTextRenderer(const TTextRenderer&) = delete;
  TTextRenderer& operator=(const TTextRenderer&) = delete;

  const std::string& File() const { return file_; }
  const std::string& Family() const { return family_; }
  // Line height of the face.
  int Height() const;
  // Size of one line of UTF-8 text (0 wide for empty text).
  TTextSize Measure(std::string_view utf8) const;
  // The text in colour rgb on transparent pixels (alpha carries the glyph coverage); empty for
  // empty text.
  Bitmap Render(std::string_view utf8, uint32_t rgb) const;

 private:
  struct Impl;
  explicit TTextRenderer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::string file_;
  std::string family_;
};

}  // namespace kq
