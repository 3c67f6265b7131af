#pragma once
#include <string>

namespace kq {

struct GameContext;

// The state dump of the headless runner as one JSON object (format in docs/headless.md).
std::string DumpJson(const GameContext& g);

}  // namespace kq
