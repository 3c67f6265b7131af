// The ways of meeting through a match server, and the LAN search, on the loopback with a real
// server socket in a thread of the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/lan_search.h"
#include "net/net_match.h"
#include "net/net_packet.h"
#include "net/server_socket.h"
#include "net/transport.h"

namespace kq::net {
namespace {

// The same block of ports per test process as the transport tests, from its upper half.
uint16_t LadderPort(int n) {
  return uint16_t(20000 + (getpid() % 1200) * 8 + 4 + n);
}

struct TLoopbackServer {
  TMatchServer server{TServerLimits{},
                      [n = uint64_t(99)]() mutable { return n = n * 6364136223846793005ull + 1; }};
  TServerSocket sock;
  std::atomic<bool> stop{false};
  std::thread thread;
  std::string Address() const { return "127.0.0.1:" + std::to_string(sock.Port()); }
  bool Start() {
    std::string err;
    if (!sock.Open(0x7F000001, 0, err)) return false;
    thread = std::thread([this] { sock.Serve(server, stop); });
    return true;
  }
  ~TLoopbackServer() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
};

using Clock = std::chrono::steady_clock;

// Polls every end until pred holds or ms pass; events are kept per end.
template <class Pred>
bool PollUntil(std::vector<TNetTransport*> ends, Pred pred, std::vector<std::vector<TNetEvent>>& got,
               int ms) {
  got.resize(ends.size());
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    for (size_t i = 0; i < ends.size(); ++i) {
      TNetEvent e = ends[i]->Poll(1);
      if (e.Kind != TNetEventKind::None) got[i].push_back(e);
    }
    if (pred()) return true;
  }
  return pred();
}

std::string WaitForCode(TNetTransport& host, int ms) {
  std::vector<std::vector<TNetEvent>> got;
  PollUntil(
      {&host}, [&] { return !host.InviteCode().empty(); }, got, ms);
  return host.InviteCode();
}

THostOptions Hosting(int n, const std::string& server) {
  THostOptions o;
  o.Port = LadderPort(n);
  o.Server = server;
  o.Name = "test-host";
  o.Version = "9.9";
  return o;
}

TEST(NetLadder, AGuestJoinsByCodeAndALeavingHostFreesIt) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Start());
  std::string err;
  auto host = HostMatch(Hosting(0, server.Address()), err);
  ASSERT_TRUE(host) << err;
  const std::string code = WaitForCode(*host, 3000);
  ASSERT_EQ(NormalizeCode(code), code);
  EXPECT_TRUE(host->Problem().empty());
  EXPECT_TRUE(host->PublicAddress().empty());  // a server on this machine: no router asked

  auto guest = JoinByCode(code, server.Address(), err);
  ASSERT_TRUE(guest) << err;
  std::vector<std::vector<TNetEvent>> got;
  ASSERT_TRUE(PollUntil(
      {host.get(), guest.get()}, [&] { return host->Connected() && guest->Connected(); }, got, 4000));
  // Both learn the path: on one machine the punches get through at once.
  EXPECT_EQ(guest->Path(), TNetPath::Punched);
  EXPECT_EQ(host->Path(), TNetPath::Punched);
  guest->SendReliable(Encode(THash{0, 1, 2}));
  got.clear();
  ASSERT_TRUE(PollUntil(
      {host.get(), guest.get()},
      [&] { return !got.empty() && !got[0].empty() && got[0].back().Kind == TNetEventKind::Message; }, got,
      3000));

  // The host leaves: its code is free at once, and a join with it says so.
  host.reset();
  guest.reset();
  auto late = JoinByCode(code, server.Address(), err);
  ASSERT_TRUE(late);
  got.clear();
  ASSERT_TRUE(PollUntil(
      {late.get()}, [&] { return !got[0].empty(); }, got, 4000));
  EXPECT_EQ(got[0][0].Kind, TNetEventKind::Disconnected);
  EXPECT_EQ(got[0][0].Text, "unknown or expired invite code: " + code);
}

TEST(NetLadder, ASilentServerIsNamedAndTheDirectWayStillWorks) {
  // A port nobody listens on.
  const std::string dead = "127.0.0.1:" + std::to_string(LadderPort(1));
  std::string err;
  auto guest = JoinByCode("ABCDEF", dead, err);
  ASSERT_TRUE(guest) << err;
  std::vector<std::vector<TNetEvent>> got;
  const auto start = Clock::now();
  ASSERT_TRUE(PollUntil(
      {guest.get()}, [&] { return !got[0].empty(); }, got, 6000));
  EXPECT_EQ(got[0][0].Text, "no answer from the match server at " + dead);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

  auto host = HostMatch(Hosting(2, dead), err);
  ASSERT_TRUE(host) << err;
  got.clear();
  ASSERT_TRUE(PollUntil(
      {host.get()}, [&] { return !host->Problem().empty(); }, got, 5000));
  EXPECT_EQ(host->Problem(), "no answer from the match server at " + dead);
  auto direct = JoinMatch("127.0.0.1", LadderPort(2), {}, err);
  ASSERT_TRUE(direct) << err;
  ASSERT_TRUE(PollUntil(
      {host.get(), direct.get()}, [&] { return host->Connected() && direct->Connected(); }, got, 4000));
  EXPECT_EQ(host->Path(), TNetPath::Direct);
  EXPECT_EQ(direct->Path(), TNetPath::Direct);
}

TEST(NetLadder, AHostAnswersTheLanSearchWithItsNameVersionAndWhetherItIsFree) {
  std::string err;
  auto host = HostMatch(Hosting(3, ""), err);
  ASSERT_TRUE(host) << err;
  TLanSearch search({{0x7F000001, LadderPort(3)}});
  ASSERT_TRUE(search.Error().empty()) << search.Error();
  std::vector<std::vector<TNetEvent>> got;
  for (int i = 0; i < 100 && search.Games().empty(); ++i) {
    host->Poll(5);
    search.Poll(5);
  }
  ASSERT_EQ(search.Games().size(), 1u);
  EXPECT_EQ(search.Games()[0].Name, "test-host");
  EXPECT_EQ(search.Games()[0].Version, "9.9");
  EXPECT_EQ(search.Games()[0].Addr, (TAddr{0x7F000001, LadderPort(3)}));
  EXPECT_FALSE(search.Games()[0].Busy);

  // Playing, it says busy; the question never disturbs the match.
  auto guest = JoinMatch("127.0.0.1", LadderPort(3), {}, err);
  ASSERT_TRUE(PollUntil(
      {host.get(), guest.get()}, [&] { return host->Connected() && guest->Connected(); }, got, 4000));
  search.Ask();
  for (int i = 0; i < 100 && !search.Games()[0].Busy; ++i) {
    host->Poll(5);
    guest->Poll(1);
    search.Poll(5);
  }
  EXPECT_TRUE(search.Games()[0].Busy);
  EXPECT_TRUE(host->Connected());
  EXPECT_EQ(host->ForeignDatagrams(), 0u);
}

TEST(NetLadder, TheEnvironmentCanKeepTheLanSearchOnTheLoopback) {
  EXPECT_TRUE(EnvironmentTargets(nullptr).empty());
  EXPECT_TRUE(EnvironmentTargets("").empty());
  EXPECT_TRUE(EnvironmentTargets("lan,300.1.1.1,1.2.3.4:0").empty());
  const std::vector<TAddr> two = EnvironmentTargets("127.0.0.1,nonsense,127.0.0.2:9");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0], (TAddr{0x7F000001, kDefaultPort}));
  EXPECT_EQ(two[1], (TAddr{0x7F000002, 9}));

  // The default search asks them instead of every broadcast address, and finds the host there.
  std::string err;
  auto host = HostMatch(Hosting(3, ""), err);
  ASSERT_TRUE(host) << err;
  const std::string list = "127.0.0.1:" + std::to_string(LadderPort(3));
  ASSERT_EQ(setenv("KQ001_LAN_TARGETS", list.c_str(), 1), 0);
  TLanSearch search;
  unsetenv("KQ001_LAN_TARGETS");
  ASSERT_TRUE(search.Error().empty()) << search.Error();
  for (int i = 0; i < 100 && search.Games().empty(); ++i) {
    host->Poll(5);
    search.Poll(5);
  }
  ASSERT_EQ(search.Games().size(), 1u);
  EXPECT_EQ(search.Games()[0].Addr, (TAddr{0x7F000001, LadderPort(3)}));
}

TEST(NetLadder, ARivalThatNeverAnswersIsNamedByTheAddressAskedFor) {
  // Nobody listens on this port: the connection times out after the peer is gone.
  std::string err;
  auto guest = JoinMatch("127.0.0.1", LadderPort(1), {}, err);
  ASSERT_TRUE(guest) << err;
  TNetMatch match(std::move(guest), false, TMatchSetup{"v", 1, 0, "", 2}, 0);
  const auto end = Clock::now() + std::chrono::seconds(12);
  while (match.Phase() != TMatchPhase::Ended && Clock::now() < end) {
    match.Pump(uint32_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count()));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(match.Phase(), TMatchPhase::Ended);
  EXPECT_EQ(match.EndReason(), "no answer from 127.0.0.1:" + std::to_string(LadderPort(1)));
}

}  // namespace
}  // namespace kq::net
