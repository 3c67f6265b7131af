#pragma once
// The music list: every "BGM\BGM%.3d.mid" (1 to 999) below the program folder.
#include <string>
#include <vector>

namespace kq {

// Full paths in ascending order of their numbers; gaps are allowed. Names match without regard
// to case.
std::vector<std::string> BuildBgmList(const std::string& appPath);

}  // namespace kq
