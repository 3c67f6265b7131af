#pragma once
// Text for the pictures: TrueType faces found through fontconfig and rendered with SDL_ttf, or a
// built-in bitmap face when no font is installed, so the build never depends on one.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gen_pictures/paint.h"

namespace kq::gen {

enum class Face {
  Sans,
  SansBold,
  SansCond,
  SansCondBold,
  SansBoldOblique,
  Serif,
  SerifBold,
  SerifItalic,
  MonoBold
};

// One rendered line: coverage mask of the line box, baseline row and advance width.
struct TextLine {
  Mask M;
  int Baseline = 0;
  int Width = 0;
};

// One set of faces for the whole pack; safe to share between threads.
class Fonts {
 public:
  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // Forces the built-in face (tests and machines without fonts).
  void UseBuiltIn() { builtIn_ = true; }
  bool UsingBuiltIn() const { return builtIn_; }
  TextLine Render(const std::string& utf8, Face face, int px);
  int Measure(const std::string& utf8, Face face, int px);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool builtIn_ = false;
};

// The built-in 5 x 7 face (ASCII 0x20..0x7E): row bits of one glyph, bit 4 the leftmost column,
// rows 0..6 above the baseline and 7..8 the descender.
const unsigned char* BuiltInGlyph(unsigned char c);
TextLine RenderBuiltIn(const std::string& text, int px, bool bold);

enum class Align { Left, Center, Right };

// How a line of text looks: fill, outline, drop shadow and glow.
struct TextFx {
  Face face = Face::SansBold;
  int size = 16;
  Gradient fill{Hex(0xFFFFFF), Hex(0xFFFFFF)};  // top to bottom of the glyphs' ink
  Color outline{0, 0, 0, 0};
  float outlineWidth = 0;
  Color shadow{0, 0, 0, 0};
  int shadowDx = 0, shadowDy = 0, shadowBlur = 0;
  Color glow{0, 0, 0, 0};
  int glowRadius = 0;
  float italicShear = 0;    // extra slant, pixels per pixel of height
  bool fillAcross = false;  // the fill runs left to right instead of top to bottom
};

// Draws one line with its baseline at y, anchored at x by align. Returns the drawn width.
int DrawText(Layer& l, Fonts& f, const std::string& text, float x, float y, Align align, const TextFx& fx);
// Draws one line whose ink is centred on (cx, cy).
void DrawTextCentered(Layer& l, Fonts& f, const std::string& text, float cx, float cy, const TextFx& fx);
// Shrinks fx.size until the text fits maxWidth.
TextFx FitWidth(Fonts& f, const std::string& text, TextFx fx, int maxWidth);
// Wraps a paragraph into lines no wider than maxWidth.
std::vector<std::string> WrapText(Fonts& f, const std::string& text, Face face, int px, int maxWidth);

}  // namespace kq::gen
