#pragma once
// The drawing interface everything above the platform layer draws through. The SDL renderer
// implements it for the window and the headless frame; BitmapCanvas draws into memory (prepared
// surfaces, tests).
#include <cstdint>
#include <memory>

#include "engine/bitmap.h"

namespace kq {

struct RectI {
  int X = 0, Y = 0, W = 0, H = 0;
  int Right() const { return X + W; }
  int Bottom() const { return Y + H; }
  bool Empty() const { return W <= 0 || H <= 0; }
};

struct RectF {
  double X = 0, Y = 0, W = 0, H = 0;
};

enum class BlendMode : uint8_t {
  Opaque,  // copy, alpha ignored
  Alpha,   // source-alpha / inverse-source-alpha
  Add,     // additive (one / one)
};

// A picture the display can draw: pixels in memory (alpha already carries the colour key) plus
// a device copy that a canvas makes on demand and remakes after a device reset or an edit.
class TImage {
 public:
  TImage() = default;
  explicit TImage(Bitmap pixels) : pixels_(std::move(pixels)) {}

  const Bitmap& Pixels() const { return pixels_; }
  void SetPixels(Bitmap pixels) {
    pixels_ = std::move(pixels);
    ++version_;
  }
  // Edit in place; call Touch() afterwards so devices re-upload.
  Bitmap& EditPixels() { return pixels_; }
  void Touch() { ++version_; }
  uint64_t Version() const { return version_; }
  int Width() const { return pixels_.Width; }
  int Height() const { return pixels_.Height; }

  // Owned by the canvas that uploaded the pixels; opaque to everybody else.
  mutable std::shared_ptr<void> DeviceCopy;
  mutable uint64_t DeviceVersion = 0;
  mutable uint64_t DeviceGeneration = 0;

 private:
  Bitmap pixels_;
  uint64_t version_ = 1;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void Clear(uint32_t rgb) = 0;
  virtual void FillRect(const RectI& r, uint32_t rgb, uint8_t alpha = 255,
                        BlendMode mode = BlendMode::Opaque) = 0;
  // Draws the src rectangle of img stretched onto dst. colorMod multiplies RGB (0xFFFFFF = as is),
  // alpha multiplies the image's alpha, angle rotates clockwise (degrees) around dst's centre.
  void DrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha = 255,
                 BlendMode mode = BlendMode::Alpha, uint32_t colorMod = 0xFFFFFF, double angleDeg = 0) {
    DoDrawImage(img, src, dst, alpha, mode, colorMod, angleDeg);
  }
  // Makes the device copy now so the first draw does not stall.
  virtual void Prepare(const TImage&) {}
  // Copies a whole image 1:1 at (x, y); transparent pixels stay transparent.
  void Blit(const TImage& img, int x, int y) {
    DrawImage(img, {0, 0, img.Width(), img.Height()},
              {double(x), double(y), double(img.Width()), double(img.Height())});
  }

 protected:
  virtual void DoDrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha,
                           BlendMode mode, uint32_t colorMod, double angleDeg) = 0;
};

// Software canvas over a Bitmap in memory (nearest-neighbour sampling).
class BitmapCanvas : public Canvas {
 public:
  explicit BitmapCanvas(Bitmap& target) : target_(target) {}
  int Width() const override { return target_.Width; }
  int Height() const override { return target_.Height; }
  void Clear(uint32_t rgb) override;
  void FillRect(const RectI& r, uint32_t rgb, uint8_t alpha, BlendMode mode) override;

 protected:
  void DoDrawImage(const TImage& img, const RectI& src, const RectF& dst, uint8_t alpha, BlendMode mode,
                   uint32_t colorMod, double angleDeg) override;

 private:
  void Plot(int x, int y, uint32_t argb, BlendMode mode);
  Bitmap& target_;
};

}  // namespace kq
