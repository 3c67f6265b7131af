#pragma once
// Keyboard and pad state set by the test.
#include <set>

#include "engine/platform.h"

namespace kq::test {

class FakeInput : public IInputSource {
 public:
  std::set<int> Keys;
  uint64_t Pad0 = 0;
  std::vector<std::string> Names;
  bool VkDown(int vk) const override { return Keys.count(vk) > 0; }
  int FirstDownVk() const override { return Keys.empty() ? 0 : *Keys.begin(); }
  uint64_t PadStates(int padNo) const override { return padNo == 0 ? Pad0 : 0; }
  std::vector<std::string> PadNames() const override { return Names; }
};

}  // namespace kq::test
