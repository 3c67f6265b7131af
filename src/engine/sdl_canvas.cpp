#include "engine/sdl_canvas.h"

#include <algorithm>

namespace kq {

namespace {

struct DeviceTexture {
  SDL_Texture* Tex = nullptr;
  int W = 0, H = 0;
  bool Opaque = false;  // every pixel has full alpha: blending it changes nothing
  std::weak_ptr<int> Alive;
  ~DeviceTexture() {
    if (Tex && !Alive.expired()) SDL_DestroyTexture(Tex);
  }
};

SDL_BlendMode ToSdl(BlendMode m) {
  switch (m) {
    case BlendMode::Opaque:
      return SDL_BLENDMODE_NONE;
    case BlendMode::Alpha:
      return SDL_BLENDMODE_BLEND;
    case BlendMode::Add:
      return SDL_BLENDMODE_ADD;
  }
  return SDL_BLENDMODE_BLEND;
}

}  // namespace

SdlCanvas::SdlCanvas(SDL_Renderer* r) : renderer_(r), alive_(std::make_shared<int>(0)) {}

SdlCanvas::~SdlCanvas() = default;

SDL_Texture* SdlCanvas::Texture(const TImage& img) {
  const Bitmap& px = img.Pixels();
  if (px.Empty()) return nullptr;
  auto* dev = static_cast<DeviceTexture*>(img.DeviceCopy.get());
  // Made by this canvas (which holds alive_, so the copy's texture lives): compared by owner,
  // which takes no lock on a path every draw goes through.
  bool fresh = dev && img.DeviceGeneration == generation_ && !dev->Alive.owner_before(alive_) &&
               !alive_.owner_before(dev->Alive);
  if (fresh && img.DeviceVersion == img.Version()) return dev->Tex;
  if (!fresh || dev->W != px.Width || dev->H != px.Height) {
    auto made = std::make_shared<DeviceTexture>();
    made->Tex =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, px.Width, px.Height);
    if (!made->Tex) return nullptr;
    made->W = px.Width;
    made->H = px.Height;
    made->Alive = alive_;
    img.DeviceCopy = made;
    dev = made.get();
  }
  SDL_UpdateTexture(dev->Tex, nullptr, px.Pixels.data(), px.Width * 4);
  dev->Opaque = std::all_of(px.Pixels.begin(), px.Pixels.end(), [](uint32_t p) { return p >> 24 == 0xFF; });
  img.DeviceGeneration = generation_;
  img.DeviceVersion = img.Version();
  return dev->Tex;
}

void SdlCanvas::Clear(uint32_t rgb) {
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
  SDL_RenderClear(renderer_);
}

void SdlCanvas::FillRect(const RectI& r, uint32_t rgb, uint8_t alpha, BlendMode mode) {
  if (r.Empty()) return;
  SDL_SetRenderDrawBlendMode(renderer_, ToSdl(mode));
  SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF,
                         mode == BlendMode::Opaque ? 255 : alpha);
  SDL_Rect rect{r.X, r.Y, r.W, r.H};
  SDL_RenderFillRect(renderer_, &rect);
}

void SdlCanvas::DoDrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha,
                            BlendMode mode, uint32_t colorMod, double angleDeg) {
  if (src.Empty() || dst.W <= 0 || dst.H <= 0) return;
  SDL_Texture* tex = Texture(img);
  if (!tex) return;
  // An opaque picture drawn at full alpha is a copy: the software renderer copies far faster
  // than it blends (the play screen's background is one, every frame).
  const bool copy = mode == BlendMode::Alpha && alpha == 255 &&
                    static_cast<const DeviceTexture*>(img.DeviceCopy.get())->Opaque;
  SDL_SetTextureBlendMode(tex, ToSdl(copy ? BlendMode::Opaque : mode));
  SDL_SetTextureAlphaMod(tex, alpha);
  SDL_SetTextureColorMod(tex, (colorMod >> 16) & 0xFF, (colorMod >> 8) & 0xFF, colorMod & 0xFF);
  SDL_Rect s{src.X, src.Y, src.W, src.H};
  SDL_FRect d{float(dst.X), float(dst.Y), float(dst.W), float(dst.H)};
  if (angleDeg == 0)
    SDL_RenderCopyF(renderer_, tex, &s, &d);
  else
    SDL_RenderCopyExF(renderer_, tex, &s, &d, angleDeg, nullptr, SDL_FLIP_NONE);
}

}  // namespace kq
