#include "net/transport.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "net/lobby.h"
#include "net/net_sim.h"
#include "net/port_mapping.h"

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

uint32_t NowMs() {
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

TAddr FromEnet(const ENetAddress& a) {
  return {ntohl(a.host), a.port};
}
ENetAddress ToEnet(const TAddr& a) {
  ENetAddress e{};
  e.host = htonl(a.Ip);
  e.port = a.Port;
  return e;
}

uint32_t RandomNonce() {
  uint32_t v = 0;
  if (getrandom(&v, sizeof v, 0) != sizeof v) v = NowMs() * 2654435761u;
  return v;
}

// Looks a name up, except names under "invalid": those never resolve, so they are refused here
// without asking a name server (RFC 6761).
bool LookUpHost(const std::string& host, ENetAddress& a) {
  constexpr std::string_view kInvalid = ".invalid";
  std::string lower = host;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  while (!lower.empty() && lower.back() == '.') lower.pop_back();
  if (lower == "invalid" || (lower.size() > kInvalid.size() && lower.ends_with(kInvalid))) return false;
  return enet_address_set_host(&a, host.c_str()) == 0;
}

// Resolves "host[:port]" (port default given); false with error set.
bool Resolve(const std::string& text, uint16_t defaultPort, TAddr& out, std::string& error) {
  std::string host;
  uint16_t port = 0;
  if (!ParseHostPort(text, host, port)) {
    error = "not a server address: " + text;
    return false;
  }
  if (text.find(':') == std::string::npos || text.back() == ']') port = defaultPort;
  ENetAddress a{};
  if (!LookUpHost(host, a)) {
    error = "unknown host " + host;
    return false;
  }
  out = {ntohl(a.host), port};
  return true;
}

// Timing of the ways through routers.
constexpr uint32_t kServerRetryMs = 300;   // a lost request to the server is sent again
constexpr uint32_t kServerTriesMs = 3000;  // after this the server does not answer
constexpr uint32_t kKeepAliveMs = 10000;   // host -> server, keeps the router's mapping too
constexpr uint32_t kPunchEveryMs = 50;
constexpr uint32_t kPunchForMs = 4000;
constexpr uint32_t kDirectHeadStartMs = 300;  // an opened port or the LAN is tried alone first
constexpr uint32_t kRelayAfterMs = 1500;      // no path by then: the server relays
constexpr uint32_t kGiveUpMs = 8000;
// Added to the path in the connection request of a spectator.
constexpr uint32_t kWatchFlag = 0x100;
// Spectators' messages kept between two TakeWatcherEvents.
constexpr size_t kMaxWatcherEvents = 256;

class TEnetTransport final : public TNetTransport {
 public:
  TEnetTransport() = default;
  ~TEnetTransport() override {
    if (host_) {
      if (!code_.empty())
        for (int i = 0; i < 2; ++i) SendLobby(server_, TUnregister{code_});
      {
        std::lock_guard<std::mutex> lock(gEnetMutex);
        gHosts.erase(host_);
      }
      enet_host_destroy(host_);
    }
    mapping_.reset();  // the router closes the port again
    relay_.Stop();
    if (enet_) ReleaseEnet();
  }

  bool Init(const ENetAddress* bind, size_t peers, std::string& error) {
    if (!AcquireEnet()) {
      error = "network start-up failed";
      return false;
    }
    enet_ = true;
    host_ = enet_host_create(bind, peers, 2, 0, 0);
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
    target_ = IpText(to) + ":" + std::to_string(to.port);
    if (sim.Active()) {
      const uint16_t port = relay_.Start(ntohl(to.host), to.port, sim, 0x6b71303031ull);
      if (port == 0) {
        error = "cannot start the network simulation relay";
        return false;
      }
      enet_address_set_host(&target, "127.0.0.1");
      target.port = port;
    }
    peer_ = enet_host_connect(host_, &target, 2, uint32_t(TNetPath::Direct) | watchFlag_);
    if (!peer_) {
      error = "cannot connect";
      return false;
    }
    attempts_.push_back({peer_, TNetPath::Direct});
    peer_ = nullptr;
    status_ = "trying a direct path";
    SetTimeouts();
    return true;
  }

  // Host: answers LAN searches; with a server, opens the router's port and registers.
  bool StartHosting(const THostOptions& o, std::string& error) {
    hosting_ = true;
    name_ = o.Name;
    version_ = o.Version;
    port_ = host_->address.port;
    if (o.Server.empty()) return true;
    if (!Resolve(o.Server, kServerPort, server_, error)) return false;
    if (o.Upnp && (server_.Ip >> 24) != 127) mapping_ = std::make_unique<TPortMapping>(port_);
    return true;
  }

  // Guest: asks the server where the host of code is.
  bool StartJoin(const std::string& code, const std::string& server, std::string& error) {
    code_ = code;
    if (!Resolve(server, kServerPort, server_, error)) return false;
    target_ = "the match server at " + AddrText(server_);
    joinStart_ = NowMs();
    nonce_ = RandomNonce();
    joining_ = true;
    status_ = "asking the match server for " + code;
    return true;
  }

  TNetEvent Poll(uint32_t timeoutMs) override {
    TNetEvent out = Step();
    if (out.Kind != TNetEventKind::None) return out;
    ENetEvent e;
    int got = enet_host_service(host_, &e, timeoutMs);
    if (got <= 0) return Step();
    // The spectators' events are put aside; the guest's next one is looked for behind them.
    for (int n = 0; n < 64 && got > 0 && Watcher(e); ++n) got = enet_host_check_events(host_, &e);
    if (got <= 0) return out;
    return Dispatch(e);
  }

  void SetWatch() { watchFlag_ = kWatchFlag; }

  std::vector<TWatcherEvent> TakeWatcherEvents() override {
    std::vector<TWatcherEvent> out;
    out.swap(watcherEvents_);
    return out;
  }

  void SendToWatcher(uint32_t id, const std::vector<uint8_t>& bytes, bool reliable) override {
    for (const auto& [peer, wid] : watchers_)
      if (wid == id) {
        ENetPacket* p =
            enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
        if (p && enet_peer_send(peer, reliable ? 0 : 1, p) != 0) enet_packet_destroy(p);
      }
  }

  void DropWatcher(uint32_t id) override {
    for (auto it = watchers_.begin(); it != watchers_.end(); ++it)
      if (it->second == id) {
        enet_peer_disconnect_later(it->first, 0);
        leaving_.push_back(it->first);
        watchers_.erase(it);
        return;
      }
  }

  void FlushWatchers(uint32_t waitMs) override {
    for (const auto& w : watchers_) {
      if (w.first->state == ENET_PEER_STATE_DISCONNECTED) continue;
      enet_peer_disconnect_later(w.first, 0);
      leaving_.push_back(w.first);
    }
    watchers_.clear();
    ENetEvent e;
    for (uint32_t waited = 0; !leaving_.empty() && waited < waitMs; waited += 5) {
      if (enet_host_service(host_, &e, 5) <= 0) continue;
      if (e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
      if (e.type == ENET_EVENT_TYPE_DISCONNECT) std::erase(leaving_, e.peer);
    }
    for (ENetPeer* p : leaving_) enet_peer_reset(p);
    leaving_.clear();
  }

 private:
  // A spectator's event (or one of a spectator being let go): kept for TakeWatcherEvents.
  bool Watcher(ENetEvent& e) {
    auto it =
        std::find_if(watchers_.begin(), watchers_.end(), [&](const auto& w) { return w.first == e.peer; });
    const bool leaving = std::find(leaving_.begin(), leaving_.end(), e.peer) != leaving_.end();
    if (e.type == ENET_EVENT_TYPE_CONNECT && hosting_ && (e.data & kWatchFlag)) {
      enet_peer_timeout(e.peer, 0, kSilenceMs, kSilenceMs);
      watchers_.push_back({e.peer, ++lastWatcher_});
      watcherEvents_.push_back({TNetEventKind::Connected, lastWatcher_, {}});
      return true;
    }
    if (it == watchers_.end() && !leaving) return false;
    if (e.type == ENET_EVENT_TYPE_RECEIVE) {
      if (it != watchers_.end() && watcherEvents_.size() < kMaxWatcherEvents)
        watcherEvents_.push_back(
            {TNetEventKind::Message, it->second, {e.packet->data, e.packet->data + e.packet->dataLength}});
      enet_packet_destroy(e.packet);
    } else if (e.type == ENET_EVENT_TYPE_DISCONNECT) {
      if (it != watchers_.end()) {
        watcherEvents_.push_back({TNetEventKind::Disconnected, it->second, {}});
        watchers_.erase(it);
      }
      std::erase(leaving_, e.peer);
    }
    return true;
  }

 public:
  TNetEvent Dispatch(ENetEvent& e) {
    TNetEvent out;
    switch (e.type) {
      case ENET_EVENT_TYPE_CONNECT: {
        if (peer_ && e.peer != peer_) {
          enet_peer_reset(e.peer);  // one guest only
          break;
        }
        if (hosting_) {
          path_ = e.data <= uint32_t(TNetPath::Relay) ? TNetPath(e.data) : TNetPath::Direct;
        } else {
          auto it = std::find_if(attempts_.begin(), attempts_.end(),
                                 [&](const auto& a) { return a.first == e.peer; });
          if (it == attempts_.end()) {
            enet_peer_reset(e.peer);
            break;
          }
          path_ = it->second;
          for (auto& a : attempts_)
            if (a.first != e.peer) enet_peer_reset(a.first);
          attempts_.clear();
          joining_ = false;
          punchUntil_ = 0;
          status_.clear();
        }
        peer_ = e.peer;
        target_ = IpText(peer_->address) + ":" + std::to_string(peer_->address.port);
        SetTimeouts();
        connected_ = true;
        out.Kind = TNetEventKind::Connected;
        SendKeepAlive();
        break;
      }
      case ENET_EVENT_TYPE_DISCONNECT:
        if (e.peer != peer_) {
          auto it = std::find_if(attempts_.begin(), attempts_.end(),
                                 [&](const auto& a) { return a.first == e.peer; });
          if (it == attempts_.end()) break;
          attempts_.erase(it);
          // The last way to the host failed and no other is coming.
          if (attempts_.empty() && !joining_) out.Kind = TNetEventKind::Disconnected;
          break;
        }
        connected_ = false;
        peer_ = nullptr;
        out.Kind = TNetEventKind::Disconnected;
        SendKeepAlive();
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
    for (auto& a : attempts_) enet_peer_reset(a.first);
    attempts_.clear();
    joining_ = false;
    if (!peer_) return;
    enet_peer_disconnect_later(peer_, 0);
    ENetEvent e;
    uint32_t waited = 0;
    while (waited < waitMs && enet_host_service(host_, &e, 10) >= 0) {
      waited += 10;
      if (e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
      if (e.type == ENET_EVENT_TYPE_DISCONNECT && e.peer == peer_) {
        peer_ = nullptr;
        break;
      }
    }
    if (peer_) enet_peer_reset(peer_);
    peer_ = nullptr;
    connected_ = false;
    SendKeepAlive();
  }

  uint32_t RoundTripMs() const override { return peer_ ? peer_->roundTripTime : 0; }
  uint64_t BytesSent() const override { return host_->totalSentData; }
  // ENet counts every datagram before the hook sees it.
  uint64_t BytesReceived() const override { return host_->totalReceivedData - dropped_ - lobbyBytes_; }
  uint64_t BytesDropped() const override { return dropped_; }
  uint32_t ForeignDatagrams() const override { return foreign_; }
  std::string Address() const override {
    if (peer_) return IpText(peer_->address) + ":" + std::to_string(peer_->address.port);
    if (!target_.empty()) return target_;
    return std::to_string(host_->address.port);
  }
  TNetPath Path() const override { return path_; }
  std::string Status() const override {
    if (mapping_ && mapping_->State() == TPortMapping::TState::Asking)
      return "asking the router to open port " + std::to_string(port_);
    if (hosting_ && server_.Valid() && code_.empty() && !problem_.empty()) return {};
    if (hosting_ && server_.Valid() && code_.empty()) return "asking the match server for an invite code";
    return status_;
  }
  std::string InviteCode() const override { return hosting_ ? code_ : std::string(); }
  std::string PublicAddress() const override {
    if (mapping_ && mapping_->State() == TPortMapping::TState::Open) return AddrText(mapping_->External());
    return {};
  }
  std::string Problem() const override { return problem_; }

 private:
  struct TInbound {
    TAddr From;
    TLobbyMessage Message;
  };

  void Send(int channel, const std::vector<uint8_t>& bytes, uint32_t flags) {
    if (!peer_ || !connected_) return;
    ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), flags);
    if (p && enet_peer_send(peer_, uint8_t(channel), p) != 0) enet_packet_destroy(p);
  }

  void SendLobby(const TAddr& to, const TLobbyMessage& m) {
    if (!to.Valid()) return;
    const std::vector<uint8_t> bytes = EncodeLobby(m);
    ENetAddress a = ToEnet(to);
    ENetBuffer buf;
    buf.data = const_cast<uint8_t*>(bytes.data());
    buf.dataLength = bytes.size();
    enet_socket_send(host_->socket, &a, &buf, 1);
  }

  void SendKeepAlive() {
    if (hosting_ && !code_.empty()) {
      SendLobby(server_, TKeepAlive{code_, connected_});
      lastKeepAlive_ = NowMs();
    }
  }

  void SetTimeouts() {
    if (peer_) enet_peer_timeout(peer_, 0, kSilenceMs, kSilenceMs);
    for (auto& a : attempts_) enet_peer_timeout(a.first, 0, kSilenceMs, kSilenceMs);
  }

  void Connect(const TAddr& to, TNetPath path) {
    for (const auto& a : attempts_)
      if (FromEnet(a.first->address) == to) return;
    const ENetAddress e = ToEnet(to);
    ENetPeer* p = enet_host_connect(host_, &e, 2, uint32_t(path) | watchFlag_);
    if (!p) return;
    enet_peer_timeout(p, 0, kSilenceMs, kSilenceMs);
    attempts_.push_back({p, path});
  }

  TNetEvent Fail(const std::string& why) {
    joining_ = false;
    punchUntil_ = 0;
    for (auto& a : attempts_) enet_peer_reset(a.first);
    attempts_.clear();
    status_.clear();
    TNetEvent e;
    e.Kind = TNetEventKind::Disconnected;
    e.Text = why;
    return e;
  }

  // The lobby's side of a poll: answers what came in, sends what is due.
  TNetEvent Step() {
    const uint32_t now = NowMs();
    std::vector<TInbound> inbox;
    inbox.swap(inbox_);
    for (const TInbound& in : inbox) {
      TNetEvent e = Handle(in, now);
      if (e.Kind != TNetEventKind::None) return e;
    }
    if (hosting_) {
      if (server_.Valid() && (!mapping_ || mapping_->State() != TPortMapping::TState::Asking)) {
        if (code_.empty()) {
          if (registerStart_ == 0) {
            registerStart_ = now;
            nonce_ = RandomNonce();
          }
          if (now - lastRequest_ >= kServerRetryMs &&
              (problem_.empty() || now - lastRequest_ >= kKeepAliveMs)) {
            TRegister r{nonce_, {}};
            if (mapping_ && mapping_->State() == TPortMapping::TState::Open)
              r.Candidates.push_back({TCandidateKind::Upnp, mapping_->External()});
            // A server on this machine: everything is here, the LAN addresses mean nothing.
            if ((server_.Ip >> 24) != 127)
              for (const std::string& a : LocalAddresses())
                if (auto addr = ParseAddr(a, port_); addr && r.Candidates.size() < kMaxCandidates)
                  r.Candidates.push_back({TCandidateKind::Lan, *addr});
            SendLobby(server_, r);
            lastRequest_ = now;
          }
          if (problem_.empty() && now - registerStart_ >= kServerTriesMs)
            problem_ = "no answer from the match server at " + AddrText(server_);
        } else if (now - lastKeepAlive_ >= kKeepAliveMs) {
          SendKeepAlive();
        }
      }
      if (punchUntil_ && int32_t(punchUntil_ - now) > 0 && now - lastPunch_ >= kPunchEveryMs) {
        SendLobby(punchTo_, TPunch{token_});
        lastPunch_ = now;
      }
      return {};
    }
    if (!joining_) return {};
    const uint32_t since = now - joinStart_;
    if (!joinInfo_) {
      if (since >= kServerTriesMs) return Fail("no answer from the match server at " + AddrText(server_));
      if (now - lastRequest_ >= kServerRetryMs) {
        SendLobby(server_, TJoin{nonce_, code_, watchFlag_ != 0});
        lastRequest_ = now;
      }
      return {};
    }
    const uint32_t sinceInfo = now - infoAt_;
    if (punchUntil_ && int32_t(punchUntil_ - now) > 0 && now - lastPunch_ >= kPunchEveryMs) {
      SendLobby(joinInfo_->HostObserved, TPunch{joinInfo_->Token});
      lastPunch_ = now;
    }
    // A path opened through the routers is taken once the direct ones had their head start.
    if (punchedFrom_.Valid() && (sinceInfo >= kDirectHeadStartMs || attempts_.empty())) {
      status_ = "trying a path through both routers";
      Connect(punchedFrom_, TNetPath::Punched);
      punchedFrom_ = {};
    }
    // A spectator never asks for the relay: the server keeps one per host, the players'.
    if (!relayAsked_ && !watchFlag_ && sinceInfo >= kRelayAfterMs) {
      relayAsked_ = true;
      relayNonce_ = RandomNonce();
      lastRequest_ = 0;
      status_ = "through the relay";
    }
    if (relayAsked_ && !relayReady_ && now - lastRequest_ >= kServerRetryMs) {
      SendLobby(server_, TRelayRequest{relayNonce_, code_});
      lastRequest_ = now;
    }
    if (sinceInfo >= kGiveUpMs) return Fail("no path to the host (" + code_ + ")");
    return {};
  }

  TNetEvent Handle(const TInbound& in, uint32_t now) {
    const TLobbyMessage& m = in.Message;
    if (const auto* q = std::get_if<TLanQuery>(&m)) {
      if (hosting_) SendLobby(in.From, TLanInfo{q->Nonce, port_, connected_, name_, version_});
      return {};
    }
    if (const auto* p = std::get_if<TPunch>(&m)) {
      if (hosting_) {
        // The guest's punch may come from another port than the server saw: answer where it
        // came from too.
        if (punchUntil_ && p->Token == token_ && punchReplies_ < 16) {
          ++punchReplies_;
          SendLobby(in.From, TPunch{token_});
        }
      } else if (joining_ && joinInfo_ && p->Token == joinInfo_->Token && !punchSeen_) {
        punchSeen_ = true;
        punchedFrom_ = in.From;
      }
      return {};
    }
    if (in.From != server_) return {};  // only the server speaks the rest
    if (const auto* r = std::get_if<TRegistered>(&m)) {
      if (hosting_ && r->Nonce == nonce_ && code_.empty()) {
        code_ = r->Code;
        problem_.clear();
        lastKeepAlive_ = now;
      }
    } else if (const auto* i = std::get_if<TIntroduce>(&m)) {
      // A guest, or while the match is on, a spectator: the host punches toward it.
      if (hosting_) {
        token_ = i->Token;
        punchTo_ = i->Guest;
        punchUntil_ = now + kPunchForMs;
        punchReplies_ = 0;
        lastPunch_ = 0;
      }
    } else if (const auto* info = std::get_if<TJoinInfo>(&m)) {
      if (joining_ && !joinInfo_ && info->Nonce == nonce_) {
        joinInfo_ = *info;
        infoAt_ = now;
        status_ = "trying a direct path";
        for (const TCandidate& c : info->Candidates) {
          if (c.Kind == TCandidateKind::Upnp) Connect(c.Addr, TNetPath::Upnp);
          // LAN addresses only mean something behind the same public address.
          if (c.Kind == TCandidateKind::Lan && info->HostObserved.Ip == info->GuestObserved.Ip)
            Connect(c.Addr, TNetPath::Direct);
        }
        punchUntil_ = now + kPunchForMs;
        lastPunch_ = 0;
      }
    } else if (const auto* ready = std::get_if<TRelayReady>(&m)) {
      if (joining_ && relayAsked_ && !relayReady_ && ready->Nonce == relayNonce_) {
        relayReady_ = true;
        Connect(server_, TNetPath::Relay);
      }
    } else if (const auto* no = std::get_if<TLobbyRefuse>(&m)) {
      if (hosting_ && no->Nonce == 0 && no->Error == TLobbyError::UnknownCode && !code_.empty()) {
        code_.clear();  // expired: ask for a new code
        registerStart_ = 0;
      } else if (hosting_ && code_.empty() && no->Nonce == nonce_) {
        problem_ = "the match server: " + LobbyErrorText(no->Error);
      } else if (joining_ && (no->Nonce == nonce_ || no->Nonce == relayNonce_)) {
        return Fail(LobbyErrorText(no->Error) + (no->Error == TLobbyError::UnknownCode ? ": " + code_ : ""));
      }
    }
    return {};
  }

  // Lobby datagrams are taken out for Step. Datagrams from anyone but the peer (or, while
  // joining, the addresses being tried) are dropped before ENet reads them, and so is what ENet
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
    const std::span<const uint8_t> data(host->receivedData, host->receivedDataLength);
    if (IsLobbyDatagram(data)) {
      if (auto m = DecodeLobby(data); m && self->inbox_.size() < 64)
        self->inbox_.push_back({FromEnet(host->receivedAddress), std::move(*m)});
      self->lobbyBytes_ += host->receivedDataLength;
      return 1;
    }
    const ENetAddress& from = host->receivedAddress;
    bool foreign = false;
    auto same = [&](const ENetPeer* p) {
      return p->address.host == from.host && p->address.port == from.port;
    };
    if (self->peer_ && self->peer_->state != ENET_PEER_STATE_DISCONNECTED) {
      // A host also hears its spectators, those still shaking hands, and whoever asks to
      // become one.
      bool known = same(self->peer_);
      for (size_t i = 0; self->hosting_ && !known && i < host->peerCount; ++i)
        known = host->peers[i].state != ENET_PEER_STATE_DISCONNECTED && same(&host->peers[i]);
      foreign = !known && !(self->hosting_ && ConnectRequest(host));
    } else if (!self->hosting_ && !self->attempts_.empty()) {
      foreign = std::none_of(self->attempts_.begin(), self->attempts_.end(), [&](const auto& a) {
        return a.first->address.host == from.host && a.first->address.port == from.port;
      });
    }
    if (!foreign && !Unreadable(host)) return 0;
    if (foreign) ++self->foreign_;
    self->dropped_ += host->receivedDataLength;
    return 1;
  }

  // A datagram that asks for a new connection (no peer number yet).
  static bool ConnectRequest(const ENetHost* host) {
    const size_t n = host->receivedDataLength;
    const uint8_t* d = host->receivedData;
    if (n < 2) return false;
    const uint16_t word = uint16_t(d[0] << 8 | d[1]);
    const uint16_t id = word & ~uint16_t(ENET_PROTOCOL_HEADER_FLAG_MASK | ENET_PROTOCOL_HEADER_SESSION_MASK);
    const size_t header = (word & ENET_PROTOCOL_HEADER_FLAG_SENT_TIME) ? 4 : 2;
    return id == ENET_PROTOCOL_MAXIMUM_PEER_ID && n >= header + sizeof(ENetProtocolCommandHeader) &&
           (d[header] & ENET_PROTOCOL_COMMAND_MASK) == ENET_PROTOCOL_COMMAND_CONNECT;
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
  std::string target_;  // what was asked for, for messages once the peer is gone
  TNetPath path_ = TNetPath::Direct;
  uint64_t dropped_ = 0;
  uint64_t lobbyBytes_ = 0;  // the lobby's datagrams: not the connection's
  TNetSimRelay relay_;
  std::vector<std::pair<ENetPeer*, TNetPath>> attempts_;
  std::vector<TInbound> inbox_;
  std::string status_, problem_;
  TAddr server_;
  std::string code_;
  uint32_t nonce_ = 0, lastRequest_ = 0;
  // Host.
  bool hosting_ = false;
  std::string name_, version_;
  uint16_t port_ = 0;
  std::unique_ptr<TPortMapping> mapping_;
  uint32_t registerStart_ = 0, lastKeepAlive_ = 0;
  // Both: punching through the routers.
  uint64_t token_ = 0;
  TAddr punchTo_;
  uint32_t punchUntil_ = 0, lastPunch_ = 0;
  int punchReplies_ = 0;
  // Guest joining by code.
  bool joining_ = false;
  uint32_t joinStart_ = 0, infoAt_ = 0;
  std::optional<TJoinInfo> joinInfo_;
  bool punchSeen_ = false;
  TAddr punchedFrom_;
  bool relayAsked_ = false, relayReady_ = false;
  uint32_t relayNonce_ = 0;
  // Spectators: of a host, the ones watching and the ones being let go; of a spectator, the
  // flag its connection requests carry.
  std::vector<std::pair<ENetPeer*, uint32_t>> watchers_;
  std::vector<ENetPeer*> leaving_;
  std::vector<TWatcherEvent> watcherEvents_;
  uint32_t lastWatcher_ = 0;
  uint32_t watchFlag_ = 0;
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

const char* PathName(TNetPath p) {
  switch (p) {
    case TNetPath::Direct:
      return "direct";
    case TNetPath::Upnp:
      return "upnp";
    case TNetPath::Punched:
      return "punched";
    case TNetPath::Relay:
      return "relay";
  }
  return "direct";
}

std::unique_ptr<TNetTransport> HostMatch(uint16_t port, std::string& error) {
  THostOptions o;
  o.Port = port;
  o.Upnp = false;
  return HostMatch(o, error);
}

std::unique_ptr<TNetTransport> HostMatch(const THostOptions& o, std::string& error) {
  auto t = std::make_unique<TEnetTransport>();
  ENetAddress a{};
  a.host = ENET_HOST_ANY;
  a.port = o.Port;
  if (!t->Init(&a, 1 + kWatcherSlots, error) || !t->StartHosting(o, error)) return nullptr;
  return t;
}

std::unique_ptr<TNetTransport> JoinByCode(const std::string& code, const std::string& server,
                                          std::string& error, bool watch) {
  auto t = std::make_unique<TEnetTransport>();
  if (watch) t->SetWatch();
  if (!t->Init(nullptr, 4, error) || !t->StartJoin(code, server, error)) return nullptr;
  return t;
}

std::unique_ptr<TNetTransport> JoinMatch(const std::string& host, uint16_t port, const TNetSim& sim,
                                         std::string& error, bool watch) {
  auto t = std::make_unique<TEnetTransport>();
  if (watch) t->SetWatch();
  if (!t->Init(nullptr, 1, error)) return nullptr;
  ENetAddress a{};
  if (!LookUpHost(host, a)) {
    error = "unknown host " + host;
    return nullptr;
  }
  a.port = port;
  if (!t->Connect(a, sim, error)) return nullptr;
  return t;
}

}  // namespace kq::net
