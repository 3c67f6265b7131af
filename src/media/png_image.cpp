#include "media/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/errors.h"

namespace kq {

namespace {

struct ReadState {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

struct ErrorState {
  std::jmp_buf jump;
  char message[256];
};

void OnPngError(png_structp png, png_const_charp msg) {
  auto* err = static_cast<ErrorState*>(png_get_error_ptr(png));
  std::snprintf(err->message, sizeof err->message, "%s", msg ? msg : "PNG error");
  std::longjmp(err->jump, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* rs = static_cast<ReadState*>(png_get_io_ptr(png));
  if (rs->size - rs->pos < count) png_error(png, "Read Error: file is truncated");
  std::memcpy(out, rs->data + rs->pos, count);
  rs->pos += count;
}

// Decodes into out; returns false with err->message set. Kept free of C++ objects with
// destructors between setjmp and longjmp, and no local changes after setjmp: what a longjmp
// must still see (the row pointers, the picture) lives in the caller, which frees it either way.
bool DecodeInto(ReadState* rs, ErrorState* err, Bitmap* out, std::vector<png_bytep>* rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, err, OnPngError, OnPngWarning);
  if (!png) {
    std::snprintf(err->message, sizeof err->message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::snprintf(err->message, sizeof err->message, "out of memory");
    return false;
  }
  if (setjmp(err->jump)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_read_fn(png, rs, ReadFromMemory);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  if (depth == 16) png_set_strip_16(png);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unsupported pixel layout");
  out->Width = int(w);
  out->Height = int(h);
  out->Pixels.assign(size_t(w) * h, 0);
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = reinterpret_cast<png_bytep>(&out->Pixels[size_t(y) * w]);
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

Bitmap DecodePngMemory(const unsigned char* data, size_t size, const std::string& nameForErrors) {
  ReadState rs{data, size, 0};
  auto err = std::make_unique<ErrorState>();
  err->message[0] = 0;
  Bitmap bmp;
  std::vector<png_bytep> rows;
  if (size < 8 || png_sig_cmp(const_cast<png_bytep>(data), 0, 8) != 0)
    throw EImageDecodeError(nameForErrors + ": not a PNG file");
  if (!DecodeInto(&rs, err.get(), &bmp, &rows)) throw EImageDecodeError(nameForErrors + ": " + err->message);
  // libpng wrote R,G,B,A bytes; turn them into 0xAARRGGBB.
  for (auto& p : bmp.Pixels) {
    const auto* b = reinterpret_cast<const unsigned char*>(&p);
    p = (uint32_t(b[3]) << 24) | (uint32_t(b[0]) << 16) | (uint32_t(b[1]) << 8) | b[2];
  }
  return bmp;
}

std::vector<unsigned char> ReadPictureFile(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw EImageDecodeError(path + ": cannot open the file");
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  return bytes;
}

Bitmap DecodePngFile(const std::string& path) {
  std::vector<unsigned char> bytes = ReadPictureFile(path);
  return DecodePngMemory(bytes.data(), bytes.size(), path);
}

bool WritePngFile(const std::string& path, const Bitmap& bmp, bool alpha) {
  const size_t channels = alpha ? 4 : 3;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return false;
  }
  std::vector<unsigned char> row(size_t(bmp.Width) * channels);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(bmp.Width), png_uint_32(bmp.Height), 8,
               alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < bmp.Height; ++y) {
    for (int x = 0; x < bmp.Width; ++x) {
      uint32_t p = bmp.At(x, y);
      unsigned char* px = &row[size_t(x) * channels];
      px[0] = static_cast<unsigned char>(p >> 16);
      px[1] = static_cast<unsigned char>(p >> 8);
      px[2] = static_cast<unsigned char>(p);
      if (alpha) px[3] = static_cast<unsigned char>(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace kq
