#pragma once
// Finds the games hosted on the local networks: a broadcast question that every waiting or
// playing host answers with its name, version and whether it is free.
#include <cstdint>
#include <string>
#include <vector>

#include "net/lobby.h"

namespace kq::net {

struct TLanGame {
  TAddr Addr;  // where to join: the answer's sender and the port it names
  std::string Name, Version;
  bool Busy = false;
};

class TLanSearch {
 public:
  // Asks targets (default: every local network's broadcast address and 255.255.255.255, on the
  // game's port); empty Error() when the question went out.
  explicit TLanSearch(std::vector<TAddr> targets = {});
  ~TLanSearch();
  TLanSearch(const TLanSearch&) = delete;
  TLanSearch& operator=(const TLanSearch&) = delete;

  // Asks again (a host may have started since).
  void Ask();
  // Reads the answers that arrived; waits at most waitMs for the first.
  void Poll(uint32_t waitMs);
  const std::vector<TLanGame>& Games() const { return games_; }
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  uint32_t nonce_ = 0;
  std::vector<TAddr> targets_;
  std::vector<TLanGame> games_;
  std::string error_;
};

// The addresses of KQ001_LAN_TARGETS ("ADDR[:PORT],..."), which the search asks instead of the
// broadcast addresses: tests keep their questions on the loopback with it. Empty when unset or
// when nothing in it reads as an address.
std::vector<TAddr> EnvironmentTargets(const char* list);
// The broadcast addresses of this machine's IPv4 networks, on port.
std::vector<TAddr> BroadcastTargets(uint16_t port);
// Only printable ASCII of a name a stranger sent, at most max characters.
std::string PrintableText(const std::string& s, size_t max);

}  // namespace kq::net
