#pragma once
// Canvas over an SDL renderer (window or software surface). Engine-internal.
#include <SDL.h>

#include <memory>

#include "engine/canvas.h"

namespace kq {

class SdlCanvas : public Canvas {
 public:
  explicit SdlCanvas(SDL_Renderer* r);
  ~SdlCanvas() override;
  int Width() const override { return 640; }
  int Height() const override { return 480; }
  void Clear(uint32_t rgb) override;
  void FillRect(const RectI& r, uint32_t rgb, uint8_t alpha, BlendMode mode) override;
  // Textures made before a device reset are stale: everything re-uploads on next use.
  void DeviceReset() { ++generation_; }
  // Uploads now so the first draw does not stall.
  void Prepare(const TImage& img) override { Texture(img); }

 protected:
  void DoDrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha, BlendMode mode,
                   uint32_t colorMod, double angleDeg) override;

 private:
  SDL_Texture* Texture(const TImage& img);
  SDL_Renderer* renderer_;
  uint64_t generation_ = 1;
  std::shared_ptr<int> alive_;  // device copies check it before destroying their texture
};

}  // namespace kq
