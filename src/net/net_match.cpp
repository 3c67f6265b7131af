#include "net/net_match.h"

#include <algorithm>
#include <cstdio>

namespace kq::net {

TNetMatch::TNetMatch(std::unique_ptr<TNetTransport> transport, bool host, TMatchSetup setup, uint16_t oneShot)
    : transport_(std::move(transport)),
      host_(host),
      setup_(std::move(setup)),
      oneShot_(oneShot),
      watch_(setup_.GameVersion, setup_.LevelHash) {
  inputs_ = std::make_unique<TRollbackInputs>(host_ ? 0 : 1, setup_.Delay, oneShot_, round_);
}

TNetMatch::~TNetMatch() {
  if (transport_ && transport_->Connected()) transport_->Disconnect(100);
}

void TNetMatch::End(const std::string& reason) {
  if (phase_ == TMatchPhase::Ended) return;
  phase_ = TMatchPhase::Ended;
  reason_ = reason;
  // The spectators play on to the last confirmed tick and learn why it ended.
  if (host_)
    watch_.End(*transport_, reason.starts_with("desync") ? reason : std::string(kMatchOver), kWatchEndWaitMs);
}

void TNetMatch::Leave(const std::string& reason) {
  if (phase_ != TMatchPhase::Ended && transport_->Connected()) {
    transport_->SendReliable(Encode(TRefuse{kRivalLeft}));
    transport_->Disconnect(200);
  }
  End(reason);
}

void TNetMatch::StartPlaying(int delay) {
  inputs_ = std::make_unique<TRollbackInputs>(host_ ? 0 : 1, delay, oneShot_, round_);
  lead_ = 0;
  phase_ = TMatchPhase::Playing;
}

void TNetMatch::Pump(uint32_t nowMs) {
  now_ = nowMs;
  if (phase_ == TMatchPhase::Ended) return;
  if (host_) watch_.Pump(*transport_, nowMs);
  for (;;) {
    TNetEvent e = transport_->Poll(0);
    if (e.Kind == TNetEventKind::None) break;
    if (e.Kind == TNetEventKind::Connected) {
      phase_ = TMatchPhase::Handshake;
      lastHeard_ = nowMs;
      heardOnce_ = true;
      if (!host_)
        transport_->SendReliable(Encode(THello{kProtocolVersion, setup_.GameVersion, setup_.LevelHash}));
      continue;
    }
    if (e.Kind == TNetEventKind::Disconnected) {
      if (host_ && phase_ != TMatchPhase::Playing) {
        phase_ = TMatchPhase::Connecting;  // a guest that left during the handshake
        heardOnce_ = false;
        continue;
      }
      if (phase_ != TMatchPhase::Connecting)
        End("rival disconnected");
      else
        End(e.Text.empty() ? "no answer from " + transport_->Address() : e.Text);
      return;
    }
    lastHeard_ = nowMs;
    heardOnce_ = true;
    auto m = Decode(e.Data);
    if (!m) {
      ++stats_.UndecodedPackets;
      continue;
    }
    Handle(*m);
    if (phase_ == TMatchPhase::Ended) return;
  }
  if (heardOnce_ && phase_ != TMatchPhase::Connecting && nowMs - lastHeard_ >= kSilenceMs) {
    End("rival disconnected");
    return;
  }
  if (phase_ == TMatchPhase::Playing) SendInputs(nowMs);
}

void TNetMatch::SendInputs(uint32_t nowMs) {
  // One packet per new sample; while no sample comes (waiting for the rival), one every two
  // tick lengths so acknowledgements and resends still flow.
  if (!newSample_ && nowMs - lastSend_ < 34) return;
  transport_->SendInputs(Encode(inputs_->Outgoing()));
  lastSend_ = nowMs;
  newSample_ = false;
}

void TNetMatch::Handle(const TMessage& m) {
  if (const auto* hello = std::get_if<THello>(&m)) {
    if (!host_ || phase_ == TMatchPhase::Playing) return;
    std::string why;
    if (hello->Protocol != kProtocolVersion)
      why = "network protocol differs: host " + std::to_string(kProtocolVersion) + ", guest " +
            std::to_string(hello->Protocol);
    else if (hello->GameVersion != setup_.GameVersion)
      why = "game version differs: host " + setup_.GameVersion + ", guest " + hello->GameVersion;
    else if (hello->LevelHash != setup_.LevelHash)
      why = "level tables differ";
    if (!why.empty()) {
      // The guest is told why; the host goes on waiting for another one.
      transport_->SendReliable(Encode(TRefuse{why}));
      transport_->Disconnect(300);
      notice_ = "refused a guest: " + why;
      phase_ = TMatchPhase::Connecting;
      heardOnce_ = false;
      return;
    }
    const int delay = std::clamp(setup_.Delay, 0, kMaxRollbackDelay);
    welcome_ = TWelcome{setup_.GameVersion, setup_.LevelHash, setup_.Seed, uint8_t(delay), setup_.Rules};
    transport_->SendReliable(Encode(welcome_));
    watch_.Start(welcome_);
    StartPlaying(welcome_.Delay);
  } else if (const auto* w = std::get_if<TWelcome>(&m)) {
    if (host_ || phase_ == TMatchPhase::Playing) return;
    // The host checks too; this side checks in case the host is another build.
    if (w->GameVersion != setup_.GameVersion) {
      Leave("game version differs: host " + w->GameVersion + ", guest " + setup_.GameVersion);
      return;
    }
    if (w->LevelHash != setup_.LevelHash) {
      Leave("level tables differ");
      return;
    }
    welcome_ = *w;
    welcome_.Delay = uint8_t(std::min<int>(w->Delay, kMaxRollbackDelay));
    StartPlaying(welcome_.Delay);
  } else if (const auto* r = std::get_if<TRefuse>(&m)) {
    End(rivalRetry_ == false ? std::string(kDeclined) : r->Reason);
  } else if (const auto* in = std::get_if<TInputs>(&m)) {
    if (phase_ == TMatchPhase::Playing) inputs_->Receive(*in);
  } else if (const auto* h = std::get_if<THash>(&m)) {
    if (phase_ != TMatchPhase::Playing || h->Round != round_) return;
    if (auto bad = desync_.AddRemote(h->Tick, h->Hash)) {
      transport_->SendReliable(Encode(TRefuse{"desync at tick " + std::to_string(*bad)}));
      End("desync at tick " + std::to_string(*bad));
    }
  } else if (std::get_if<TDelay>(&m)) {
    // The input delay stays what the host set for the match: a change is never sent.
    ++stats_.LateDelayChanges;
  } else if (const auto* rt = std::get_if<TRetry>(&m)) {
    if (rt->Round != round_) return;
    rivalRetry_ = rt->Yes;
    if (!host_) nextDelay_ = std::min<int>(rt->Delay, kMaxRollbackDelay);
  }
}

void TNetMatch::Sample(uint16_t states) {
  if (phase_ != TMatchPhase::Playing || inputs_->Sampled()) return;
  inputs_->Sample(states);
  newSample_ = true;
  SendInputs(now_);
}

bool TNetMatch::Ready() {
  if (phase_ != TMatchPhase::Playing) return false;
  if (inputs_->CanAdvance()) return true;
  if (inputs_->Sampled() && waitedTick_ != inputs_->NextTick()) {
    waitedTick_ = inputs_->NextTick();
    ++stats_.Waits;
  }
  return false;
}

std::array<uint16_t, 2> TNetMatch::Advance() {
  const auto states = inputs_->Advance();
  // The rival's states of tick t left it when it sampled tick t - delay, half a round trip
  // ago: the tick the rival is at now, seen from here, is that far on. The difference from
  // this side's tick, smoothed over about a second.
  const double transit = double(transport_->RoundTripMs()) / 2.0 * 3.0 / 50.0;
  const double rivalTick = double(inputs_->RemoteContiguous()) - double(inputs_->Delay()) + transit;
  const double lead = double(inputs_->NextTick() - 1) - rivalTick;
  lead_ += (lead - lead_) / 60.0;
  return states;
}

void TNetMatch::ReportHash(uint32_t tick, uint64_t hash) {
  if (phase_ != TMatchPhase::Playing) return;
  transport_->SendReliable(Encode(THash{round_, tick, hash}));
  if (auto bad = desync_.AddLocal(tick, hash)) {
    transport_->SendReliable(Encode(TRefuse{"desync at tick " + std::to_string(*bad)}));
    End("desync at tick " + std::to_string(*bad));
  }
}

void TNetMatch::AnswerRetry(bool yes) {
  if (phase_ != TMatchPhase::Playing || myRetry_) return;
  myRetry_ = yes;
  const int delay = inputs_->Delay();
  if (host_) nextDelay_ = delay;
  transport_->SendReliable(Encode(TRetry{round_, yes, uint8_t(delay)}));
}

void TNetMatch::NewRound() {
  ++round_;
  if (host_) watch_.NewRound();
  myRetry_.reset();
  rivalRetry_.reset();
  desync_ = TDesyncCheck();
  waitedTick_ = 0;
  StartPlaying(nextDelay_);
}

}  // namespace kq::net
