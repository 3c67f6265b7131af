#include "gen_pictures/text.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <fstream>
#include <mutex>

namespace kq::gen {

namespace {

const char* FacePattern(Face f) {
  switch (f) {
    case Face::Sans:
      return "DejaVu Sans:style=Book";
    case Face::SansBold:
      return "DejaVu Sans:style=Bold";
    case Face::SansCond:
      return "DejaVu Sans Condensed:style=Condensed";
    case Face::SansCondBold:
      return "DejaVu Sans Condensed:style=Condensed Bold";
    case Face::SansBoldOblique:
      return "DejaVu Sans:style=Bold Oblique";
    case Face::Serif:
      return "DejaVu Serif:style=Book";
    case Face::SerifBold:
      return "DejaVu Serif:style=Bold";
    case Face::SerifItalic:
      return "DejaVu Serif:style=Italic";
    case Face::MonoBold:
      return "DejaVu Sans Mono:style=Bold";
  }
  return "sans";
}

bool BoldFace(Face f) {
  return f == Face::SansBold || f == Face::SansCondBold || f == Face::SansBoldOblique ||
         f == Face::SerifBold || f == Face::MonoBold;
}

bool Readable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return bool(in);
}

}  // namespace

struct Fonts::Impl {
  std::mutex lock;  // pictures are drawn on several threads; SDL_ttf is not thread-safe
  bool ttfReady = false;
  std::map<Face, std::string> files;
  std::map<std::pair<Face, int>, TTF_Font*> open;

  std::string FileOf(Face face) {
    auto it = files.find(face);
    if (it != files.end()) return it->second;
    std::string path;
    if (FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(FacePattern(face)))) {
      FcConfigSubstitute(nullptr, pat, FcMatchPattern);
      FcDefaultSubstitute(pat);
      FcResult res = FcResultNoMatch;
      if (FcPattern* match = FcFontMatch(nullptr, pat, &res)) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
          path = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
      }
      FcPatternDestroy(pat);
    }
    if (!path.empty() && !Readable(path)) path.clear();
    files[face] = path;
    return path;
  }

  TTF_Font* Open(Face face, int px) {
    auto key = std::make_pair(face, px);
    auto it = open.find(key);
    if (it != open.end()) return it->second;
    TTF_Font* font = nullptr;
    std::string file = ttfReady ? FileOf(face) : std::string();
    if (!file.empty()) font = TTF_OpenFont(file.c_str(), px);
    if (font) TTF_SetFontHinting(font, px >= 14 ? TTF_HINTING_LIGHT : TTF_HINTING_NORMAL);
    open[key] = font;
    return font;
  }

  ~Impl() {
    for (auto& [k, f] : open)
      if (f) TTF_CloseFont(f);
    if (ttfReady) TTF_Quit();
    // Releases fontconfig's caches; nothing else in the generator uses it.
    FcFini();
  }
};

Fonts::Fonts() : impl_(std::make_unique<Impl>()) {
  impl_->ttfReady = TTF_Init() == 0;
  if (!impl_->ttfReady)
    std::fprintf(stderr, "kq_gen_pictures: no TrueType (%s), using the built-in face\n", TTF_GetError());
}

Fonts::~Fonts() = default;

TextLine Fonts::Render(const std::string& utf8, Face face, int px) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  TTF_Font* font = builtIn_ ? nullptr : impl_->Open(face, px);
  if (!font) return RenderBuiltIn(utf8, px, BoldFace(face));
  TextLine line;
  line.Baseline = TTF_FontAscent(font);
  int w = 0, h = 0;
  TTF_SizeUTF8(font, utf8.c_str(), &w, &h);
  line.Width = w;
  SDL_Surface* s =
      utf8.empty() ? nullptr : TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
  if (!s) {
    line.M = Mask(std::max(w, 1), std::max(TTF_FontHeight(font), 1));
    return line;
  }
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(s);
  if (!argb) return RenderBuiltIn(utf8, px, BoldFace(face));
  line.M = Mask(argb->w, argb->h);
  SDL_LockSurface(argb);
  for (int y = 0; y < argb->h; ++y) {
    const uint32_t* row =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < argb->w; ++x) line.M.Ref(x, y) = float(row[x] >> 24) / 255.f;
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return line;
}

int Fonts::Measure(const std::string& utf8, Face face, int px) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  TTF_Font* font = builtIn_ ? nullptr : impl_->Open(face, px);
  if (!font) return RenderBuiltIn(utf8, px, BoldFace(face)).Width;
  int w = 0, h = 0;
  TTF_SizeUTF8(font, utf8.c_str(), &w, &h);
  return w;
}

TextLine RenderBuiltIn(const std::string& text, int px, bool bold) {
  // Source grid: 6 columns per character, 2 rows of headroom, 7 rows to the baseline, 2 below.
  const int kRows = 11, kCell = 6;
  std::vector<unsigned char> chars;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      // A multi-byte UTF-8 character shows as one box.
      while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
      c = 0x7F;
    }
    chars.push_back(c);
  }
  int srcW = std::max(1, int(chars.size()) * kCell);
  std::vector<float> src(size_t(srcW) * kRows, 0.f);
  for (size_t n = 0; n < chars.size(); ++n) {
    const unsigned char* g = BuiltInGlyph(chars[n]);
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < 5; ++c)
        if (g[r] & (0x10 >> c)) {
          int x = int(n) * kCell + c;
          src[size_t(r + 2) * size_t(srcW) + size_t(x)] = 1.f;
          if (bold && x + 1 < srcW) src[size_t(r + 2) * size_t(srcW) + size_t(x + 1)] = 1.f;
        }
  }
  // Cap height of a TrueType face is about 0.73 em; match it, then area-sample.
  float s = std::max(0.5f, float(px) * 0.73f / 7.f);
  // Slightly narrower than tall, as the TrueType faces are, so layouts fit either way.
  float sx = s * 0.82f;
  TextLine line;
  line.Width = int(std::lround(float(chars.size() * kCell) * sx));
  line.Baseline = int(std::lround(9 * s));
  line.M = Mask(std::max(1, int(std::ceil(float(srcW) * sx))), int(std::ceil(float(kRows) * s)));
  for (int y = 0; y < line.M.H; ++y) {
    float v0 = float(y) / s, v1 = float(y + 1) / s;
    for (int x = 0; x < line.M.W; ++x) {
      float u0 = float(x) / sx, u1 = float(x + 1) / sx;
      float sum = 0;
      for (int iy = int(v0); iy < kRows && float(iy) < v1; ++iy) {
        float oy = std::min(v1, float(iy + 1)) - std::max(v0, float(iy));
        for (int ix = int(u0); ix < srcW && float(ix) < u1; ++ix) {
          float ox = std::min(u1, float(ix + 1)) - std::max(u0, float(ix));
          sum += src[size_t(iy) * size_t(srcW) + size_t(ix)] * ox * oy;
        }
      }
      line.M.Ref(x, y) = std::clamp(sum * s * sx, 0.f, 1.f);
    }
  }
  return line;
}

namespace {

struct TextImage {
  Layer L;
  int originX = 0, originY = 0;  // pen start on the baseline, in L
  int width = 0;
  Box ink{0, 0, 0, 0};
};

Mask Shear(const Mask& m, float shear, int baseline) {
  if (shear == 0) return m;
  Mask out(m.W, m.H);
  for (int y = 0; y < m.H; ++y) {
    float shift = shear * float(baseline - y);
    int is = int(std::floor(shift));
    float f = shift - float(is);
    for (int x = 0; x < m.W; ++x) out.Ref(x, y) = m.At(x - is, y) * (1 - f) + m.At(x - is - 1, y) * f;
  }
  return out;
}

Box InkBox(const Mask& m) {
  Box b{m.W, m.H, 0, 0};
  for (int y = 0; y < m.H; ++y)
    for (int x = 0; x < m.W; ++x)
      if (m.At(x, y) > 0.1f) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x + 1);
        b.y1 = std::max(b.y1, y + 1);
      }
  if (b.x1 <= b.x0) b = {0, 0, 0, 0};
  return b;
}

TextImage Compose(Fonts& f, const std::string& text, const TextFx& fx) {
  TextLine t = f.Render(text, fx.face, fx.size);
  float shear = fx.italicShear;
  int pad = int(std::ceil(fx.outlineWidth + float(fx.glowRadius) * 1.5f + float(fx.shadowBlur) +
                          float(std::max(std::abs(fx.shadowDx), std::abs(fx.shadowDy))) +
                          std::fabs(shear) * float(t.M.H))) +
            2;
  Mask m = Shear(PadMask(t.M, pad), shear, t.Baseline + pad);
  TextImage img;
  img.L = Layer(m.W, m.H);
  img.originX = pad;
  img.originY = t.Baseline + pad;
  img.width = t.Width;
  img.ink = InkBox(m);
  Mask outline = fx.outlineWidth > 0 ? Dilate(m, fx.outlineWidth) : m;
  if (fx.glowRadius > 0 && fx.glow.a > 0) {
    Mask g = BlurMask(Dilate(outline, float(fx.glowRadius) * 0.5f), fx.glowRadius);
    DrawMask(img.L, g, 0, 0, fx.glow);
  }
  if (fx.shadow.a > 0) {
    Mask s = fx.shadowBlur > 0 ? BlurMask(outline, fx.shadowBlur) : outline;
    DrawMask(img.L, s, fx.shadowDx, fx.shadowDy, fx.shadow);
  }
  if (fx.outlineWidth > 0 && fx.outline.a > 0) DrawMask(img.L, outline, 0, 0, fx.outline);
  const Gradient& g = fx.fill;
  if (fx.fillAcross) {
    float left = float(img.ink.x0), right = float(std::max(img.ink.x1, img.ink.x0 + 1));
    DrawMask(img.L, m, 0, 0, [&](Vec p) { return g.At((p.x - left) / (right - left)); });
  } else {
    float top = float(img.ink.y0), bottom = float(std::max(img.ink.y1, img.ink.y0 + 1));
    DrawMask(img.L, m, 0, 0, [&](Vec p) { return g.At((p.y - top) / (bottom - top)); });
  }
  return img;
}

}  // namespace

int DrawText(Layer& l, Fonts& f, const std::string& text, float x, float y, Align align, const TextFx& fx) {
  TextImage img = Compose(f, text, fx);
  float start = align == Align::Left     ? x
                : align == Align::Center ? x - float(img.width) / 2
                                         : x - float(img.width);
  l.Draw(img.L, int(std::lround(start)) - img.originX, int(std::lround(y)) - img.originY);
  return img.width;
}

void DrawTextCentered(Layer& l, Fonts& f, const std::string& text, float cx, float cy, const TextFx& fx) {
  TextImage img = Compose(f, text, fx);
  float ix = float(img.ink.x0 + img.ink.x1) / 2, iy = float(img.ink.y0 + img.ink.y1) / 2;
  l.Draw(img.L, int(std::lround(cx - ix)), int(std::lround(cy - iy)));
}

TextFx FitWidth(Fonts& f, const std::string& text, TextFx fx, int maxWidth) {
  while (fx.size > 6 && f.Measure(text, fx.face, fx.size) > maxWidth) --fx.size;
  return fx;
}

std::vector<std::string> WrapText(Fonts& f, const std::string& text, Face face, int px, int maxWidth) {
  std::vector<std::string> lines;
  std::string line, word;
  auto flushWord = [&]() {
    if (word.empty()) return;
    std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && f.Measure(candidate, face, px) > maxWidth) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    word.clear();
  };
  for (char c : text) {
    if (c == ' ') {
      flushWord();
    } else if (c == '\n') {
      flushWord();
      lines.push_back(line);
      line.clear();
    } else {
      word += c;
    }
  }
  flushWord();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace kq::gen
