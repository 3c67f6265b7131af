#pragma once
// Two transports joined in memory: what one sends the other polls, with switches for losing
// inputs and for falling silent.
#include <deque>
#include <memory>

#include "net/transport.h"

namespace kq::net {

struct TMemWire {
  std::deque<TNetEvent> queue[2];
  bool connected = false;
  bool silent[2] = {false, false};  // side n sends nothing at all
  int dropInputsEvery = 0;          // every n-th input packet is lost
  int inputsSent = 0;
  uint64_t bytes[2] = {0, 0};
  // The host's spectators (side 0): what they did, what was sent them (id, bytes, reliable),
  // whom the host let go, and whether it flushed them at the end.
  struct TSent {
    uint32_t Id;
    std::vector<uint8_t> Bytes;
    bool Reliable;
  };
  std::vector<TWatcherEvent> watcherIn;
  std::vector<TSent> watcherOut;
  std::vector<uint32_t> watchersDropped;
  bool watchersFlushed = false;
};

class TMemTransport final : public TNetTransport {
 public:
  TMemTransport(std::shared_ptr<TMemWire> w, int side) : w_(std::move(w)), side_(side) {}
  TNetEvent Poll(uint32_t) override {
    auto& q = w_->queue[side_];
    if (q.empty()) return {};
    TNetEvent e = std::move(q.front());
    q.pop_front();
    return e;
  }
  bool Connected() const override { return w_->connected; }
  void SendReliable(const std::vector<uint8_t>& b) override { Push(0, b); }
  void SendInputs(const std::vector<uint8_t>& b) override {
    if (w_->dropInputsEvery && ++w_->inputsSent % w_->dropInputsEvery == 0) return;
    Push(1, b);
  }
  void Disconnect(uint32_t) override {
    if (!w_->connected) return;
    w_->connected = false;
    w_->queue[1 - side_].push_back({TNetEventKind::Disconnected, 0, {}, {}});
  }
  uint32_t RoundTripMs() const override { return 0; }
  uint64_t BytesSent() const override { return w_->bytes[side_]; }
  uint64_t BytesReceived() const override { return w_->bytes[1 - side_]; }
  uint32_t ForeignDatagrams() const override { return 0; }
  std::string Address() const override { return "memory"; }
  std::vector<TWatcherEvent> TakeWatcherEvents() override {
    std::vector<TWatcherEvent> out;
    if (side_ == 0) out.swap(w_->watcherIn);
    return out;
  }
  void SendToWatcher(uint32_t id, const std::vector<uint8_t>& b, bool reliable) override {
    w_->watcherOut.push_back({id, b, reliable});
  }
  void DropWatcher(uint32_t id) override { w_->watchersDropped.push_back(id); }
  void FlushWatchers(uint32_t) override { w_->watchersFlushed = true; }

 private:
  void Push(int channel, const std::vector<uint8_t>& b) {
    if (!w_->connected || w_->silent[side_]) return;
    w_->bytes[side_] += b.size();
    w_->queue[1 - side_].push_back({TNetEventKind::Message, channel, b, {}});
  }
  std::shared_ptr<TMemWire> w_;
  int side_;
};

// Both ends connected, the Connected events queued.
inline std::pair<std::unique_ptr<TNetTransport>, std::unique_ptr<TNetTransport>> MemPair(
    std::shared_ptr<TMemWire> w) {
  w->connected = true;
  w->queue[0].push_back({TNetEventKind::Connected, 0, {}, {}});
  w->queue[1].push_back({TNetEventKind::Connected, 0, {}, {}});
  return {std::make_unique<TMemTransport>(w, 0), std::make_unique<TMemTransport>(w, 1)};
}

}  // namespace kq::net
