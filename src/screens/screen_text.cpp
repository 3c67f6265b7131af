#include "screens/screen_text.h"

#include <algorithm>

#include "core/context.h"
#include "screens/option_screens.h"

namespace kq {

namespace {

size_t Utf8Len(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// The lists' face, shared with the option screens (null: the picture fonts).
const ITextRenderer* Face(const GameContext& g) {
  const TOptionScreens* o = FindOptionLists(g);
  return o ? o->Font.get() : nullptr;
}

// Rendering a line is far dearer than drawing it: each text is rendered once, in white, and
// tinted when drawn.
const TImage& Rendered(GameContext& g, std::string_view s) {
  auto& cache = g.ScreenTexts;
  if (auto it = cache.find(std::string(s)); it != cache.end()) return it->second;
  if (cache.size() > 512) cache.clear();  // a long scroll of a big list: start over
  TImage img;
  if (const ITextRenderer* f = Face(g)) {
    img.SetPixels(f->Render(s, 0xFFFFFF));
  } else {
    Bitmap scratch(std::max(ScreenTextWidth(g, s), 1) + 20, ScreenLineHeight(g), 0);
    BitmapCanvas sc(scratch);
    DrawGlyphText(g, sc, 0, s, 0);
    img.SetPixels(std::move(scratch));
  }
  return cache.emplace(std::string(s), std::move(img)).first->second;
}

}  // namespace

int ScreenLineHeight(const GameContext& g) {
  if (const ITextRenderer* f = Face(g)) return f->Height();
  const TPictureItem* f1 = g.DXImageList1.Find("FONT1");
  return f1 ? f1->PatH() : 16;
}

int ScreenTextWidth(const GameContext& g, std::string_view s) {
  if (const ITextRenderer* f = Face(g)) return f->Measure(s).W;
  int w = 0;  // the picture fonts: 10 pixels a byte, 20 for a multi-byte character
  for (size_t i = 0; i < s.size(); i += Utf8Len(static_cast<unsigned char>(s[i])))
    w += static_cast<unsigned char>(s[i]) >= 0x80 ? 20 : 10;
  return w;
}

std::string FitScreenText(const GameContext& g, std::string s, int maxW) {
  if (maxW <= 0 || ScreenTextWidth(g, s) <= maxW) return s;
  while (!s.empty()) {
    size_t cut = s.size() - 1;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    s.resize(cut);
    if (ScreenTextWidth(g, s + "..") <= maxW) break;
  }
  return s + "..";
}

void DrawScreenText(GameContext& g, Canvas& c, int x, int y, std::string_view s, uint32_t rgb) {
  if (s.empty() || g.NoRender) return;
  const TImage& img = Rendered(g, s);
  if (img.Pixels().Empty()) return;
  auto at = [&](int dx, int dy, uint32_t colour) {
    c.DrawImage(img, {0, 0, img.Width(), img.Height()},
                {double(x + dx), double(y + dy), double(img.Width()), double(img.Height())}, 255,
                BlendMode::Alpha, colour);
  };
  at(1, 1, 0x000000);
  at(0, 0, rgb);
}

}  // namespace kq
