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
};

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
  // The address a person types to join this one (host side), or the peer's.
  virtual std::string Address() const = 0;
};

// This machine's IPv4 addresses other than the loopback, for the waiting screen.
std::vector<std::string> LocalAddresses();

// Listens on port (all addresses) for one guest. Empty pointer and error set on failure.
std::unique_ptr<TNetTransport> HostMatch(uint16_t port, std::string& error);
// Starts connecting to host:port; Poll reports Connected or Disconnected. With sim active the
// traffic goes through a local relay that adds the conditions.
std::unique_ptr<TNetTransport> JoinMatch(const std::string& host, uint16_t port, const TNetSim& sim,
                                         std::string& error);

}  // namespace kq::net
