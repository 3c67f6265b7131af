#include <cstring>

#include "core/context.h"

namespace kq {

namespace {

int LetterPattern(unsigned char ch) {
  // Upper case A..Z and lower case a..z in "FONT2"; V and v sit on the free patterns 50 and 54.
  static const int upper[26] = {8,  16, 24, 32, 40, 48, 56, 1,  9,  17, 25, 33, 41,
                                49, 57, 2,  10, 18, 26, 34, 42, 50, 58, 3,  11, 19};
  static const int lower[26] = {12, 20, 28, 36, 44, 52, 60, 5,  13, 21, 29, 37, 45,
                                53, 61, 6,  14, 22, 30, 38, 46, 54, 62, 7,  15, 23};
  if (ch >= 'A' && ch <= 'Z') return upper[ch - 'A'];
  if (ch >= 'a' && ch <= 'z') return lower[ch - 'a'];
  return -1;
}

int Font1Sign(unsigned char ch) {
  switch (ch) {
    case 0x21:
      return 12;
    case 0x22:
      return 20;
    case 0x23:
      return 28;
    case 0x25:
      return 44;
    case 0x26:
      return 52;
    case 0x27:
      return 60;
    case 0x28:
      return 5;
    case 0x29:
      return 13;
    case 0x2B:
      return 29;
    case 0x2C:
      return 37;
    case 0x2D:
      return 45;
    case 0x2E:
      return 53;
    case 0x2F:
      return 61;
    case 0x3A:
      return 23;
    case 0x3B:
      return 31;
    case 0x3C:
      return 39;
    case 0x3D:
      return 47;
    case 0x3E:
      return 55;
    default:
      return -1;
  }
}

int Font2Sign(unsigned char ch) {
  switch (ch) {
    case 0x5B:
      return 27;
    case 0x5C:
      return 35;
    case 0x5D:
      return 43;
    case 0x5E:
      return 51;
    case 0x5F:
      return 59;
    default:
      return -1;
  }
}

// Bytes after the lead byte of a double-byte character: a whole UTF-8 sequence (our texts are
// UTF-8), otherwise the one trail byte of a Shift-JIS character. 0 when ch leads nothing.
size_t TrailBytes(std::string_view text, size_t i) {
  unsigned char ch = static_cast<unsigned char>(text[i]);
  size_t n = ch >= 0xF0 && ch <= 0xF4 ? 3 : ch >= 0xE0 && ch <= 0xEF ? 2 : ch >= 0xC2 && ch <= 0xDF ? 1 : 0;
  if (n > 0) {
    bool valid = true;
    for (size_t k = 1; valid && k <= n; ++k)
      valid = i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (valid) return n;
  }
  if ((ch >= 0x81 && ch <= 0x9F) || (ch >= 0xE0 && ch <= 0xFC)) return 1;
  return 0;
}

}  // namespace

void DrawGlyphText(GameContext& g, Canvas& c, int column, std::string_view text, int row) {
  const TPictureItem* f1 = g.DXImageList1.Find("FONT1");
  const TPictureItem* f2 = g.DXImageList1.Find("FONT2");
  int x = column * 10;
  int y = row * (f1 ? f1->PatH() : 16);
  auto draw = [&](const TPictureItem* f, int pattern, int px) {
    if (f) f->Draw(c, px, y, pattern);
  };
  static const int digits[10] = {6, 14, 22, 30, 38, 46, 54, 62, 7, 15};
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char ch = static_cast<unsigned char>(text[i]);
    if (ch == ' ') {
      x += 10;
    } else if (ch >= '0' && ch <= '9') {
      draw(f1, digits[ch - '0'], x);
      x += 10;
    } else if (int p = LetterPattern(ch); p >= 0) {
      draw(f2, p, x);
      x += 10;
    } else if (size_t trail = TrailBytes(text, i); trail > 0) {
      draw(f1, 63, x + 10);
      x += 20;
      i += trail;
    } else if (int s1 = Font1Sign(ch); s1 >= 0) {
      draw(f1, s1, x);
      x += 10;
    } else if (int s2 = Font2Sign(ch); s2 >= 0) {
      draw(f2, s2, x);
      x += 10;
    } else {
      draw(f1, 63, x);
      x += 10;
    }
  }
}

}  // namespace kq
