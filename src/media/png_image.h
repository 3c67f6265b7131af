#pragma once
// Picture decoders: PNG through libpng, BMP by our own code (bmp_image.cpp). Both throw
// EImageDecodeError with the decoder's own message when a file exists but cannot be decoded.
#include <string>
#include <vector>

#include "engine/bitmap.h"

namespace kq {

constexpr int kMaxPictureSide = 4096;

Bitmap DecodePngFile(const std::string& path);
Bitmap DecodePngMemory(const unsigned char* data, size_t size, const std::string& nameForErrors);
Bitmap DecodeBmpFile(const std::string& path);
Bitmap DecodeBmpMemory(const unsigned char* data, size_t size, const std::string& nameForErrors);
// The whole file; EImageDecodeError when it cannot be opened.
std::vector<unsigned char> ReadPictureFile(const std::string& path);
// Writes a 24-bit PNG (32-bit with the alpha channel when alpha is set); false on failure.
bool WritePngFile(const std::string& path, const Bitmap& bmp, bool alpha = false);

}  // namespace kq
