#pragma once
// The high-score file and the ranking table.
#include <string>

#include "config/game_config.h"
#include "engine/random.h"

namespace kq {

// Fills t from the file; a missing or foreign file leaves t as it is.
void LoadHiScores(const std::string& path, THiScoreTable& t);
// Writes the file (fresh key bytes from rng); false when it could not be written.
bool SaveHiScores(const std::string& path, const THiScoreTable& t, TRandom& rng);
// Offers a result; returns the row it took, or -1.
int InsertHiScore(THiScoreTable& t, int score, int combo, int level);

}  // namespace kq
