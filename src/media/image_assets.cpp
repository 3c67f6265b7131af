#include "media/image_assets.h"

#include "engine/paths.h"
#include "media/png_image.h"

namespace kq {

namespace {

void SetFrames(TPictureItem& it, bool transparent, uint32_t key, int columns, int rows) {
  it.Transparent = transparent;
  it.TransparentColor = key & 0xFFFFFFu;
  columns &= 0xFFFF;  // 16-bit counts
  rows &= 0xFFFF;
  it.PatternHeight = rows != 0 ? it.Source.Height / rows : 0;
  it.PatternWidth = columns != 0 ? it.Source.Width / columns : 0;
  it.Restore();
}

std::string UpperExtension(const std::string& fileName) {
  size_t dot = fileName.rfind('.');
  size_t slash = fileName.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(fileName.substr(dot));
}

}  // namespace

bool LoadImageAsset(TImageList& list, std::string_view name, const std::string& fileName, int columns,
                    int rows, bool transparent, uint32_t colorKey) {
  std::string ext = UpperExtension(fileName);
  if ((ext != ".BMP" && ext != ".PNG") || !FileExists(fileName)) return false;
  // Decode first: a file that does not decode leaves the list as it was.
  Bitmap bmp = ext == ".PNG" ? DecodePngFile(fileName) : DecodeBmpFile(fileName);
  TPictureItem& it = list.Replace(name);
  it.Source = std::move(bmp);
  SetFrames(it, transparent, colorKey, columns, rows);
  return true;
}

void CutImageAsset(TImageList& list, std::string_view newName, std::string_view sourceName, int left, int top,
                   int width, int height, int columns, int rows, bool transparent, uint32_t colorKey) {
  const TPictureItem* src = list.Find(sourceName);
  if (!src) return;
  Bitmap cut = src->Source.Crop(left, top, width, height);
  TPictureItem& it = list.Replace(newName);
  it.Source = std::move(cut);
  SetFrames(it, transparent, colorKey, columns, rows);
}

}  // namespace kq
