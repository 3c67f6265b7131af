#pragma once
// The match server's state and rules, without sockets: what it answers to each datagram and
// what it forwards. It holds hosts by invite code and the matches it relays, and never looks
// into a game's datagrams.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/lobby.h"

namespace kq::net {

struct TServerLimits {
  size_t MaxHosts = 4096;
  size_t HostsPerIp = 4;
  size_t MaxRelays = 1024;
  // Per address (IP): requests a second and the burst allowed.
  double RequestsPerSecond = 10;
  double RequestBurst = 20;
  // Per address: joins with a code that is not there, a minute (guessing codes).
  double MissesPerMinute = 5;
  double MissBurst = 5;
  // Per relayed match and direction.
  double RelayBytesPerSecond = 16 * 1024;
  double RelayBurstBytes = 64 * 1024;
  // A host not heard from this long has gone and its code is free.
  uint64_t HostIdleMs = 10 * 60 * 1000;
  // A relay neither side used this long ends.
  uint64_t RelayIdleMs = 60 * 1000;
  // Addresses tracked for the rate limits; when full, unknown addresses wait for room.
  size_t MaxTrackedIps = 65536;
};

struct TOutgoing {
  TAddr To;
  std::vector<uint8_t> Bytes;
};

struct TServerStats {
  uint64_t Datagrams = 0;
  uint64_t Malformed = 0;
  uint64_t RateLimited = 0;
  uint64_t Relayed = 0;
  uint64_t RelayDropped = 0;
  uint64_t RelayedBytes = 0;
};

class TMatchServer {
 public:
  // random: 64 unpredictable bits a call (codes and tokens come from it).
  TMatchServer(TServerLimits limits, std::function<uint64_t()> random);

  // One datagram from `from` at nowMs; answers and forwarded datagrams are appended to out.
  void Receive(const TAddr& from, std::span<const uint8_t> data, uint64_t nowMs, std::vector<TOutgoing>& out);
  // Drops hosts, relays and rate records that are over; call a few times a second.
  void Expire(uint64_t nowMs);

  size_t Hosts() const { return hosts_.size(); }
  size_t Relays() const { return relaysByAddr_.size() / 2; }
  bool HasCode(const std::string& code) const { return hosts_.count(code) != 0; }
  const TServerStats& Stats() const { return stats_; }
  // One line per event worth a log line (registered, joined, relaying, expired).
  std::function<void(const std::string&)> Log;

 private:
  struct TBucket {
    double Tokens = 0;
    uint64_t At = 0;
    bool Take(double cost, double rate, double burst, uint64_t now);
  };
  struct TIpRecord {
    TBucket Requests, Misses;
    size_t Hosts = 0;
    uint64_t LastSeen = 0;
  };
  struct THost {
    std::string Code;
    TAddr Addr;
    std::vector<TCandidate> Candidates;
    uint64_t LastHeard = 0;
    bool Busy = false;
  };
  struct TRelay {
    std::string Code;
    TAddr Host, Guest;
    TBucket ToHost, ToGuest;
    uint64_t LastUsed = 0;
  };

  TIpRecord* Record(uint32_t ip, uint64_t now);
  std::string NewCode();
  void Send(std::vector<TOutgoing>& out, const TAddr& to, const TLobbyMessage& m);
  void RemoveHost(const std::string& code, const char* why);
  void RemoveRelay(const TAddr& either);
  void Say(const std::string& line);

  TServerLimits limits_;
  std::function<uint64_t()> random_;
  std::map<std::string, THost> hosts_;
  std::map<TAddr, std::string> codeByAddr_;
  std::map<TAddr, std::shared_ptr<TRelay>> relaysByAddr_;  // both ends of each relay
  std::unordered_map<uint32_t, TIpRecord> ips_;
  TServerStats stats_;
};

}  // namespace kq::net
