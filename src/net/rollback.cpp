#include "net/rollback.h"

#include <algorithm>

namespace kq::net {

namespace {
// Remote ticks accepted ahead of the next tick to run; further claims are dropped.
constexpr uint32_t kAcceptWindow = 256;
}  // namespace

uint32_t RoundStartLagMs(uint32_t waitedMs, uint32_t roundTripMs) {
  // Heard back within a way over: the rival's states were already on their way when this side
  // sent, so it waited for this side and starts later. Heard back later: the rival began on
  // hearing this side, waitedMs minus its way back ago, and never more than a way over.
  const uint32_t way = roundTripMs / 2;
  return waitedMs > way ? std::min(way, waitedMs - way) : 0;
}

TRollbackInputs::TRollbackInputs(int side, int delay, uint16_t oneShot, uint32_t round)
    : side_(side), delay_(std::clamp(delay, 0, kMaxRollbackDelay)), oneShot_(oneShot), round_(round) {
  // Ticks before the first sample can reach are neutral on both sides.
  for (uint32_t t = 1; t <= uint32_t(delay_); ++t) {
    local_[t] = 0;
    remote_[t] = 0;
  }
  localNext_ = uint32_t(delay_) + 1;
  remoteContig_ = uint32_t(delay_);
}

void TRollbackInputs::Sample(uint16_t states) {
  if (sampled_ == next_) return;  // once per tick
  sampled_ = next_;
  const uint32_t target = next_ + uint32_t(delay_);
  local_[target] = states;
  localNext_ = target + 1;
}

bool TRollbackInputs::CanAdvance() const {
  return next_ < localNext_ && next_ <= remoteContig_ + kPredictionWindow;
}

uint16_t TRollbackInputs::Guess(uint32_t tick) const {
  // The rival goes on doing what it was last seen doing, without new presses.
  auto it = remote_.lower_bound(tick);
  const uint16_t last = it == remote_.begin() ? forgottenRemote_ : std::prev(it)->second;
  return last & uint16_t(~oneShot_);
}

uint16_t TRollbackInputs::Current(uint32_t tick) const {
  auto it = remote_.find(tick);
  return it != remote_.end() ? it->second : Guess(tick);
}

std::array<uint16_t, 2> TRollbackInputs::Advance() {
  const uint16_t mine = local_.at(next_);
  const uint16_t theirs = Current(next_);
  used_[next_] = theirs;
  ++next_;
  return Pair(mine, theirs);
}

std::array<uint16_t, 2> TRollbackInputs::InputsAt(uint32_t tick) {
  const uint16_t theirs = Current(tick);
  used_[tick] = theirs;
  return Pair(local_.at(tick), theirs);
}

void TRollbackInputs::Receive(const TInputs& m) {
  if (m.Round != round_) {
    ++counters_.OtherRound;
    return;
  }
  if (m.States.size() > kMaxInputTicks ||
      (!m.States.empty() &&
       (m.FirstTick == 0 || uint64_t(m.FirstTick) + m.States.size() > uint64_t(next_) + kAcceptWindow))) {
    ++counters_.TooFar;
    return;
  }
  if (m.Ack >= localNext_) {
    ++counters_.BadAck;
    return;
  }
  remoteAck_ = std::max(remoteAck_, m.Ack);
  local_.erase(local_.begin(), local_.upper_bound(std::min(remoteAck_, forgotten_)));
  uint32_t lowest = UINT32_MAX;
  for (size_t i = 0; i < m.States.size(); ++i) {
    const uint32_t t = m.FirstTick + uint32_t(i);
    if (t <= forgotten_) continue;  // final long ago
    auto f = remote_.find(t);
    if (f != remote_.end()) {
      if (f->second != m.States[i]) ++counters_.Conflict;
      continue;
    }
    remote_[t] = m.States[i];
    lowest = std::min(lowest, t);
  }
  while (remote_.count(remoteContig_ + 1)) ++remoteContig_;
  // Ticks already run from the first new state on: a real state that differs from the guess,
  // or a guess that the new states change, means those ticks ran wrong.
  for (uint32_t t = lowest; t < next_; ++t) {
    auto u = used_.find(t);
    if (u == used_.end() || u->second == Current(t)) continue;
    if (remote_.count(t)) ++counters_.PredictedWrong;
    if (!wrong_ || t < *wrong_) wrong_ = t;
    u->second = Current(t);  // a later packet compares with what the re-run will use
  }
}

std::optional<uint32_t> TRollbackInputs::TakeRollback() {
  std::optional<uint32_t> from;
  from.swap(wrong_);
  if (from) {
    ++counters_.Rollbacks;
    counters_.MaxRollback = std::max(counters_.MaxRollback, next_ - *from);
  }
  return from;
}

uint32_t TRollbackInputs::Confirmed() const {
  uint32_t c = std::min(remoteContig_, next_ - 1);
  if (wrong_) c = std::min(c, *wrong_ - 1);
  return c;
}

std::array<uint16_t, 2> TRollbackInputs::ConfirmedInputs(uint32_t tick) const {
  return Pair(local_.at(tick), remote_.at(tick));
}

void TRollbackInputs::ForgetThrough(uint32_t tick) {
  tick = std::min(tick, Confirmed());
  if (tick <= forgotten_) return;
  forgottenRemote_ = remote_.at(tick);
  forgotten_ = tick;
  remote_.erase(remote_.begin(), remote_.upper_bound(tick));
  used_.erase(used_.begin(), used_.upper_bound(tick));
  // Own states stay until the rival has them.
  local_.erase(local_.begin(), local_.upper_bound(std::min(tick, remoteAck_)));
}

TInputs TRollbackInputs::Outgoing() const {
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

}  // namespace kq::net
