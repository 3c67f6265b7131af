#include "media/music_list.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "engine/image_list.h"
#include "engine/paths.h"

namespace kq {

std::vector<std::string> BuildBgmList(const std::string& appPath) {
  // One directory scan instead of 999 case-insensitive look-ups.
  std::string dir = ResolvePath(appPath, "BGM");
  std::map<int, std::string> byNumber;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::string upper = UpperCase(name);
    if (upper.size() != 10 || upper.compare(0, 3, "BGM") != 0 || upper.compare(6, 4, ".MID") != 0) continue;
    int n = 0;
    bool digits = true;
    for (int i = 3; i < 6; ++i) {
      if (upper[size_t(i)] < '0' || upper[size_t(i)] > '9') digits = false;
      n = n * 10 + (upper[size_t(i)] - '0');
    }
    if (!digits || n < 1 || !FileExists(dir + "/" + name)) continue;
    // Of names that differ only in case, the exact spelling wins, as in ResolvePath.
    char exact[32];
    std::snprintf(exact, sizeof exact, "BGM%.3d.mid", n);
    auto found = byNumber.find(n);
    if (found == byNumber.end() || name == exact) byNumber[n] = dir + "/" + name;
  }
  std::vector<std::string> list;
  for (auto& [n, path] : byNumber) list.push_back(path);
  return list;
}

}  // namespace kq
