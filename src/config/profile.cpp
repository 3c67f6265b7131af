#include "config/profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>

namespace kq {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Names match without surrounding blanks and with ASCII letters in lower case. Eight bytes at a
// time and without a comparison per letter: names are looked up often, and the fuzzer traces
// every comparison.
uint64_t LowerWord(uint64_t x) {
  constexpr uint64_t kHigh = 0x8080808080808080ull, kOnes = 0x0101010101010101ull;
  const uint64_t low7 = x & ~kHigh;
  const uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
  const uint64_t aboveZ = low7 + kOnes * (0x80 - 'Z' - 1);
  return x | (((atLeastA ^ aboveZ) & ~x & kHigh) >> 2);
}

std::string_view TrimName(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A trimmed name in lower case, in a buffer of its own for names that fit (every name the game
// looks up), with its hash within one owner.
class TLowerName {
 public:
  TLowerName(uint32_t owner, std::string_view s) {
    char* out = buf_;
    if (s.size() > sizeof buf_) {
      long_.resize((s.size() + 7) / 8 * 8);
      out = long_.data();
    }
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
      uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      w = LowerWord(w);
      std::memcpy(out + i, &w, 8);
    }
    if (i < s.size()) {
      char tail[8] = {};
      for (size_t t = 0; i + t < s.size(); ++t) tail[t] = s[i + t];
      uint64_t w;
      std::memcpy(&w, tail, 8);
      w = LowerWord(w);
      std::memcpy(out + i, &w, 8);
    }
    view_ = std::string_view(out, s.size());
    hash_ = uint32_t(std::hash<std::string_view>{}(view_) ^ (uint64_t(owner) * 0x9E3779B97F4A7C15ull));
  }
  std::string_view View() const { return view_; }
  uint32_t Hash() const { return hash_; }

 private:
  char buf_[72];  // 64 bytes of name and room for the last whole word
  std::string long_;
  std::string_view view_;
  uint32_t hash_ = 0;
};

void Trim(const std::string& t, size_t& b, size_t& e) {
  while (b < e && IsBlank(t[b])) ++b;
  while (e > b && IsBlank(t[e - 1])) --e;
}

bool HasEdgeBlank(std::string_view s) {
  return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

bool HasBreak(std::string_view s) {
  return !s.empty() && (std::memchr(s.data(), '\r', s.size()) || std::memchr(s.data(), '\n', s.size()));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TProfile::TProfile(std::string text) : text_(std::move(text)) {
  Index();
}

void TProfile::Index() {
  lines_.clear();
  keys_.clear();
  sections_.clear();
  names_.clear();
  entries_.clear();
  size_t lineCount = 1;
  for (const char* c = text_.data();
       (c = static_cast<const char*>(std::memchr(c, '\n', size_t(text_.data() + text_.size() - c)))); ++c)
    ++lineCount;
  lines_.reserve(lineCount);
  keys_.reserve(lineCount);
  entries_.reserve(lineCount);
  names_.reserve(text_.size());
  size_t slots = 16;
  while (slots < 2 * lineCount) slots *= 2;
  slots_.assign(slots, 0);
  uint32_t cur = kHeading;  // none before the first heading and inside a repeated section
  size_t pos = 0;
  while (pos < text_.size()) {
    TLine line;
    line.Begin = pos;
    size_t nl = text_.find('\n', pos);
    if (nl == std::string::npos) {
      line.End = line.Next = text_.size();
    } else {
      line.End = nl > pos && text_[nl - 1] == '\r' ? nl - 1 : nl;
      line.Next = nl + 1;
    }
    pos = line.Next;
    const size_t index = lines_.size();
    lines_.push_back(line);

    size_t b = line.Begin, e = line.End;
    Trim(text_, b, e);
    if (b == e) continue;
    if (text_[b] == '[') {
      size_t close = text_.rfind(']', e - 1);
      if (close != std::string::npos && close > b) {
        size_t nb = b + 1, ne = close;
        Trim(text_, nb, ne);
        const std::string_view name = std::string_view(text_).substr(nb, ne - nb);
        if (Lookup(kHeading, name) == kHeading) {
          cur = uint32_t(sections_.size());
          sections_.push_back(TSection{index, index});
          AddName(kHeading, name, cur);
        } else {
          cur = kHeading;
        }
        continue;
      }
      // No closing bracket: an ordinary line, as in Windows.
    }
    size_t eq = text_.find('=', b);
    if (eq == std::string::npos || eq >= e || cur == kHeading) continue;
    size_t kb = b, ke = eq;
    Trim(text_, kb, ke);
    size_t vb = eq + 1, ve = e;
    Trim(text_, vb, ve);
    if (vb == ve) vb = ve = eq + 1;  // a new value goes right after '='
    const std::string_view name = std::string_view(text_).substr(kb, ke - kb);
    if (Lookup(cur, name) == kHeading) {
      AddName(cur, name, uint32_t(keys_.size()));
      keys_.push_back(TKey{index, vb, ve});
    }
    sections_[cur].LastKey = index;
  }
}

uint32_t TProfile::Lookup(uint32_t owner, std::string_view name) const {
  if (slots_.empty()) return kHeading;
  const TLowerName lower(owner, name);
  const std::string_view want = lower.View();
  const size_t mask = slots_.size() - 1;
  for (size_t i = lower.Hash() & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == 0) return kHeading;
    const TName& n = entries_[slot - 1];
    if (n.Hash == lower.Hash() && n.Owner == owner &&
        std::string_view(names_).substr(n.Begin, n.Size) == want)
      return n.Item;
  }
}

void TProfile::AddName(uint32_t owner, std::string_view name, uint32_t item) {
  const TLowerName lower(owner, name);
  entries_.push_back(TName{uint32_t(names_.size()), uint32_t(name.size()), owner, item, lower.Hash()});
  names_ += lower.View();
  auto place = [this](size_t e) {
    const size_t mask = slots_.size() - 1;
    size_t i = entries_[e].Hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = uint32_t(e + 1);
  };
  if (2 * entries_.size() > slots_.size()) {  // keep the table under half full
    slots_.assign(std::max<size_t>(16, slots_.size() * 2), 0);
    for (size_t e = 0; e < entries_.size(); ++e) place(e);
  } else {
    place(entries_.size() - 1);
  }
}

const TProfile::TKey* TProfile::Find(std::string_view section, std::string_view key) const {
  const uint32_t s = Lookup(kHeading, TrimName(section));
  if (s == kHeading) return nullptr;
  const uint32_t k = Lookup(s, TrimName(key));
  return k == kHeading ? nullptr : &keys_[k];
}

TProfile::TKey* TProfile::Find(std::string_view section, std::string_view key) {
  return const_cast<TKey*>(static_cast<const TProfile*>(this)->Find(section, key));
}

std::optional<std::string_view> TProfile::KeyValue(const TKey* k) const {
  if (!k) return std::nullopt;
  std::string_view v = std::string_view(text_).substr(k->ValueBegin, k->ValueEnd - k->ValueBegin);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

std::optional<std::string_view> TProfile::Value(std::string_view section, std::string_view key) const {
  return KeyValue(Find(section, key));
}

TProfile::TSectionView TProfile::Section(std::string_view name) const {
  return TSectionView(*this, Lookup(kHeading, TrimName(name)));
}

std::optional<std::string_view> TProfile::TSectionView::Value(std::string_view key) const {
  if (section_ == kHeading) return std::nullopt;
  const uint32_t k = profile_->Lookup(section_, TrimName(key));
  return profile_->KeyValue(k == kHeading ? nullptr : &profile_->keys_[k]);
}

std::optional<std::string> TProfile::TSectionView::ReadString(std::string_view key) const {
  auto v = Value(key);
  return v ? std::optional<std::string>(std::string(*v)) : std::nullopt;
}

std::optional<int32_t> TProfile::TSectionView::ReadInteger(std::string_view key) const {
  auto v = Value(key);
  return v ? ParseProfileInteger(*v) : std::nullopt;
}

std::optional<double> TProfile::TSectionView::ReadReal(std::string_view key) const {
  auto v = Value(key);
  return v ? ParseProfileReal(*v) : std::nullopt;
}

std::optional<std::string> TProfile::ReadString(std::string_view section, std::string_view key) const {
  auto v = Value(section, key);
  return v ? std::optional<std::string>(std::string(*v)) : std::nullopt;
}

std::optional<int32_t> TProfile::ReadInteger(std::string_view section, std::string_view key) const {
  auto v = Value(section, key);
  return v ? ParseProfileInteger(*v) : std::nullopt;
}

std::optional<double> TProfile::ReadReal(std::string_view section, std::string_view key) const {
  auto v = Value(section, key);
  return v ? ParseProfileReal(*v) : std::nullopt;
}

std::string TProfile::LineBreak() const {
  size_t nl = text_.find('\n');
  if (nl == std::string::npos) return "\r\n";  // the Windows default for a new file
  return nl > 0 && text_[nl - 1] == '\r' ? "\r\n" : "\n";
}

void TProfile::Shift(size_t line, size_t bytes, size_t lines) {
  // Offsets move by unsigned wrap-around, so a shrinking value shifts by "negative" bytes.
  for (size_t i = line + 1; i < lines_.size(); ++i) {
    lines_[i].Begin += bytes;
    lines_[i].End += bytes;
    lines_[i].Next += bytes;
  }
  for (TKey& k : keys_) {
    if (k.Line <= line) continue;
    k.Line += lines;
    k.ValueBegin += bytes;
    k.ValueEnd += bytes;
  }
  for (TSection& s : sections_) {
    if (s.Header > line) s.Header += lines;
    if (s.LastKey > line) s.LastKey += lines;
  }
}

void TProfile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  // Reading trims blanks and takes off one pair of quotes, so such values go in quotes.
  if (HasEdgeBlank(v) || (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()))
    v = '"' + v + '"';
  const std::string eol = LineBreak();
  // Names that a new parse would read back at exactly the written place; anything else is
  // written the same way but indexed afresh.
  const bool plainSection = !HasEdgeBlank(section) && !HasBreak(section);
  const bool plainKey = !HasEdgeBlank(key) && !HasBreak(key) && key.find('=') == std::string_view::npos &&
                        (key.empty() || key.front() != '[');

  if (TKey* k = Find(section, key)) {
    const size_t old = k->ValueEnd - k->ValueBegin;
    text_.replace(k->ValueBegin, old, v);
    if (!plainKey) return Index();
    const size_t delta = v.size() - old;
    k->ValueEnd = k->ValueBegin + v.size();
    if (v.empty()) {
      // As a new parse sees it: an empty value sits right after the line's first '='.
      k->ValueBegin = k->ValueEnd = text_.find('=', lines_[k->Line].Begin) + 1;
    }
    lines_[k->Line].End += delta;
    lines_[k->Line].Next += delta;
    if (delta != 0) Shift(k->Line, delta, 0);  // a value of the same length moves nothing
    return;
  }

  if (const uint32_t s = Lookup(kHeading, TrimName(section)); s != kHeading) {
    TSection& sec = sections_[s];
    const size_t last = sec.LastKey;
    const size_t at = lines_[last].Next;
    const size_t prefix = lines_[last].Next == lines_[last].End ? eol.size() : 0;  // no final break
    std::string add = prefix ? eol : std::string();
    add += std::string(key) + "=" + v + eol;
    text_.insert(at, add);
    if (!plainKey) return Index();
    lines_[last].Next += prefix;
    Shift(last, add.size(), 1);
    TLine line{at + prefix, at + add.size() - eol.size(), at + add.size()};
    lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(last + 1), line);
    AddName(s, key, uint32_t(keys_.size()));
    keys_.push_back(TKey{last + 1, line.Begin + key.size() + 1, line.End});
    sec.LastKey = last + 1;
    return;
  }

  bool blankLine = false;
  size_t pos = text_.size();
  if (!text_.empty()) {
    size_t b = lines_.back().Begin, e = lines_.back().End;
    Trim(text_, b, e);
    blankLine = b != e;  // a blank line between sections
    if (text_.back() != '\n') {
      text_ += eol;
      lines_.back().Next = text_.size();
    }
    if (blankLine) text_ += eol;
  }
  text_ += "[" + std::string(section) + "]" + eol + std::string(key) + "=" + v + eol;
  if (!plainSection || !plainKey) return Index();
  pos = lines_.empty() ? 0 : lines_.back().Next;
  if (blankLine) {
    lines_.push_back(TLine{pos, pos, pos + eol.size()});
    pos += eol.size();
  }
  const size_t header = lines_.size();
  lines_.push_back(TLine{pos, pos + section.size() + 2, pos + section.size() + 2 + eol.size()});
  pos = lines_.back().Next;
  lines_.push_back(TLine{pos, pos + key.size() + 1 + v.size(), pos + key.size() + 1 + v.size() + eol.size()});
  const uint32_t fresh = uint32_t(sections_.size());
  sections_.push_back(TSection{header, header + 1});
  AddName(kHeading, section, fresh);
  AddName(fresh, key, uint32_t(keys_.size()));
  keys_.push_back(TKey{header + 1, pos + key.size() + 1, pos + key.size() + 1 + v.size()});
}

std::optional<int32_t> ParseProfileInteger(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    // Hexadecimal is a 32-bit pattern: 0xFFFFFFFF is -1.
    uint64_t v = 0;
    for (char c : s.substr(2)) {
      int d = HexValue(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return std::nullopt;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<double> ParseProfileReal(std::string_view s) {
  // Checked by hand first: from_chars alone would also take "inf", "nan" and hex floats.
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t numberBegin = !s.empty() && s[0] == '+' ? 1 : 0;
  int digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    int expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double v = 0;
  auto [ptr, ec] = std::from_chars(s.data() + numberBegin, s.data() + s.size(), v);
  if (ec != std::errc{} || ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace kq
