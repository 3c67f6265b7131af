#include "net/net_ticks.h"

namespace kq::net {

uint32_t NetTickLength(uint32_t tick) {
  return tick % 3 == 1 ? 16 : 17;
}

std::optional<uint32_t> TDesyncCheck::Match(uint32_t tick) {
  auto l = local_.find(tick);
  auto r = remote_.find(tick);
  if (l == local_.end() || r == remote_.end()) return std::nullopt;
  const bool same = l->second == r->second;
  local_.erase(l);
  remote_.erase(r);
  if (same) return std::nullopt;
  return tick;
}

std::optional<uint32_t> TDesyncCheck::AddLocal(uint32_t tick, uint64_t hash) {
  local_.emplace(tick, hash);
  return Match(tick);
}

std::optional<uint32_t> TDesyncCheck::AddRemote(uint32_t tick, uint64_t hash) {
  // A bounded backlog: a peer flooding hashes for ticks never run cannot grow it without end.
  if (remote_.size() >= 64 && !local_.count(tick)) return std::nullopt;
  remote_.emplace(tick, hash);
  return Match(tick);
}

}  // namespace kq::net
