#pragma once
// The clock and the desync check both machines of a match share.
#include <cstdint>
#include <map>
#include <optional>

namespace kq::net {

// Tick lengths of a network match: 16, 17, 17 ms repeating, exactly 60 ticks a second and the
// same sequence on both machines. Ticks count from 1.
uint32_t NetTickLength(uint32_t tick);

// Compares the rules' state hashes both sides send every few ticks.
class TDesyncCheck {
 public:
  // The first tick whose hashes differ, once both are known.
  std::optional<uint32_t> AddLocal(uint32_t tick, uint64_t hash);
  std::optional<uint32_t> AddRemote(uint32_t tick, uint64_t hash);
  size_t Pending() const { return local_.size() + remote_.size(); }

 private:
  std::optional<uint32_t> Match(uint32_t tick);
  std::map<uint32_t, uint64_t> local_, remote_;
};

}  // namespace kq::net
