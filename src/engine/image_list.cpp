#include "engine/image_list.h"

#include <algorithm>

namespace kq {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (auto& ch : out)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
  return out;
}

int TPictureItem::PatternCount() const {
  int pw = PatW(), ph = PatH();
  if (pw <= 0 || ph <= 0) return 0;
  return (Source.Width / pw) * (Source.Height / ph);
}

RectI TPictureItem::PatternRect(int pattern) const {
  int pw = PatW(), ph = PatH();
  if (pattern < 0 || pattern >= PatternCount()) return {};
  int cols = Source.Width / pw;
  return {(pattern % cols) * pw, (pattern / cols) * ph, pw, ph};
}

void TPictureItem::Restore() {
  Image.SetPixels(ApplyColorKey(Source, Transparent, TransparentColor));
}

void TPictureItem::Draw(Canvas& c, int x, int y, int pattern, uint8_t alpha) const {
  RectI r = PatternRect(pattern);
  if (r.Empty()) return;
  c.DrawImage(Image, r, {double(x), double(y), double(r.W), double(r.H)}, alpha);
}

void TPictureItem::StretchDraw(Canvas& c, const RectI& dst, int pattern, uint8_t alpha) const {
  RectI r = PatternRect(pattern);
  if (r.Empty() || dst.Empty()) return;
  c.DrawImage(Image, r, {double(dst.X), double(dst.Y), double(dst.W), double(dst.H)}, alpha);
}

TPictureItem* TImageList::Find(std::string_view name) const {
  for (const auto& it : items_)
    if (SameText(it->Name, name)) return it.get();
  return nullptr;
}

TPictureItem& TImageList::Replace(std::string_view name) {
  if (TPictureItem* it = Find(name)) {
    *it = TPictureItem{};
    it->Name = std::string(name);
    return *it;
  }
  items_.push_back(std::make_unique<TPictureItem>());
  items_.back()->Name = std::string(name);
  return *items_.back();
}

void TImageList::Remove(std::string_view name) {
  items_.erase(
      std::remove_if(items_.begin(), items_.end(), [&](const auto& it) { return SameText(it->Name, name); }),
      items_.end());
}

}  // namespace kq
