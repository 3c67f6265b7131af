#pragma once
// Windows profile (INI) files as GetPrivateProfileString and WritePrivateProfileString see them:
// section and key names match without regard to case, blanks around keys and values do not
// count, LF or CRLF ends a line, the first of two equal sections (or keys) wins. The text is kept
// as raw bytes, so a write changes only the one line it must and every other byte (comments,
// Shift-JIS or UTF-8 text, odd lines) stays as it was.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

class TProfile {
 public:
  TProfile() = default;
  explicit TProfile(std::string text);

  // The value with blanks trimmed and one pair of enclosing quotes removed; nullopt when the
  // section or key is absent.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // Decimal, or hexadecimal after "0x"; nullopt when absent or not an integer.
  std::optional<int32_t> ReadInteger(std::string_view section, std::string_view key) const;
  // Always with '.' as the separator, whatever the process locale; nullopt when not a number.
  std::optional<double> ReadReal(std::string_view section, std::string_view key) const;

  // Replaces the key's value in place, or appends the key to its section, or appends the
  // section to the text. Line breaks in value become blanks so a value cannot add lines; a
  // value with blanks at either end or in quotes of its own is written in quotes, so it reads
  // back as written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  const std::string& Text() const { return text_; }

  // One section looked up once, to read many of its keys; valid until the next write.
  class TSectionView {
   public:
    std::optional<std::string> ReadString(std::string_view key) const;
    std::optional<int32_t> ReadInteger(std::string_view key) const;
    std::optional<double> ReadReal(std::string_view key) const;

   private:
    friend class TProfile;
    TSectionView(const TProfile& p, uint32_t section) : profile_(&p), section_(section) {}
    std::optional<std::string_view> Value(std::string_view key) const;
    const TProfile* profile_;
    uint32_t section_;
  };
  TSectionView Section(std::string_view name) const;

 private:
  struct TLine {
    size_t Begin = 0;  // first byte
    size_t End = 0;    // end of the content, before any "\r\n" or "\n"
    size_t Next = 0;   // first byte of the next line
  };
  struct TKey {
    size_t Line = 0;
    size_t ValueBegin = 0, ValueEnd = 0;  // trimmed value in text_
  };
  struct TSection {
    size_t Header = 0;   // line of the heading
    size_t LastKey = 0;  // last line holding '=', or the heading
  };
  // One name of the index, lower-case in names_: a section (Owner == kHeading) or a key of
  // section Owner. Every name sits in one open-addressed table, so building the index and
  // looking a value up allocate nothing per name; that keeps parsing cheap for the fuzzer too.
  static constexpr uint32_t kHeading = UINT32_MAX;
  struct TName {
    uint32_t Begin = 0, Size = 0;
    uint32_t Owner = kHeading;
    uint32_t Item = 0;  // index in sections_ or keys_
    uint32_t Hash = 0;
  };

  void Index();
  // The section's or key's item, or kHeading when there is none; a section of kHeading is absent.
  uint32_t Lookup(uint32_t owner, std::string_view name) const;
  // Adds a name that Lookup did not find.
  void AddName(uint32_t owner, std::string_view name, uint32_t item);
  const TKey* Find(std::string_view section, std::string_view key) const;
  // The stored value with blanks and one pair of quotes taken off, pointing into the text.
  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
  std::optional<std::string_view> KeyValue(const TKey* k) const;
  std::string_view LineBreak() const;
  // Moves everything after line by the given bytes and line count (a write needs no new parse).
  void Shift(size_t line, size_t bytes, size_t lines);

  std::string text_;
  std::vector<TLine> lines_;
  std::vector<TKey> keys_;
  std::vector<TSection> sections_;  // first occurrence of each name
  std::string names_;               // the lower-case names, one after another
  std::vector<TName> entries_;
  std::vector<uint32_t> slots_;  // entry + 1, or 0 when free; a power of two, under half full
};

// The number rules of the reader, for one value already trimmed.
std::optional<int32_t> ParseProfileInteger(std::string_view s);
std::optional<double> ParseProfileReal(std::string_view s);

}  // namespace kq
