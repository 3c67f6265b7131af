#include "config/hiscore.h"

#include <algorithm>
#include <vector>

#include "config/file_io.h"
#include "engine/errors.h"

namespace kq {

namespace {

constexpr std::string_view kMagic = "KQHI";

// Key bytes are 0xA0 plus 0 to 9.
uint8_t FreshKey(TRandom& rng) {
  return static_cast<uint8_t>(0xA0 + rng.Random(10));
}

// Decimal group of width digits, each byte XOR key; 0 unless every byte is a digit.
int ReadGroup(std::string_view bytes, size_t at, int width, uint8_t key) {
  int v = 0;
  for (int i = 0; i < width; ++i) {
    int c = static_cast<uint8_t>(bytes[at + i]) ^ key;
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

// Fixed width, so a value that does not fit is written as the largest one that does.
void WriteGroup(std::string& out, int value, int width, uint8_t key) {
  int limit = 1;
  for (int i = 0; i < width; ++i) limit *= 10;
  value = std::clamp(value, 0, limit - 1);
  std::string digits(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i, value /= 10)
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
  for (char c : digits) out += static_cast<char>(static_cast<uint8_t>(c) ^ key);
}

}  // namespace

bool ParseHiScores(std::string_view bytes, THiScoreTable& t) {
  if (bytes.size() < kHiScoreFileSize || bytes.substr(0, 4) != kMagic || bytes[4] == 0) return false;
  THiScoreTable r{};
  size_t at = 5;
  uint8_t key = static_cast<uint8_t>(bytes[at++]);
  for (auto& row : r) row.Score = ReadGroup(bytes, at, 7, key), at += 7;
  key = static_cast<uint8_t>(bytes[at++]);
  for (auto& row : r) row.Combo = static_cast<int16_t>(ReadGroup(bytes, at, 4, key)), at += 4;
  key = static_cast<uint8_t>(bytes[at++]);
  for (auto& row : r) row.Level = static_cast<int16_t>(ReadGroup(bytes, at, 3, key)), at += 3;
  // The last block (key D and one "0" per row) stands for bytes that are always zero.
  t = r;
  return true;
}

std::string FormatHiScores(const THiScoreTable& t, TRandom& rng) {
  std::string out(kMagic);
  out += '\x01';
  uint8_t key = FreshKey(rng);
  out += static_cast<char>(key);
  for (const auto& row : t) WriteGroup(out, row.Score, 7, key);
  key = FreshKey(rng);
  out += static_cast<char>(key);
  for (const auto& row : t) WriteGroup(out, row.Combo, 4, key);
  key = FreshKey(rng);
  out += static_cast<char>(key);
  for (const auto& row : t) WriteGroup(out, row.Level, 3, key);
  key = FreshKey(rng);
  out += static_cast<char>(key);
  for (size_t i = 0; i < t.size(); ++i) WriteGroup(out, 0, 1, key);
  return out;
}

void LoadHiScores(const std::string& path, THiScoreTable& t) {
  std::string bytes;
  if (ReadFileBytes(path, bytes) == TReadResult::Ok) ParseHiScores(bytes, t);
}

bool SaveHiScores(const std::string& path, const THiScoreTable& t, TRandom& rng) {
  try {
    ReplaceFile(path, FormatHiScores(t, rng));
    return true;
  } catch (const EWriteError&) {
    return false;
  }
}

int InsertHiScore(THiScoreTable& t, int score, int combo, int level) {
  if (score == 0) return -1;
  const int last = static_cast<int>(t.size()) - 1;
  int at = -1;
  for (int i = 0; i <= last && at < 0; ++i)
    if (score > t[i].Score || (score == t[i].Score && i == last)) at = i;
  if (at < 0) return -1;
  for (int i = last; i > at; --i) t[i] = t[i - 1];
  // The row keeps 16 bits; saturate rather than wrap to a negative count.
  t[at].Score = score;
  t[at].Combo = static_cast<int16_t>(std::clamp(combo, 0, 32767));
  t[at].Level = static_cast<int16_t>(std::clamp(level, 0, 32767));
  return at;
}

THiScoreTable MergeHiScores(const THiScoreTable& ours, const THiScoreTable& theirs) {
  std::vector<THiScoreRow> rows(ours.begin(), ours.end());
  std::vector<THiScoreRow> extra(theirs.begin(), theirs.end());
  for (const THiScoreRow& r : ours) {
    auto same = std::find(extra.begin(), extra.end(), r);
    if (same != extra.end()) extra.erase(same);
  }
  rows.insert(rows.end(), extra.begin(), extra.end());
  std::stable_sort(rows.begin(), rows.end(),
                   [](const THiScoreRow& a, const THiScoreRow& b) { return a.Score > b.Score; });
  THiScoreTable out{};
  std::copy_n(rows.begin(), out.size(), out.begin());
  return out;
}

}  // namespace kq
