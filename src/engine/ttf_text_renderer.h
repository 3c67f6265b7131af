#pragma once
// TrueType text for the option lists and message boxes: a face found through fontconfig,
// rendered with SDL_ttf into plain bitmaps. Needs no display, so the headless runner draws the
// same text as a window.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text_renderer.h"

namespace kq {

class TTtfTextRenderer final : public ITextRenderer {
 public:
  // The first pattern that fontconfig resolves to a font file SDL_ttf can open, at pointSize
  // points on a 96-dpi screen. A pattern with requireFamily set counts only when the match
  // really is that family (fontconfig otherwise answers with its nearest face). Null when no
  // pattern gives a font.
  struct Choice {
    std::string Pattern;
    bool RequireFamily = false;
  };
  static std::unique_ptr<TTtfTextRenderer> Open(const std::vector<Choice>& choices, int pointSize);
  // A font file opened directly (another size of a face found before).
  static std::unique_ptr<TTtfTextRenderer> OpenFile(const std::string& path, int pointSize);
  // IPAGothic first, then any fixed-pitch face that covers Japanese, then any fixed-pitch face.
  static std::unique_ptr<TTtfTextRenderer> OpenListFont(int pointSize);

  ~TTtfTextRenderer() override;
  TTtfTextRenderer(const TTtfTextRenderer&) = delete;
  TTtfTextRenderer& operator=(const TTtfTextRenderer&) = delete;

  const std::string& File() const override { return file_; }
  const std::string& Family() const override { return family_; }
  int Height() const override;
  TTextSize Measure(std::string_view utf8) const override;
  Bitmap Render(std::string_view utf8, uint32_t rgb) const override;

 private:
  struct Impl;
  explicit TTtfTextRenderer(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::string file_;
  std::string family_;
};

}  // namespace kq
