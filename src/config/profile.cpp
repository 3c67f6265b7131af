#include "config/profile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kq {

namespace {

// A table rather than five comparisons: every byte of every line is tested, and the fuzzer
// traces each comparison.
constexpr auto kBlank = [] {
  std::array<bool, 256> t{};
  for (unsigned char c : {' ', '\t', '\r', '\v', '\f'}) t[c] = true;
  return t;
}();

bool IsBlank(char c) {
  return kBlank[static_cast<unsigned char>(c)];
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

// Up to eight bytes of a name as one word, the missing ones zero.
uint64_t LoadWord(const char* p, size_t n) {
  uint64_t w = 0;
  if (n >= 8) {
    std::memcpy(&w, p, 8);
    return w;
  }
  for (size_t i = 0; i < n; ++i) w |= uint64_t(uint8_t(p[i])) << (8 * i);
  return w;
}

// The hash of a name in lower case within one owner, a word at a time.
uint32_t NameHash(uint32_t owner, std::string_view s) {
  uint64_t h = (uint64_t(owner) + 1) * 0x9E3779B97F4A7C15ull ^ s.size();
  for (size_t i = 0; i < s.size(); i += 8) {
    h ^= LowerWord(LoadWord(s.data() + i, s.size() - i));
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  return uint32_t(h ^ (h >> 32));
}

// Whether s, lowered, is the stored lower-case name at lower (of s.size() bytes).
bool SameName(std::string_view s, const char* lower) {
  for (size_t i = 0; i < s.size(); i += 8)
    if (LowerWord(LoadWord(s.data() + i, s.size() - i)) != LoadWord(lower + i, s.size() - i)) return false;
  return true;
}

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
  // With room for the lines a save of the settings adds (some forty), so that writing them
  // allocates nothing more.
  lineCount += 64;
  lines_.reserve(lineCount);
  keys_.reserve(lineCount);
  entries_.reserve(lineCount);
  sections_.reserve(8);
  names_.reserve(text_.size() + 512);
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
  const uint32_t hash = NameHash(owner, name);
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == 0) return kHeading;
    const TName& n = entries_[slot - 1];
    if (n.Hash == hash && n.Owner == owner && n.Size == name.size() &&
        SameName(name, names_.data() + n.Begin))
      return n.Item;
  }
}

void TProfile::AddName(uint32_t owner, std::string_view name, uint32_t item) {
  entries_.push_back(
      TName{uint32_t(names_.size()), uint32_t(name.size()), owner, item, NameHash(owner, name)});
  const size_t at = names_.size();
  names_ += name;
  for (size_t i = at; i < names_.size(); ++i)
    if (names_[i] >= 'A' && names_[i] <= 'Z') names_[i] = char(names_[i] - 'A' + 'a');
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

std::string_view TProfile::LineBreak() const {
  const void* nl = std::memchr(text_.data(), '\n', text_.size());
  if (!nl) return "\r\n";  // the Windows default for a new file
  const char* at = static_cast<const char*>(nl);
  return at > text_.data() && at[-1] == '\r' ? "\r\n" : "\n";
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
  if (HasBreak(v))
    for (char& c : v)
      if (c == '\r' || c == '\n') c = ' ';
  // Reading trims blanks and takes off one pair of quotes, so such values go in quotes.
  if (HasEdgeBlank(v) || (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()))
    v = '"' + v + '"';
  const uint32_t s = Lookup(kHeading, TrimName(section));
  const uint32_t keyItem = s == kHeading ? kHeading : Lookup(s, TrimName(key));
  TKey* k = keyItem == kHeading ? nullptr : &keys_[keyItem];
  // Saving settings mostly writes back what is there already.
  if (k && std::string_view(text_).substr(k->ValueBegin, k->ValueEnd - k->ValueBegin) == v) return;

  // Names that a new parse would read back at exactly the written place; anything else is
  // written the same way but indexed afresh.
  const bool plainKey = !HasEdgeBlank(key) && !HasBreak(key) && key.find('=') == std::string_view::npos &&
                        (key.empty() || key.front() != '[');
  if (k) {
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

  const std::string_view eol = LineBreak();
  if (s != kHeading) {
    TSection& sec = sections_[s];
    const size_t last = sec.LastKey;
    const size_t at = lines_[last].Next;
    const size_t prefix = lines_[last].Next == lines_[last].End ? eol.size() : 0;  // no final break
    // The new line is built in place: no string of its own to allocate.
    const size_t added = prefix + key.size() + 1 + v.size() + eol.size();
    text_.insert(at, added, '=');
    char* out = text_.data() + at;
    if (prefix) out = std::copy(eol.begin(), eol.end(), out);
    out = std::copy(key.begin(), key.end(), out) + 1;
    out = std::copy(v.begin(), v.end(), out);
    std::copy(eol.begin(), eol.end(), out);
    if (!plainKey) return Index();
    lines_[last].Next += prefix;
    Shift(last, added, 1);
    TLine line{at + prefix, at + added - eol.size(), at + added};
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
  text_.append("[").append(section).append("]").append(eol).append(key).append("=").append(v).append(eol);
  if (!plainKey || HasEdgeBlank(section) || HasBreak(section)) return Index();
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
