#pragma once
// Loading pictures into the image list by name.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/image_list.h"

namespace kq {

// Loads a ".PNG" or ".BMP" file under name; false (and nothing changed) when the extension is
// neither or the file does not exist. Throws EImageDecodeError for a file that does not decode.
bool LoadImageAsset(TImageList& list, std::string_view name, const std::string& fileName, int columns,
                    int rows, bool transparent, uint32_t colorKey);
// A new item from a rectangle of an existing one; nothing when the source is missing.
void CutImageAsset(TImageList& list, std::string_view newName, std::string_view sourceName, int left, int top,
                   int width, int height, int columns, int rows, bool transparent, uint32_t colorKey);

}  // namespace kq
