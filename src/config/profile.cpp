#include "config/profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kq {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Names as they are matched: without surrounding blanks, ASCII letters in lower case.
std::string Lower(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// The same as Lower, into a buffer of its own for names that fit (every lookup the game makes),
// so reading a value allocates nothing.
class TLowerName {
 public:
  explicit TLowerName(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    if (s.size() > sizeof buf_) {
      long_ = Lower(s);
      view_ = long_;
      return;
    }
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      buf_[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    view_ = std::string_view(buf_, s.size());
  }
  std::string_view View() const { return view_; }

 private:
  char buf_[64];
  std::string long_;
  std::string_view view_;
};

void Trim(const std::string& t, size_t& b, size_t& e) {
  while (b < e && IsBlank(t[b])) ++b;
  while (e > b && IsBlank(t[e - 1])) --e;
}

bool HasEdgeBlank(std::string_view s) {
  return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

bool HasBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
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
  lines_.reserve(size_t(std::count(text_.begin(), text_.end(), '\n')) + 1);
  TSection* cur = nullptr;  // null before the first heading and inside a repeated section
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
        const TLowerName name(std::string_view(text_).substr(nb, ne - nb));
        const bool fresh = sections_.find(name.View()) == sections_.end();
        if (fresh) {
          TSection& sec = sections_.emplace(std::string(name.View()), TSection{}).first->second;
          sec.Header = sec.LastKey = index;
          cur = &sec;
        } else {
          cur = nullptr;
        }
        continue;
      }
      // No closing bracket: an ordinary line, as in Windows.
    }
    size_t eq = text_.find('=', b);
    if (eq == std::string::npos || eq >= e || cur == nullptr) continue;
    size_t kb = b, ke = eq;
    Trim(text_, kb, ke);
    size_t vb = eq + 1, ve = e;
    Trim(text_, vb, ve);
    if (vb == ve) vb = ve = eq + 1;  // a new value goes right after '='
    const TLowerName name(std::string_view(text_).substr(kb, ke - kb));
    if (cur->Keys.find(name.View()) == cur->Keys.end()) {
      cur->Keys.emplace(std::string(name.View()), keys_.size());
      keys_.push_back(TKey{index, vb, ve});
    }
    cur->LastKey = index;
  }
}

const TProfile::TKey* TProfile::Find(std::string_view section, std::string_view key) const {
  auto s = sections_.find(TLowerName(section).View());
  if (s == sections_.end()) return nullptr;
  auto k = s->second.Keys.find(TLowerName(key).View());
  return k == s->second.Keys.end() ? nullptr : &keys_[k->second];
}

TProfile::TKey* TProfile::Find(std::string_view section, std::string_view key) {
  return const_cast<TKey*>(static_cast<const TProfile*>(this)->Find(section, key));
}

std::optional<std::string_view> TProfile::Value(std::string_view section, std::string_view key) const {
  const TKey* k = Find(section, key);
  if (!k) return std::nullopt;
  std::string_view v = std::string_view(text_).substr(k->ValueBegin, k->ValueEnd - k->ValueBegin);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
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
  for (auto& [name, s] : sections_) {
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

  if (auto s = sections_.find(TLowerName(section).View()); s != sections_.end()) {
    const size_t last = s->second.LastKey;
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
    s->second.Keys.emplace(Lower(key), keys_.size());
    keys_.push_back(TKey{last + 1, line.Begin + key.size() + 1, line.End});
    s->second.LastKey = last + 1;
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
  TSection& fresh = sections_[Lower(section)];
  fresh.Header = header;
  fresh.LastKey = header + 1;
  fresh.Keys.emplace(Lower(key), keys_.size());
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
