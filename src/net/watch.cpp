#include "net/watch.h"

#include <algorithm>

namespace kq::net {

// ---- host ----

void TWatchHub::Start(const TWelcome& w) {
  started_ = true;
  welcome_ = w;
  round_ = 0;
  rounds_.clear();
  rounds_[0] = {};
}

void TWatchHub::Confirmed(uint32_t tick, const std::array<uint16_t, 2>& states) {
  TRound& r = rounds_[round_];
  // In order only, and no further than a spectator can follow.
  if (r.Closed || tick != r.States.size() + 1 || r.States.size() >= kWatchHistoryTicks) return;
  r.States.push_back(PackWatch(states));
}

void TWatchHub::NewRound() {
  rounds_[round_].Closed = true;
  ++round_;
  rounds_[round_] = {};
  // Two rounds are kept: a spectator still playing the last one gets its end.
  while (rounds_.size() > 2) rounds_.erase(rounds_.begin());
}

const TWatchHub::TRound* TWatchHub::Find(uint32_t round) const {
  auto it = rounds_.find(round);
  return it == rounds_.end() ? nullptr : &it->second;
}

TWatchInputs TWatchHub::Packet(const TWatcher& w) const {
  TWatchInputs m;
  m.Round = w.Round;
  m.FirstTick = w.Acked + 1;
  if (const TRound* r = Find(w.Round)) {
    const size_t from = std::min<size_t>(w.Acked, r->States.size());
    const size_t to = std::min(r->States.size(), from + kMaxWatchTicks);
    m.States.assign(r->States.begin() + long(from), r->States.begin() + long(to));
    if (r->Closed) m.LastTick = uint32_t(r->States.size());
  }
  return m;
}

void TWatchHub::Drop(TNetTransport& t, uint32_t id, const std::string& reason, bool refused) {
  auto it = std::find_if(watchers_.begin(), watchers_.end(), [&](const TWatcher& w) { return w.Id == id; });
  if (it == watchers_.end()) return;
  if (!reason.empty()) t.SendToWatcher(id, Encode(TRefuse{reason}), true);
  t.DropWatcher(id);
  watchers_.erase(it);
  ++(refused ? stats_.Refused : stats_.Left);
}

void TWatchHub::Handle(TNetTransport& t, TWatcher& w, const std::vector<uint8_t>& data, uint32_t nowMs) {
  w.LastHeard = nowMs;
  const std::optional<TMessage> m = Decode(data);
  if (const auto* hello = m ? std::get_if<THello>(&*m) : nullptr; hello && !w.Hello) {
    std::string why;
    if (hello->Protocol != kProtocolVersion)
      why = "network protocol differs: host " + std::to_string(kProtocolVersion) + ", spectator " +
            std::to_string(hello->Protocol);
    else if (hello->GameVersion != version_)
      why = "game version differs: host " + version_ + ", spectator " + hello->GameVersion;
    else if (hello->LevelHash != levelHash_)
      why = "level tables differ";
    if (!why.empty()) {
      Drop(t, w.Id, why, true);
      return;
    }
    w.Hello = true;
    return;
  }
  // Before the match begins a spectator's acknowledgements only say it is still there.
  if (m && std::holds_alternative<TWatchAck>(*m) && w.Hello && !w.Welcomed) return;
  if (const auto* ack = m ? std::get_if<TWatchAck>(&*m) : nullptr; ack && w.Welcomed) {
    if (ack->Round < w.Round) return;  // late, from before it moved on
    const TRound* r = Find(w.Round);
    // It holds the whole round and knows it ended (it asks for tick 1 of the next): on to the
    // next one. Holding every tick is not enough: it may not have heard of the end yet.
    if (r && r->Closed && ack->Round == w.Round + 1 && ack->Tick == 0 && Find(w.Round + 1)) {
      ++w.Round;
      w.Acked = 0;
      w.LastSent = 0;
      return;
    }
    if (ack->Round != w.Round || !r || ack->Tick > r->States.size()) {
      ++stats_.BadPackets;
      ++w.Bad;
      return;
    }
    w.Acked = std::max(w.Acked, ack->Tick);
    return;
  }
  // Anything else a spectator has no business sending.
  ++stats_.BadPackets;
  ++w.Bad;
}

void TWatchHub::Pump(TNetTransport& t, uint32_t nowMs) {
  for (const TWatcherEvent& e : t.TakeWatcherEvents()) {
    if (e.Kind == TNetEventKind::Connected) {
      if (watchers_.size() >= kMaxWatchers) {
        ++stats_.Refused;
        t.SendToWatcher(e.Id, Encode(TRefuse{kWatchersFull}), true);
        t.DropWatcher(e.Id);
        continue;
      }
      TWatcher w;
      w.Id = e.Id;
      w.LastHeard = nowMs;
      watchers_.push_back(w);
      continue;
    }
    auto it =
        std::find_if(watchers_.begin(), watchers_.end(), [&](const TWatcher& w) { return w.Id == e.Id; });
    if (it == watchers_.end()) continue;
    if (e.Kind == TNetEventKind::Disconnected) {
      watchers_.erase(it);
      ++stats_.Left;
      continue;
    }
    Handle(t, *it, e.Data, nowMs);
  }
  std::vector<std::pair<uint32_t, std::string>> gone;
  for (TWatcher& w : watchers_) {
    if (nowMs - w.LastHeard >= kSilenceMs) {
      gone.push_back({w.Id, ""});
      continue;
    }
    if (w.Bad >= kWatchMaxBadPackets) {
      gone.push_back({w.Id, "too many broken packets"});
      continue;
    }
    if (w.Hello && !w.Welcomed && started_) {
      t.SendToWatcher(w.Id, Encode(welcome_), true);
      w.Welcomed = true;
      w.Round = round_;
      w.Acked = 0;
      w.LastSent = 0;
    }
    if (!w.Welcomed) {
      // Waiting with the host for its rival: now and then a word, so that it does not think
      // the host gone.
      if (w.Hello && (w.LastSent == 0 || nowMs - w.LastSent >= kWatchWaitingMs)) {
        t.SendToWatcher(w.Id, Encode(TWatchInputs{0, 1, 0, {}}), false);
        w.LastSent = nowMs == 0 ? 1 : nowMs;
      }
      continue;
    }
    if (!Find(w.Round)) {
      gone.push_back({w.Id, kWatchTooFarBehind});
      continue;
    }
    if (w.LastSent != 0 && nowMs - w.LastSent < kWatchSendMs) continue;
    t.SendToWatcher(w.Id, Encode(Packet(w)), false);
    w.LastSent = nowMs == 0 ? 1 : nowMs;
  }
  for (const auto& [id, why] : gone) Drop(t, id, why);
}

void TWatchHub::End(TNetTransport& t, const std::string& reason, uint32_t waitMs) {
  for (TWatcher& w : watchers_) {
    // What it still lacks goes reliably, so that it can play the match to the end.
    for (int chunks = 0; w.Welcomed && chunks < 64; ++chunks) {
      const TRound* r = Find(w.Round);
      if (!r) break;
      const TWatchInputs m = Packet(w);
      if (!m.States.empty()) {
        t.SendToWatcher(w.Id, Encode(m), true);
        w.Acked += uint32_t(m.States.size());
      } else if (r->Closed && Find(w.Round + 1)) {
        t.SendToWatcher(w.Id, Encode(m), true);  // the round's end
      }
      if (w.Acked < r->States.size()) continue;
      if (!r->Closed || !Find(w.Round + 1)) break;
      ++w.Round;
      w.Acked = 0;
    }
    t.SendToWatcher(w.Id, Encode(TRefuse{reason}), true);
    ++stats_.Left;
  }
  watchers_.clear();
  t.FlushWatchers(waitMs);
}

// ---- spectator ----

void TWatchFeed::Receive(const TWatchInputs& m) {
  if (forgotten_ && m.Round <= *forgotten_) {
    ++counters_.OtherRound;
    return;
  }
  auto it = rounds_.find(m.Round);
  if (it == rounds_.end()) {
    // The first round it hears of, or the one after a round held to its end; no more than
    // three rounds wait to be played.
    bool take = rounds_.empty() && (!forgotten_ || m.Round == *forgotten_ + 1);
    if (!rounds_.empty()) {
      const auto& [lastRound, last] = *rounds_.rbegin();
      take = m.Round == lastRound + 1 && last.Last && *last.Last == last.States.size() && rounds_.size() < 3;
    }
    if (!take) {
      ++counters_.OtherRound;
      return;
    }
    it = rounds_.emplace(m.Round, TRound{}).first;
  }
  TRound& r = it->second;
  if (m.LastTick != 0) {
    if ((r.Last && *r.Last != m.LastTick) || r.States.size() > m.LastTick) {
      ++counters_.Conflict;
      return;
    }
    r.Last = m.LastTick;
  }
  if (m.FirstTick > r.States.size() + 1) {
    ++counters_.Gap;
    return;
  }
  for (size_t i = 0; i < m.States.size(); ++i) {
    const uint64_t tick = uint64_t(m.FirstTick) + i;
    if (tick <= r.States.size()) {
      if (r.States[size_t(tick - 1)] != m.States[i]) ++counters_.Conflict;
    } else if (r.States.size() < kWatchHistoryTicks && (!r.Last || tick <= *r.Last)) {
      r.States.push_back(m.States[i]);
    }
  }
}

uint32_t TWatchFeed::Held(uint32_t round) const {
  auto it = rounds_.find(round);
  return it == rounds_.end() ? 0 : uint32_t(it->second.States.size());
}

std::optional<uint32_t> TWatchFeed::LastTick(uint32_t round) const {
  auto it = rounds_.find(round);
  return it == rounds_.end() ? std::nullopt : it->second.Last;
}

std::array<uint16_t, 2> TWatchFeed::At(uint32_t round, uint32_t tick) const {
  auto it = rounds_.find(round);
  if (it == rounds_.end() || tick == 0 || tick > it->second.States.size()) return {0, 0};
  return UnpackWatch(it->second.States[tick - 1]);
}

void TWatchFeed::Forget(uint32_t round) {
  rounds_.erase(rounds_.begin(), rounds_.upper_bound(round));
  if (!forgotten_ || round > *forgotten_) forgotten_ = round;
}

TWatchAck TWatchFeed::Ack() const {
  if (rounds_.empty()) return {forgotten_ ? *forgotten_ + 1 : 0, 0};
  const auto& [round, r] = *rounds_.rbegin();
  // A round held to its known end asks for the next one.
  if (r.Last && *r.Last == r.States.size()) return {round + 1, 0};
  return {round, uint32_t(r.States.size())};
}

TWatchMatch::TWatchMatch(std::unique_ptr<TNetTransport> transport, std::string gameVersion,
                         uint64_t levelHash)
    : transport_(std::move(transport)), version_(std::move(gameVersion)), levelHash_(levelHash) {}

TWatchMatch::~TWatchMatch() {
  if (transport_ && transport_->Connected()) transport_->Disconnect(100);
}

void TWatchMatch::End(const std::string& reason) {
  if (phase_ == TWatchPhase::Ended) return;
  phase_ = TWatchPhase::Ended;
  reason_ = reason;
}

void TWatchMatch::Leave() {
  if (phase_ != TWatchPhase::Ended && transport_->Connected()) transport_->Disconnect(100);
  End("left the match");
}

void TWatchMatch::Pump(uint32_t nowMs) {
  if (phase_ == TWatchPhase::Ended) return;
  for (int n = 0; n < 256; ++n) {
    TNetEvent e = transport_->Poll(0);
    if (e.Kind == TNetEventKind::None) break;
    if (e.Kind == TNetEventKind::Connected) {
      phase_ = TWatchPhase::Waiting;
      heard_ = true;
      lastHeard_ = nowMs;
      transport_->SendReliable(Encode(THello{kProtocolVersion, version_, levelHash_}));
      continue;
    }
    if (e.Kind == TNetEventKind::Disconnected) {
      if (phase_ == TWatchPhase::Connecting)
        End(e.Text.empty() ? "no answer from " + transport_->Address() : e.Text);
      else
        End(kHostLeft);
      return;
    }
    lastHeard_ = nowMs;
    const std::optional<TMessage> m = Decode(e.Data);
    if (!m) {
      ++undecoded_;
      continue;
    }
    if (const auto* w = std::get_if<TWelcome>(&*m)) {
      if (welcomed_) continue;
      if (w->GameVersion != version_) {
        Leave();
        reason_ = "game version differs: host " + w->GameVersion + ", spectator " + version_;
        return;
      }
      if (w->LevelHash != levelHash_) {
        Leave();
        reason_ = "level tables differ";
        return;
      }
      welcome_ = *w;
      welcomed_ = true;
      phase_ = TWatchPhase::Watching;
    } else if (const auto* in = std::get_if<TWatchInputs>(&*m)) {
      if (welcomed_) feed_.Receive(*in);
    } else if (const auto* r = std::get_if<TRefuse>(&*m)) {
      End(r->Reason);
      return;
    } else {
      ++undecoded_;
    }
  }
  if (heard_ && nowMs - lastHeard_ >= kSilenceMs) {
    transport_->Disconnect(0);
    End(kHostLeft);
    return;
  }
  // While the host waits for its rival too, the acknowledgements say this spectator is there.
  if ((phase_ == TWatchPhase::Watching || phase_ == TWatchPhase::Waiting) &&
      nowMs - lastAck_ >= kWatchSendMs) {
    transport_->SendInputs(Encode(feed_.Ack()));
    lastAck_ = nowMs;
  }
}

}  // namespace kq::net
