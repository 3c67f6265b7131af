#include "engine/utf8.h"

#include <cstdint>

namespace kq {

namespace {

// Length of the well-formed sequence at text[at], 0 when there is none.
size_t SequenceLength(std::string_view text, size_t at) {
  const auto b = [&](size_t i) { return uint8_t(text[at + i]); };
  const uint8_t c = b(0);
  if (c < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (at + n > text.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;  // overlong, too big
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;                                           // surrogates
  return n;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (size_t n = SequenceLength(text, at)) {
      out.append(text.substr(at, n));
      at += n;
    } else {
      out += "\xEF\xBF\xBD";
      ++at;
    }
  }
  return out;
}

size_t Utf8PrefixLength(std::string_view text, size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  size_t n = maxBytes;
  while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

bool IsAsciiText(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace kq
