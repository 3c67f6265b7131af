// Any bytes as the .HI file: a table that saves and reads back the same; and any run of offered
// results keeps the ranking ordered.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "config/hiscore.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  THiScoreTable t{};
  if (ParseHiScores(bytes, t)) {
    for (const THiScoreRow& r : t) {
      KQ_FUZZ_CHECK(r.Score >= 0 && r.Score <= 9999999);
      KQ_FUZZ_CHECK(r.Combo >= 0 && r.Combo <= 9999);
      KQ_FUZZ_CHECK(r.Level >= 0 && r.Level <= 999);
    }
    TRandom rng(size);
    const std::string saved = FormatHiScores(t, rng);
    KQ_FUZZ_CHECK(saved.size() == kHiScoreFileSize);
    THiScoreTable back{};
    KQ_FUZZ_CHECK(ParseHiScores(saved, back) && back == t);
  } else {
    KQ_FUZZ_CHECK(t == THiScoreTable{});
  }

  THiScoreTable rank{};
  for (size_t i = 0; i + 8 <= size && i < 256; i += 8) {
    int32_t score;
    int16_t combo, level;
    std::memcpy(&score, data + i, 4);
    std::memcpy(&combo, data + i + 4, 2);
    std::memcpy(&level, data + i + 6, 2);
    score %= 10000000;
    const int row = InsertHiScore(rank, score, combo, level);
    if (score <= 0) KQ_FUZZ_CHECK(row == -1);
    if (row >= 0) KQ_FUZZ_CHECK(rank[static_cast<size_t>(row)].Score == score);
    for (size_t k = 1; k < rank.size(); ++k) KQ_FUZZ_CHECK(rank[k - 1].Score >= rank[k].Score);
  }
  return 0;
}
