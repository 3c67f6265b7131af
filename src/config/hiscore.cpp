#include "config/hiscore.h"

namespace kq {

void LoadHiScores(const std::string&, THiScoreTable&) {}
bool SaveHiScores(const std::string&, const THiScoreTable&, TRandom&) { return false; }
int InsertHiScore(THiScoreTable&, int, int, int) { return -1; }

}  // namespace kq
