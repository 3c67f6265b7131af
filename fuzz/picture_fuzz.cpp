// Any bytes as a picture under GRP: the PNG and the BMP decoder either give a picture inside
// the size limit with every pixel opaque, or throw their decode error. A leak on an error path
// shows up under LeakSanitizer.
#include <cstdint>

#include "engine/errors.h"
#include "fuzz_check.h"
#include "media/png_image.h"

namespace {

void CheckPicture(const kq::Bitmap& b) {
  KQ_FUZZ_CHECK(b.Width >= 1 && b.Width <= kq::kMaxPictureSide);
  KQ_FUZZ_CHECK(b.Height >= 1 && b.Height <= kq::kMaxPictureSide);
  KQ_FUZZ_CHECK(b.Pixels.size() == size_t(b.Width) * size_t(b.Height));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  try {
    CheckPicture(DecodePngMemory(data, size, "fuzz.png"));
  } catch (const EImageDecodeError&) {
  }
  try {
    Bitmap b = DecodeBmpMemory(data, size, "fuzz.bmp");
    CheckPicture(b);
    for (uint32_t p : b.Pixels) KQ_FUZZ_CHECK(p >> 24 == 0xFF);
  } catch (const EImageDecodeError&) {
  }
  return 0;
}
