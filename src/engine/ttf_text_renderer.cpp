#include "engine/ttf_text_renderer.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <fstream>
#include <string>
#include <unordered_map>

namespace kq {

namespace {

bool Readable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return bool(in);
}

bool SameFamily(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

struct FontFile {
  std::string Path;
  std::string Family;
};

// The wanted family of a pattern: the text before the first ':' or '-'.
std::string PatternFamily(const std::string& pattern) {
  size_t end = pattern.find_first_of(":-");
  return pattern.substr(0, end);
}

// Resolves a pattern in a private fontconfig configuration, so nothing stays behind in the
// library's global state once the font is open.
FontFile Resolve(FcConfig* config, const TTtfTextRenderer::Choice& choice) {
  FontFile out;
  FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(choice.Pattern.c_str()));
  if (!pat) return out;
  FcConfigSubstitute(config, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pat, &res);
  FcPatternDestroy(pat);
  if (!match) return out;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
    out.Path = reinterpret_cast<const char*>(file);
  FcChar8* family = nullptr;
  bool familyOk = !choice.RequireFamily;
  std::string wanted = PatternFamily(choice.Pattern);
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch && family; ++i) {
    std::string name = reinterpret_cast<const char*>(family);
    if (i == 0) out.Family = name;
    if (SameFamily(name, wanted)) familyOk = true;
  }
  FcPatternDestroy(match);
  if (!familyOk || out.Path.empty() || !Readable(out.Path)) return {};
  return out;
}

}  // namespace

struct TTtfTextRenderer::Impl {
  TTF_Font* Font = nullptr;
  // Sizes measured before: screens measure the same few texts every frame, and shaping them
  // again each time costs more than drawing them.
  std::unordered_map<std::string, TTextSize> Measured;
  ~Impl() {
    if (Font) TTF_CloseFont(Font);
    TTF_Quit();  // SDL_ttf counts its users
  }
};

TTtfTextRenderer::TTtfTextRenderer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TTtfTextRenderer::~TTtfTextRenderer() = default;

std::unique_ptr<TTtfTextRenderer> TTtfTextRenderer::Open(const std::vector<Choice>& choices, int pointSize) {
  if (TTF_Init() != 0) return nullptr;
  auto impl = std::make_unique<Impl>();
  FontFile found;
  if (FcConfig* config = FcInitLoadConfigAndFonts()) {
    for (const Choice& c : choices) {
      FontFile f = Resolve(config, c);
      if (f.Path.empty()) continue;
      impl->Font = TTF_OpenFontDPI(f.Path.c_str(), pointSize, 96, 96);
      if (impl->Font) {
        found = f;
        break;
      }
    }
    FcConfigDestroy(config);
  }
  if (!impl->Font) return nullptr;  // Impl's destructor balances TTF_Init
  TTF_SetFontHinting(impl->Font, TTF_HINTING_NORMAL);
  std::unique_ptr<TTtfTextRenderer> r(new TTtfTextRenderer(std::move(impl)));
  r->file_ = found.Path;
  r->family_ = found.Family;
  return r;
}

std::unique_ptr<TTtfTextRenderer> TTtfTextRenderer::OpenFile(const std::string& path, int pointSize) {
  if (TTF_Init() != 0) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->Font = TTF_OpenFontDPI(path.c_str(), pointSize, 96, 96);
  if (!impl->Font) return nullptr;
  TTF_SetFontHinting(impl->Font, TTF_HINTING_NORMAL);
  std::unique_ptr<TTtfTextRenderer> r(new TTtfTextRenderer(std::move(impl)));
  r->file_ = path;
  if (const char* family = TTF_FontFaceFamilyName(r->impl_->Font)) r->family_ = family;
  return r;
}

std::unique_ptr<TTtfTextRenderer> TTtfTextRenderer::OpenListFont(int pointSize) {
  return Open({{"IPAGothic", true}, {"monospace:lang=ja:spacing=mono", false}, {"monospace", false}},
              pointSize);
}

int TTtfTextRenderer::Height() const {
  return TTF_FontHeight(impl_->Font);
}

TTextSize TTtfTextRenderer::Measure(std::string_view utf8) const {
  TTextSize s;
  if (utf8.empty()) return s;
  std::string text(utf8);
  if (auto it = impl_->Measured.find(text); it != impl_->Measured.end()) return it->second;
  if (TTF_SizeUTF8(impl_->Font, text.c_str(), &s.W, &s.H) != 0) return {};
  if (impl_->Measured.size() >= 1024) impl_->Measured.clear();  // texts made on the fly stay few
  impl_->Measured.emplace(std::move(text), s);
  return s;
}

Bitmap TTtfTextRenderer::Render(std::string_view utf8, uint32_t rgb) const {
  if (utf8.empty()) return {};
  std::string text(utf8);
  SDL_Surface* glyphs = TTF_RenderUTF8_Blended(impl_->Font, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (!glyphs) return {};
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(glyphs);
  if (!argb) return {};
  Bitmap out(argb->w, argb->h, 0);
  SDL_LockSurface(argb);
  for (int y = 0; y < argb->h; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < argb->w; ++x) out.At(x, y) = (row[x] & 0xFF000000u) | (rgb & 0xFFFFFFu);
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return out;
}

}  // namespace kq
