#pragma once
// The high-score file and the ranking table.
#include <string>
#include <string_view>

#include "config/game_config.h"
#include "engine/random.h"

namespace kq {

// Size of a complete high-score file.
constexpr size_t kHiScoreFileSize = 129;

// Fills t from the file; a missing, short or foreign file leaves t as it is.
void LoadHiScores(const std::string& path, THiScoreTable& t);
// Writes the file (fresh key bytes from rng) through a temporary file in the same folder;
// false when it could not be written, and then the old file is untouched.
bool SaveHiScores(const std::string& path, const THiScoreTable& t, TRandom& rng);

// The file's bytes: false for fewer than 129 bytes, a magic other than "KQHI" or version 0.
// A digit group that is not all digits reads as 0.
bool ParseHiScores(std::string_view bytes, THiScoreTable& t);
// 129 bytes; values beyond their digit count are written as the largest that fits.
std::string FormatHiScores(const THiScoreTable& t, TRandom& rng);

// Offers a result; returns the row it took, or -1 (a score of 0 never enters). An equal score
// goes below the row that holds it, except in the last row, which it replaces.
int InsertHiScore(THiScoreTable& t, int score, int combo, int level);

// Both tables' results in one ranking, for a save that finds a newer table in its place. A row
// both hold (the same result read from a common ancestor) is kept once per copy the fuller
// table has; equal scores keep ours above theirs.
THiScoreTable MergeHiScores(const THiScoreTable& ours, const THiScoreTable& theirs);

}  // namespace kq
