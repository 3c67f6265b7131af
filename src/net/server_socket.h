#pragma once
// The match server's UDP socket around TMatchServer: kq001-server runs it, and tests run it
// on the loopback.
#include <atomic>
#include <cstdint>
#include <string>

#include "net/match_server.h"

namespace kq::net {

class TServerSocket {
 public:
  TServerSocket() = default;
  ~TServerSocket();
  TServerSocket(const TServerSocket&) = delete;
  TServerSocket& operator=(const TServerSocket&) = delete;

  // Binds ip:port (port 0: any free one); false with error set.
  bool Open(uint32_t ip, uint16_t port, std::string& error);
  uint16_t Port() const { return port_; }
  // Answers datagrams until stop is set (checked at least every 250 ms).
  void Serve(TMatchServer& server, const std::atomic<bool>& stop);
  // Reports the server's counts to log every this many ms (0: never).
  uint64_t ReportEveryMs = 0;

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

uint64_t SteadyMs();

}  // namespace kq::net
