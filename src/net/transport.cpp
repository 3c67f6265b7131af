#include "net/transport.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <mutex>

#include "net/net_sim.h"

namespace kq::net {
namespace {

std::mutex gEnetMutex;
int gEnetUsers = 0;

bool AcquireEnet() {
  std::lock_guard<std::mutex> lock(gEnetMutex);
  if (gEnetUsers == 0 && enet_initialize() != 0) return false;
  ++gEnetUsers;
  return true;
}

void ReleaseEnet() {
  std::lock_guard<std::mutex> lock(gEnetMutex);
  if (--gEnetUsers == 0) enet_deinitialize();
}

// ENet's raw-datagram hook has no user pointer: each host finds its transport here.
class TEnetTransport;
std::map<const ENetHost*, TEnetTransport*> gHosts;

std::string IpText(const ENetAddress& a) {
  char buf[64] = "?";
  enet_address_get_host_ip(&a, buf, sizeof buf);
  return buf;
}

class TEnetTransport final : public TNetTransport {
 public:
  TEnetTransport() = default;
  ~TEnetTransport() override {
    if (host_) {
      {
        std::lock_guard<std::mutex> lock(gEnetMutex);
        gHosts.erase(host_);
      }
      enet_host_destroy(host_);
    }
    relay_.Stop();
    if (enet_) ReleaseEnet();
  }

  bool Init(const ENetAddress* bind, std::string& error) {
    if (!AcquireEnet()) {
      error = "network start-up failed";
      return false;
    }
    enet_ = true;
    host_ = enet_host_create(bind, 1, 2, 0, 0);
    if (!host_) {
      error = bind ? "port " + std::to_string(bind->port) + " is in use" : "cannot open a network socket";
      return false;
    }
    host_->intercept = &Intercept;
    std::lock_guard<std::mutex> lock(gEnetMutex);
    gHosts[host_] = this;
    return true;
  }

  bool Connect(const ENetAddress& to, const TNetSim& sim, std::string& error) {
    ENetAddress target = to;
    if (sim.Active()) {
      const uint16_t port = relay_.Start(ntohl(to.host), to.port, sim, 0x6b71303031ull);
      if (port == 0) {
        error = "cannot start the network simulation relay";
        return false;
      }
      enet_address_set_host(&target, "127.0.0.1");
      target.port = port;
    }
    peer_ = enet_host_connect(host_, &target, 2, 0);
    if (!peer_) {
      error = "cannot connect";
      return false;
    }
    SetTimeouts();
    return true;
  }

  TNetEvent Poll(uint32_t timeoutMs) override {
    TNetEvent out;
    ENetEvent e;
    if (enet_host_service(host_, &e, timeoutMs) <= 0) return out;
    switch (e.type) {
      case ENET_EVENT_TYPE_CONNECT:
        if (peer_ && e.peer != peer_) {
          enet_peer_reset(e.peer);  // one guest only
          break;
        }
        peer_ = e.peer;
        SetTimeouts();
        connected_ = true;
        out.Kind = TNetEventKind::Connected;
        break;
      case ENET_EVENT_TYPE_DISCONNECT:
        if (e.peer != peer_) break;
        connected_ = false;
        peer_ = nullptr;
        out.Kind = TNetEventKind::Disconnected;
        break;
      case ENET_EVENT_TYPE_RECEIVE:
        if (e.peer == peer_) {
          out.Kind = TNetEventKind::Message;
          out.Channel = e.channelID;
          out.Data.assign(e.packet->data, e.packet->data + e.packet->dataLength);
        }
        enet_packet_destroy(e.packet);
        break;
      default:
        break;
    }
    return out;
  }

  bool Connected() const override { return connected_; }

  void SendReliable(const std::vector<uint8_t>& bytes) override { Send(0, bytes, ENET_PACKET_FLAG_RELIABLE); }
  void SendInputs(const std::vector<uint8_t>& bytes) override { Send(1, bytes, 0); }

  void Disconnect(uint32_t waitMs) override {
    if (!peer_) return;
    enet_peer_disconnect_later(peer_, 0);
    ENetEvent e;
    uint32_t waited = 0;
    while (waited < waitMs && enet_host_service(host_, &e, 10) >= 0) {
      waited += 10;
      if (e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
      if (e.type == ENET_EVENT_TYPE_DISCONNECT) {
        peer_ = nullptr;
        break;
      }
    }
    if (peer_) enet_peer_reset(peer_);
    peer_ = nullptr;
    connected_ = false;
  }

  uint32_t RoundTripMs() const override { return peer_ ? peer_->roundTripTime : 0; }
  uint64_t BytesSent() const override { return host_->totalSentData; }
  // ENet counts every datagram before the hook sees it.
  uint64_t BytesReceived() const override { return host_->totalReceivedData - dropped_; }
  uint64_t BytesDropped() const override { return dropped_; }
  uint32_t ForeignDatagrams() const override { return foreign_; }
  std::string Address() const override {
    if (peer_) return IpText(peer_->address) + ":" + std::to_string(peer_->address.port);
    return std::to_string(host_->address.port);
  }

 private:
  void Send(int channel, const std::vector<uint8_t>& bytes, uint32_t flags) {
    if (!peer_ || !connected_) return;
    ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), flags);
    if (p && enet_peer_send(peer_, uint8_t(channel), p) != 0) enet_packet_destroy(p);
  }

  void SetTimeouts() {
    if (peer_) enet_peer_timeout(peer_, 0, kSilenceMs, kSilenceMs);
  }

  // Datagrams from anyone but the peer are dropped before ENet reads them, and so is what ENet
  // would drop unread itself (no peer of that number, a stale session, not a connection
  // request), so that only the datagrams the connection takes count as received.
  static int ENET_CALLBACK Intercept(ENetHost* host, ENetEvent*) {
    TEnetTransport* self = nullptr;
    {
      std::lock_guard<std::mutex> lock(gEnetMutex);
      auto it = gHosts.find(host);
      if (it != gHosts.end()) self = it->second;
    }
    if (!self) return 0;
    const ENetAddress& from = host->receivedAddress;
    const bool live = self->peer_ && self->peer_->state != ENET_PEER_STATE_DISCONNECTED;
    const bool foreign =
        live && (from.host != self->peer_->address.host || from.port != self->peer_->address.port);
    if (!foreign && !Unreadable(host)) return 0;
    if (foreign) ++self->foreign_;
    self->dropped_ += host->receivedDataLength;
    return 1;
  }

  // The checks ENet makes before it reads a datagram's commands.
  static bool Unreadable(const ENetHost* host) {
    const size_t n = host->receivedDataLength;
    const uint8_t* d = host->receivedData;
    if (n < 2) return true;
    const uint16_t word = uint16_t(d[0] << 8 | d[1]);
    const uint16_t flags = word & ENET_PROTOCOL_HEADER_FLAG_MASK;
    const uint8_t session =
        uint8_t((word & ENET_PROTOCOL_HEADER_SESSION_MASK) >> ENET_PROTOCOL_HEADER_SESSION_SHIFT);
    const uint16_t id = word & ~uint16_t(ENET_PROTOCOL_HEADER_FLAG_MASK | ENET_PROTOCOL_HEADER_SESSION_MASK);
    if ((flags & ENET_PROTOCOL_HEADER_FLAG_COMPRESSED) && !host->compressor.context) return true;
    const size_t header = (flags & ENET_PROTOCOL_HEADER_FLAG_SENT_TIME) ? 4 : 2;
    if (id == ENET_PROTOCOL_MAXIMUM_PEER_ID)  // only a connection request comes without a peer
      return n < header + sizeof(ENetProtocolCommandHeader) ||
             (d[header] & ENET_PROTOCOL_COMMAND_MASK) != ENET_PROTOCOL_COMMAND_CONNECT;
    if (id >= host->peerCount) return true;
    const ENetPeer& peer = host->peers[id];
    return peer.state == ENET_PEER_STATE_DISCONNECTED || peer.state == ENET_PEER_STATE_ZOMBIE ||
           ((host->receivedAddress.host != peer.address.host ||
             host->receivedAddress.port != peer.address.port) &&
            peer.address.host != ENET_HOST_BROADCAST) ||
           (peer.outgoingPeerID < ENET_PROTOCOL_MAXIMUM_PEER_ID && session != peer.incomingSessionID);
  }

  bool enet_ = false;
  ENetHost* host_ = nullptr;
  ENetPeer* peer_ = nullptr;
  bool connected_ = false;
  uint32_t foreign_ = 0;
  uint64_t dropped_ = 0;
  TNetSimRelay relay_;
};

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && out >= lo && out <= hi;
}

}  // namespace

bool ParseNetSim(const std::string& text, TNetSim& out) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() != 3) return false;
  TNetSim s;
  if (!ParseInt(parts[0], 0, 2000, s.DelayMs) || !ParseInt(parts[1], 0, 2000, s.JitterMs) ||
      !ParseInt(parts[2], 0, 100, s.LossPercent))
    return false;
  out = s;
  return true;
}

bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port, std::string& why) {
  std::string h = text;
  std::string p;
  bool hasPort = false;
  if (!h.empty() && h.front() == '[') {
    const size_t close = h.find(']');
    if (close == std::string::npos) {
      why = "an IPv6 address needs its closing ]";
      return false;
    }
    if (close + 1 < h.size()) {
      if (h[close + 1] != ':') {
        why = "only :PORT may follow the ]";
        return false;
      }
      p = h.substr(close + 2);
      hasPort = true;
    }
    h = h.substr(1, close - 1);
  } else if (const size_t colon = h.rfind(':'); colon != std::string::npos && h.find(':') == colon) {
    p = h.substr(colon + 1);
    h = h.substr(0, colon);
    hasPort = true;
  }
  if (h.empty()) {
    why = "no host is given";
    return false;
  }
  int n = kDefaultPort;
  if (hasPort) {
    const bool digits =
        !p.empty() && std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
      why = p.empty() ? "the port is missing after the colon" : "the port is not a number";
      return false;
    }
    if (!ParseInt(p, 1, 65535, n)) {
      why = "the port " + p + " is out of range (1 to 65535)";
      return false;
    }
  }
  host = h;
  port = uint16_t(n);
  return true;
}

bool ParseHostPort(const std::string& text, std::string& host, uint16_t& port) {
  std::string why;
  return ParseHostPort(text, host, port, why);
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
    char buf[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf)) out.emplace_back(buf);
  }
  freeifaddrs(list);
  return out;
}

std::unique_ptr<TNetTransport> HostMatch(uint16_t port, std::string& error) {
  auto t = std::make_unique<TEnetTransport>();
  ENetAddress a{};
  a.host = ENET_HOST_ANY;
  a.port = port;
  if (!t->Init(&a, error)) return nullptr;
  return t;
}

std::unique_ptr<TNetTransport> JoinMatch(const std::string& host, uint16_t port, const TNetSim& sim,
                                         std::string& error) {
  auto t = std::make_unique<TEnetTransport>();
  if (!t->Init(nullptr, error)) return nullptr;
  ENetAddress a{};
  if (enet_address_set_host(&a, host.c_str()) != 0) {
    error = "unknown host " + host;
    return nullptr;
  }
  a.port = port;
  if (!t->Connect(a, sim, error)) return nullptr;
  return t;
}

}  // namespace kq::net
