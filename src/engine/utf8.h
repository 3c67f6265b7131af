#pragma once
// Text shown by the platform (message boxes, window title) must be valid UTF-8, but file names
// on Linux are arbitrary bytes.
#include <string>
#include <string_view>

namespace kq {

// text with every byte that does not start or continue a well-formed UTF-8 sequence (overlong
// forms, surrogates and values above U+10FFFF included) replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);
// Splits valid UTF-8 text at code point boundaries: the length of the longest prefix of at most
// maxBytes bytes.
size_t Utf8PrefixLength(std::string_view text, size_t maxBytes);
// True when every byte is 7-bit ASCII: what the picture fonts can draw.
bool IsAsciiText(std::string_view text);

}  // namespace kq
