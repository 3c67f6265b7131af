#include "net/lockstep.h"

#include <algorithm>

namespace kq::net {

uint32_t NetTickLength(uint32_t tick) {
  return tick % 3 == 1 ? 16 : 17;
}

int DelayForRoundTrip(uint32_t rttMs) {
  // Ticks are 50/3 ms: half the round trip in ticks = rtt * 3 / 100, rounded up.
  const uint32_t half = (rttMs * 3 + 99) / 100;
  return int(std::clamp<uint32_t>(half + 1, kMinDelay, kMaxDelay));
}

TLockstep::TLockstep(int side, int delay, uint16_t oneShot, uint32_t round)
    : side_(side), oneShot_(oneShot), round_(round) {
  delay = std::clamp(delay, kMinDelay, kMaxDelay);
  delays_[1] = delay;
  // Ticks before the first sample can reach are neutral on both sides.
  for (uint32_t t = 1; t <= uint32_t(delay); ++t) {
    local_[t] = 0;
    remote_[t] = 0;
  }
  localNext_ = uint32_t(delay) + 1;
  remoteContig_ = uint32_t(delay);
}

int TLockstep::DelayAt(uint32_t sampleTick) const {
  auto it = delays_.upper_bound(sampleTick);
  --it;  // delays_ always holds tick 1
  return it->second;
}

void TLockstep::Sample(uint16_t states) {
  if (sampled_ == next_) return;  // once per tick
  sampled_ = next_;
  const uint32_t target = next_ + uint32_t(DelayAt(next_));
  if (target < localNext_) {
    // The delay shrank: this sample has no tick of its own; its presses go with the next.
    pendingOneShot_ |= states & oneShot_;
  } else {
    // The delay grew: held states carry on through the ticks it opened, presses do not.
    for (uint32_t t = localNext_; t < target; ++t) local_[t] = lastSample_ & uint16_t(~oneShot_);
    local_[target] = states | pendingOneShot_;
    pendingOneShot_ = 0;
    localNext_ = target + 1;
  }
  lastSample_ = states;
}

bool TLockstep::RemoteKnown(uint32_t tick) const {
  return tick <= remoteContig_ || remote_.count(tick);
}

bool TLockstep::Ready() const {
  return next_ < localNext_ && RemoteKnown(next_);
}

std::array<uint16_t, 2> TLockstep::Advance() {
  const uint16_t mine = local_.at(next_);
  const uint16_t theirs = remote_.at(next_);
  remote_.erase(next_);
  // Own states stay until the rival acknowledges them.
  if (next_ <= remoteAck_) local_.erase(next_);
  ++next_;
  return side_ == 0 ? std::array<uint16_t, 2>{mine, theirs} : std::array<uint16_t, 2>{theirs, mine};
}

void TLockstep::ChangeDelay(uint32_t fromTick, int delay) {
  delay = std::clamp(delay, kMinDelay, kMaxDelay);
  fromTick = std::max(fromTick, sampled_ + 1);
  // A later announcement replaces any change planned from the same tick on.
  delays_.erase(delays_.lower_bound(fromTick), delays_.end());
  if (DelayAt(fromTick) != delay) delays_[fromTick] = delay;
}

TInputs TLockstep::Outgoing() const {
  TInputs m;
  m.Round = round_;
  m.Ack = remoteContig_;
  auto it = local_.upper_bound(remoteAck_);
  if (it == local_.end()) return m;
  m.FirstTick = it->first;
  for (uint32_t t = it->first; t < localNext_ && m.States.size() < kMaxInputTicks; ++t) {
    auto f = local_.find(t);
    if (f == local_.end()) break;
    m.States.push_back(f->second);
  }
  return m;
}

void TLockstep::Receive(const TInputs& m) {
  if (m.Round != round_) {
    ++counters_.OtherRound;
    return;
  }
  if (m.States.size() > kMaxInputTicks ||
      (!m.States.empty() &&
       (m.FirstTick == 0 || uint64_t(m.FirstTick) + m.States.size() > uint64_t(next_) + kInputWindow))) {
    ++counters_.TooFar;
    return;
  }
  if (m.Ack >= localNext_) {
    ++counters_.BadAck;
    return;
  }
  if (m.Ack > remoteAck_) {
    remoteAck_ = m.Ack;
    local_.erase(local_.begin(), local_.lower_bound(std::min(remoteAck_ + 1, next_)));
  }
  for (size_t i = 0; i < m.States.size(); ++i) {
    const uint32_t t = m.FirstTick + uint32_t(i);
    if (t < next_) {
      ++counters_.Old;
      continue;
    }
    auto f = remote_.find(t);
    if (f != remote_.end() || t <= remoteContig_) {
      if (f != remote_.end() && f->second != m.States[i])
        ++counters_.Conflict;
      else
        ++counters_.Duplicate;
      continue;
    }
    remote_[t] = m.States[i];
  }
  while (remote_.count(remoteContig_ + 1)) ++remoteContig_;
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

std::optional<std::pair<uint32_t, int>> TDelayControl::Update(uint32_t tick, uint32_t rttMs) {
  const int want = DelayForRoundTrip(rttMs);
  if (want == delay_) {
    candidate_ = 0;
    return std::nullopt;
  }
  if (want != candidate_) {
    candidate_ = want;
    since_ = tick;
    return std::nullopt;
  }
  if (tick - since_ < kSettleTicks || (lastChange_ != 0 && tick - lastChange_ < 2 * kSettleTicks))
    return std::nullopt;
  delay_ = want;
  candidate_ = 0;
  lastChange_ = tick;
  return std::make_pair(tick + kLeadTicks, want);
}

}  // namespace kq::net
