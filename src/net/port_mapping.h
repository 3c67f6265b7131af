#pragma once
// Asks the home router (UPnP IGD) to forward a UDP port to this machine, in the background so
// the screen keeps drawing, and removes the forwarding again when dropped.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "net/lobby.h"

namespace kq::net {

class TPortMapping {
 public:
  enum class TState { Asking, Open, Failed };

  explicit TPortMapping(uint16_t port);
  // Removes the forwarding; waits for a request still under way.
  ~TPortMapping();
  TPortMapping(const TPortMapping&) = delete;
  TPortMapping& operator=(const TPortMapping&) = delete;

  TState State() const { return state_.load(); }
  // The router's public address and the opened port, once Open.
  TAddr External() const;
  // Why it failed, for the log.
  std::string Error() const;

 private:
  void Ask();

  uint16_t port_;
  std::atomic<TState> state_{TState::Asking};
  mutable std::mutex mutex_;
  TAddr external_;
  std::string error_;
  std::string controlUrl_, serviceType_;
  std::thread thread_;
};

}  // namespace kq::net
