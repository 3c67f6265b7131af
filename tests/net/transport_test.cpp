#include "net/transport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "net/net_packet.h"

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

TEST(NetTransport, DatagramsFromAThirdAddressAreDroppedAndCounted) {
  std::string err;
  auto host = HostMatch(TestPort(3), err);
  ASSERT_TRUE(host) << err;
  auto guest = JoinMatch("127.0.0.1", TestPort(3), {}, err);
  ASSERT_TRUE(guest) << err;
  ASSERT_TRUE(PumpUntil(*host, *guest, [&] { return host->Connected() && guest->Connected(); }));

  // A stranger replays a real packet of the guest's at the host.
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(TestPort(3));
  const std::vector<uint8_t> junk = Encode(TInputs{0, 0, 1, {7}});
  for (int i = 0; i < 5; ++i)
    sendto(s, junk.data(), junk.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  close(s);
  std::vector<TNetEvent> atHost;
  PumpUntil(
      *host, *guest, [&] { return host->ForeignDatagrams() >= 5; }, &atHost, nullptr, 1000);
  EXPECT_EQ(host->ForeignDatagrams(), 5u);
  EXPECT_TRUE(atHost.empty());
  EXPECT_TRUE(host->Connected());
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
