#include "net/transport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "net/net_packet.h"
#include "net/watch.h"

namespace kq::net {
namespace {

// Free loopback ports differ per run so parallel test processes do not collide.
uint16_t TestPort(int n) {
  return uint16_t(20000 + (getpid() % 1200) * 8 + n);
}

// Services both ends until pred holds or the deadline passes.
template <class Pred>
bool PumpUntil(TNetTransport& a, TNetTransport& b, Pred pred, std::vector<TNetEvent>* gotA = nullptr,
               std::vector<TNetEvent>* gotB = nullptr, int ms = 3000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    TNetEvent e = a.Poll(1);
    if (e.Kind != TNetEventKind::None && gotA) gotA->push_back(e);
    e = b.Poll(1);
    if (e.Kind != TNetEventKind::None && gotB) gotB->push_back(e);
    if (pred()) return true;
  }
  return pred();
}

TEST(NetTransport, CommandLineAddresses) {
  std::string h;
  uint16_t p = 0;
  ASSERT_TRUE(ParseHostPort("example.org", h, p));
  EXPECT_EQ(h, "example.org");
  EXPECT_EQ(p, kDefaultPort);
  ASSERT_TRUE(ParseHostPort("127.0.0.1:9000", h, p));
  EXPECT_EQ(p, 9000);
  ASSERT_TRUE(ParseHostPort("[::1]:7", h, p));
  EXPECT_EQ(h, "::1");
  EXPECT_FALSE(ParseHostPort("host:0", h, p));
  EXPECT_FALSE(ParseHostPort("host:70000", h, p));
  EXPECT_FALSE(ParseHostPort("host:", h, p));
  EXPECT_FALSE(ParseHostPort(":80", h, p));
  // Each refusal says what is wrong.
  std::string why;
  const std::pair<const char*, const char*> refused[] = {
      {"127.0.0.1:99999", "the port 99999 is out of range (1 to 65535)"},
      {"host:0", "the port 0 is out of range (1 to 65535)"},
      {"host:12345678901", "the port 12345678901 is out of range (1 to 65535)"},
      {"host:80x", "the port is not a number"},
      {"host:", "the port is missing after the colon"},
      {"[::1]:", "the port is missing after the colon"},
      {"[::1", "an IPv6 address needs its closing ]"},
      {":80", "no host is given"},
  };
  for (const auto& [text, reason] : refused) {
    EXPECT_FALSE(ParseHostPort(text, h, p, why)) << text;
    EXPECT_EQ(why, reason) << text;
  }

  TNetSim s;
  ASSERT_TRUE(ParseNetSim("60,10,5", s));
  EXPECT_EQ(s.DelayMs, 60);
  EXPECT_EQ(s.JitterMs, 10);
  EXPECT_EQ(s.LossPercent, 5);
  EXPECT_FALSE(ParseNetSim("60,10", s));
  EXPECT_FALSE(ParseNetSim("60,10,101", s));
  EXPECT_FALSE(ParseNetSim("a,b,c", s));
}

TEST(NetTransport, BothChannelsCarryMessagesOnTheLoopback) {
  std::string err;
  auto host = HostMatch(TestPort(0), err);
  ASSERT_TRUE(host) << err;
  auto guest = JoinMatch("127.0.0.1", TestPort(0), {}, err);
  ASSERT_TRUE(guest) << err;
  ASSERT_TRUE(PumpUntil(*host, *guest, [&] { return host->Connected() && guest->Connected(); }));

  std::vector<TNetEvent> atHost;
  guest->SendReliable(Encode(THello{kProtocolVersion, "v", 1}));
  guest->SendInputs(Encode(TInputs{0, 0, 1, {3}}));
  ASSERT_TRUE(PumpUntil(
      *host, *guest, [&] { return atHost.size() >= 2; }, &atHost));
  int reliable = 0, inputs = 0;
  for (const TNetEvent& e : atHost) {
    ASSERT_EQ(e.Kind, TNetEventKind::Message);
    auto m = Decode(e.Data);
    ASSERT_TRUE(m.has_value());
    if (e.Channel == 0) {
      ++reliable;
      EXPECT_TRUE(std::holds_alternative<THello>(*m));
    } else {
      ++inputs;
      EXPECT_TRUE(std::holds_alternative<TInputs>(*m));
    }
  }
  EXPECT_EQ(reliable, 1);
  EXPECT_EQ(inputs, 1);
  EXPECT_GT(guest->BytesSent(), 0u);

  // Closing one end is seen at the other.
  std::vector<TNetEvent> atGuest;
  host->Disconnect(200);
  ASSERT_TRUE(PumpUntil(
      *host, *guest, [&] { return !guest->Connected(); }, nullptr, &atGuest));
}

// Sends the same datagram count times from a socket of its own to port on the loopback.
void SendJunk(uint16_t port, const std::vector<uint8_t>& junk, int count) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port);
  for (int i = 0; i < count; ++i)
    sendto(s, junk.data(), junk.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  close(s);
}

// Services one end alone (the other sends nothing meanwhile) until pred holds or ms pass.
template <class Pred>
void PumpAlone(TNetTransport& t, Pred pred, std::vector<TNetEvent>& got, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end && !pred()) {
    TNetEvent e = t.Poll(1);
    if (e.Kind != TNetEventKind::None) got.push_back(e);
  }
}

TEST(NetTransport, DatagramsFromAThirdAddressAreDroppedAndCounted) {
  std::string err;
  auto host = HostMatch(TestPort(3), err);
  ASSERT_TRUE(host) << err;
  // Junk while the host waits: ENet would drop it unread, and it counts as dropped.
  const std::vector<uint8_t> junk = Encode(TInputs{0, 0, 1, {7}});
  std::vector<TNetEvent> atHost;
  SendJunk(TestPort(3), junk, 3);
  PumpAlone(
      *host, [&] { return host->BytesDropped() >= 3 * junk.size(); }, atHost, 1000);
  EXPECT_EQ(host->BytesDropped(), 3 * junk.size());
  EXPECT_EQ(host->BytesReceived(), 0u);
  EXPECT_EQ(host->ForeignDatagrams(), 0u);  // there is no peer to be foreign to yet

  // A real guest still gets in.
  auto guest = JoinMatch("127.0.0.1", TestPort(3), {}, err);
  ASSERT_TRUE(guest) << err;
  ASSERT_TRUE(PumpUntil(*host, *guest, [&] { return host->Connected() && guest->Connected(); }));
  PumpAlone(
      *host, [] { return false; }, atHost, 100);  // what the guest sent is in
  atHost.clear();
  const uint64_t received = host->BytesReceived(), dropped = host->BytesDropped();

  // A stranger replays a real packet of the guest's at the host.
  SendJunk(TestPort(3), junk, 5);
  PumpAlone(
      *host, [&] { return host->ForeignDatagrams() >= 5; }, atHost, 1000);
  EXPECT_EQ(host->ForeignDatagrams(), 5u);
  EXPECT_EQ(host->BytesDropped() - dropped, 5 * junk.size());
  EXPECT_EQ(host->BytesReceived(), received);
  EXPECT_TRUE(atHost.empty());
  EXPECT_TRUE(host->Connected());
  // The guest's own traffic still counts as received.
  guest->SendReliable(Encode(THello{kProtocolVersion, "v", 1}));
  ASSERT_TRUE(PumpUntil(
      *host, *guest, [&] { return !atHost.empty(); }, &atHost));
  EXPECT_GT(host->BytesReceived(), received);
}

// Spectators connect beside the guest on the real sockets: eight are taken, the ninth hears
// why it is not, and the guest's connection never sees any of them.
TEST(NetTransport, SpectatorsConnectBesideTheGuestAndTheNinthHearsWhy) {
  std::string err;
  auto host = HostMatch(TestPort(5), err);
  ASSERT_TRUE(host) << err;
  auto guest = JoinMatch("127.0.0.1", TestPort(5), {}, err);
  ASSERT_TRUE(guest) << err;
  std::vector<std::unique_ptr<TNetTransport>> specs;
  for (int i = 0; i < 9; ++i) {
    specs.push_back(JoinMatch("127.0.0.1", TestPort(5), {}, err, true));
    ASSERT_TRUE(specs.back()) << err;
  }
  TWatchHub hub("v", 1);
  std::vector<std::string> refused(specs.size());
  std::vector<bool> welcomed(specs.size(), false);
  std::vector<TNetEvent> atHost;
  bool started = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto done = [&] {
    return std::count(welcomed.begin(), welcomed.end(), true) == 8 &&
           std::count_if(refused.begin(), refused.end(), [](const std::string& r) { return !r.empty(); }) ==
               1;
  };
  while (std::chrono::steady_clock::now() < end && !done()) {
    for (TNetEvent e = host->Poll(1); e.Kind != TNetEventKind::None; e = host->Poll(0)) atHost.push_back(e);
    if (!started && host->Connected()) {
      hub.Start(TWelcome{"v", 1, 5, 0, "r"});
      started = true;
    }
    hub.Pump(*host, 1);
    guest->Poll(0);
    for (size_t i = 0; i < specs.size(); ++i)
      for (TNetEvent e = specs[i]->Poll(0); e.Kind != TNetEventKind::None; e = specs[i]->Poll(0)) {
        if (e.Kind == TNetEventKind::Connected)
          specs[i]->SendReliable(Encode(THello{kProtocolVersion, "v", 1}));
        if (e.Kind != TNetEventKind::Message) continue;
        const auto m = Decode(e.Data);
        if (m && std::holds_alternative<TWelcome>(*m)) welcomed[i] = true;
        if (m && std::holds_alternative<TRefuse>(*m)) refused[i] = std::get<TRefuse>(*m).Reason;
      }
  }
  EXPECT_TRUE(done());
  EXPECT_EQ(hub.Watchers(), kMaxWatchers);
  for (const std::string& r : refused) {
    if (!r.empty()) {
      EXPECT_EQ(r, kWatchersFull);
    }
  }
  // The guest's connection: one Connected, nothing else.
  ASSERT_EQ(atHost.size(), 1u);
  EXPECT_EQ(atHost[0].Kind, TNetEventKind::Connected);
  EXPECT_TRUE(guest->Connected());
}

TEST(NetTransport, APortInUseIsRefusedWithItsNumber) {
  std::string err;
  auto first = HostMatch(TestPort(1), err);
  ASSERT_TRUE(first) << err;
  auto second = HostMatch(TestPort(1), err);
  EXPECT_FALSE(second);
  EXPECT_NE(err.find(std::to_string(TestPort(1))), std::string::npos) << err;
}

TEST(NetTransport, AnUnknownHostIsRefused) {
  std::string err;
  auto g = JoinMatch("no-such-host.invalid", 7701, {}, err);
  EXPECT_FALSE(g);
  EXPECT_NE(err.find("no-such-host.invalid"), std::string::npos) << err;
  // Names under "invalid" never reach a name server, in any case and with the root's dot.
  for (const char* name : {"invalid", "Game.INVALID.", "a.b.invalid"}) {
    err.clear();
    EXPECT_FALSE(JoinMatch(name, 7701, {}, err)) << name;
    EXPECT_NE(err.find("unknown host"), std::string::npos) << name << ": " << err;
  }
}

TEST(NetTransport, ReliableMessagesSurviveTheSimulatedBadNetwork) {
  std::string err;
  auto host = HostMatch(TestPort(2), err);
  ASSERT_TRUE(host) << err;
  auto guest = JoinMatch("127.0.0.1", TestPort(2), TNetSim{20, 10, 20}, err);
  ASSERT_TRUE(guest) << err;
  ASSERT_TRUE(PumpUntil(
      *host, *guest, [&] { return host->Connected() && guest->Connected(); }, nullptr, nullptr, 8000));
  for (uint32_t i = 1; i <= 20; ++i) guest->SendReliable(Encode(THash{0, i, i}));
  std::vector<TNetEvent> atHost;
  ASSERT_TRUE(PumpUntil(
      *host, *guest, [&] { return atHost.size() >= 20; }, &atHost, nullptr, 8000));
  // Every one arrives, in order.
  for (uint32_t i = 0; i < 20; ++i) EXPECT_EQ(std::get<THash>(*Decode(atHost[i].Data)).Tick, i + 1);
  EXPECT_GE(guest->RoundTripMs(), 40u);  // the relay's delay is seen in both directions
}

}  // namespace
}  // namespace kq::net
