#include "core/sound_ledger.h"

#include <algorithm>

namespace kq {

void TSoundLedger::TickRuns(uint32_t tick, uint32_t nowMs) {
  tickMs_.emplace(tick, nowMs);
}

bool TSoundLedger::Request(uint32_t tick, std::string_view name) {
  cues_.push_back({tick, std::string(name), !Rerunning()});
  return !Rerunning();
}

void TSoundLedger::BeginRerun(uint32_t fromTick) {
  if (Rerunning()) return;  // one re-run at a time; the earlier start covers the later
  rerunFrom_ = std::max<uint32_t>(fromTick, 1);
  auto first =
      std::stable_partition(cues_.begin(), cues_.end(), [&](const TCue& c) { return c.Tick < rerunFrom_; });
  before_.assign(std::make_move_iterator(first), std::make_move_iterator(cues_.end()));
  cues_.erase(first, cues_.end());
}

TSoundLedger::TChanges TSoundLedger::EndRerun(uint32_t nowMs) {
  TChanges out;
  if (!Rerunning()) return out;
  // The same sound on the same tick as before is the same sound: it was heard once, enough.
  std::vector<bool> matched(before_.size(), false);
  for (TCue& c : cues_) {
    if (c.Tick < rerunFrom_) continue;
    for (size_t i = 0; i < before_.size(); ++i) {
      if (matched[i] || before_[i].Tick != c.Tick || before_[i].Name != c.Name) continue;
      matched[i] = true;
      c.Heard = before_[i].Heard;
      break;
    }
    if (c.Heard) continue;
    auto at = tickMs_.find(c.Tick);
    // A tick never run before is running now.
    const uint32_t when = at == tickMs_.end() ? nowMs : at->second;
    if (nowMs - when <= kLateSoundMs) {
      out.Play.push_back(c.Name);
      c.Heard = true;
    }
  }
  for (size_t i = 0; i < before_.size(); ++i)
    if (!matched[i] && before_[i].Heard) out.Stop.push_back(before_[i].Name);
  before_.clear();
  rerunFrom_ = 0;
  return out;
}

void TSoundLedger::ForgetThrough(uint32_t tick) {
  std::erase_if(cues_, [&](const TCue& c) { return c.Tick <= tick; });
  tickMs_.erase(tickMs_.begin(), tickMs_.upper_bound(tick));
}

}  // namespace kq
