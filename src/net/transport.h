#pragma once
// The connection of a network match over ENet (UDP): channel 0 reliable and ordered for the
// handshake and control messages, channel 1 unreliable and sequenced for the inputs.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kq::net {

constexpr uint16_t kDefaultPort = 7701;
// A peer silent this long has gone.
constexpr uint32_t kSilenceMs = 5000;

// Test-only network conditions: added one-way delay, jitter and loss in both directions.
struct TNetSim {
  int DelayMs = 0;
  int JitterMs = 0;
  int LossPercent = 0;
  bool Active() const { return DelayMs > 0 || JitterMs > 0 || LossPercent > 0; }
};
// "60,10,5" -> delay, jitter, loss; false for anything else.
bool ParseNetSim(const std::string& text, TNetSim& out);
// "host", "host:port", "[v6]:port"; false when the port is not 1..65535.
bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port);
// The same; on failure why says what is wrong ("the port 99999 is out of range (1 to 65535)").
bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port, std::string& why);

enum class TNetEventKind { None, Connected, Disconnected, Message };

struct TNetEvent {
  TNetEventKind Kind = TNetEventKind::None;
  int Channel = 0;
  std::vector<uint8_t> Data;
  std::string Text;  // Disconnected before connecting: why, when known
};

// How the two machines reached each other: the LAN or a typed address, a port the host's
// router opened (UPnP), a path opened through both routers, or the match server relaying.
enum class TNetPath { Direct, Upnp, Punched, Relay };
const char* PathName(TNetPath p);

// A connection that asked to watch a hosted match rather than play it. The host keeps these
// apart from its guest: Id names one until it is gone.
struct TWatcherEvent {
  TNetEventKind Kind = TNetEventKind::None;
  uint32_t Id = 0;
  std::vector<uint8_t> Data;
};
// Connections a host takes beyond its guest: the spectators, one more that is told no, and room
// for half-open ones.
constexpr size_t kWatcherSlots = 12;

class TNetTransport {
 public:
  virtual ~TNetTransport() = default;
  // Next event, waiting at most timeoutMs; None when nothing happened.
  virtual TNetEvent Poll(uint32_t timeoutMs) = 0;
  virtual bool Connected() const = 0;
  virtual void SendReliable(const std::vector<uint8_t>& bytes) = 0;
  virtual void SendInputs(const std::vector<uint8_t>& bytes) = 0;
  // Sends what is queued and says goodbye; waits at most waitMs for the peer to hear it.
  virtual void Disconnect(uint32_t waitMs) = 0;
  virtual uint32_t RoundTripMs() const = 0;
  virtual uint64_t BytesSent() const = 0;
  // Bytes of the datagrams the connection took; those it dropped are counted apart.
  virtual uint64_t BytesReceived() const = 0;
  virtual uint64_t BytesDropped() const { return 0; }
  // Datagrams from an address that is not the peer's, dropped unread.
  virtual uint32_t ForeignDatagrams() const = 0;
  // The address a person types to join this one (host side), or the peer's (the one asked
  // for while connecting).
  virtual std::string Address() const = 0;
  virtual TNetPath Path() const { return TNetPath::Direct; }
  // What the connection is doing, for the waiting screen; empty when there is nothing to say.
  virtual std::string Status() const { return {}; }
  // Host with a match server: the invite code once the server gave one.
  virtual std::string InviteCode() const { return {}; }
  // Host: the public address and port the router opened, once it did.
  virtual std::string PublicAddress() const { return {}; }
  // Host: a lasting problem worth showing (the match server does not answer, ...).
  virtual std::string Problem() const { return {}; }

  // Host: what the spectators' connections did since the last call (at most a bounded number
  // of messages are kept between calls; more are dropped).
  virtual std::vector<TWatcherEvent> TakeWatcherEvents() { return {}; }
  virtual void SendToWatcher(uint32_t /*id*/, const std::vector<uint8_t>& /*bytes*/, bool /*reliable*/) {}
  // Sends what is queued for it, then lets it go; no more events come from it.
  virtual void DropWatcher(uint32_t /*id*/) {}
  // The end of the match: lets every spectator go, waiting at most waitMs for them to take
  // what was sent.
  virtual void FlushWatchers(uint32_t /*waitMs*/) {}
};

// This machine's IPv4 addresses other than the loopback, for the waiting screen.
std::vector<std::string> LocalAddresses();

struct THostOptions {
  uint16_t Port = kDefaultPort;
  std::string Server;  // "host[:port]" of a match server, or empty
  bool Upnp = true;    // ask the router to open the port (only with a server that is not local)
  std::string Name;    // answered to LAN searches
  std::string Version;
};

// Listens on port (all addresses) for one guest. Empty pointer and error set on failure.
std::unique_ptr<TNetTransport> HostMatch(uint16_t port, std::string& error);
// The same, answering LAN searches and, with a server, registering for an invite code.
std::unique_ptr<TNetTransport> HostMatch(const THostOptions& o, std::string& error);
// Joins by invite code through the match server at server ("host[:port]"): directly when the
// host's router opened a port or both share a network, else through both routers, else
// relayed by the server.
// watch: as a spectator of the host's match.
std::unique_ptr<TNetTransport> JoinByCode(const std::string& code, const std::string& server,
                                          std::string& error, bool watch = false);
// Starts connecting to host:port; Poll reports Connected or Disconnected. With sim active the
// traffic goes through a local relay that adds the conditions.
std::unique_ptr<TNetTransport> JoinMatch(const std::string& host, uint16_t port, const TNetSim& sim,
                                         std::string& error, bool watch = false);

}  // namespace kq::net
