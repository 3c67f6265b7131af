#pragma once
// A UDP relay on the loopback that delays, jitters and drops datagrams in both directions, so
// tests can prove the rollback under a bad network without root or traffic shaping.
#include <atomic>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/transport.h"

namespace kq::net {

class TNetSimRelay {
 public:
  TNetSimRelay() = default;
  ~TNetSimRelay();
  TNetSimRelay(const TNetSimRelay&) = delete;
  TNetSimRelay& operator=(const TNetSimRelay&) = delete;

  // Forwards to target (an IPv4 address in host byte order) : port; returns the loopback port
  // to send to, 0 on failure.
  uint16_t Start(uint32_t targetIp, uint16_t targetPort, const TNetSim& sim, uint64_t seed);
  void Stop();
  uint64_t Dropped() const { return dropped_; }

 private:
  struct Pending {
    uint64_t DueUs;
    bool ToTarget;
    std::vector<uint8_t> Data;
  };
  void Run();
  uint64_t DueAfter(uint64_t nowUs);

  int front_ = -1;  // bound on the loopback, talks to the local ENet host
  int back_ = -1;   // connected to the target
  TNetSim sim_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> dropped_{0};
  std::thread thread_;
  std::mt19937_64 rng_;
};

}  // namespace kq::net
