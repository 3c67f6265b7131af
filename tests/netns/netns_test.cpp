// Matches across a small internet of network namespaces: a public namespace with the match
// server, two homes each behind a masquerading router. Needs root (CAP_NET_ADMIN), ip and nft;
// where namespaces cannot be made the tests are skipped, never passed. Nothing leaves the
// namespaces: the public side uses the documentation ranges and no namespace has a way out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <regex>
#include <string>

#include "app/net_sides.h"

namespace kq {
namespace {

using test::Agreed;
using test::kFastTable;
using test::kLowField;
using test::kTallField;
using test::Section;
using test::TSide;

const std::string kWorld = std::string(KQ_SOURCE_DIR) + "/tests/netns/world.sh";
const std::string kServer = "192.0.2.1:7700";

int Shell(const std::string& cmd) {
  const int st = std::system((cmd + " >/dev/null 2>&1").c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Why namespaces cannot be made here, or empty.
std::string Unavailable(bool upnp) {
  if (geteuid() != 0) return "not root";
  if (Shell("command -v ip") != 0 || Shell("command -v nft") != 0) return "ip or nft missing";
  if (upnp && Shell("command -v miniupnpd") != 0) return "miniupnpd missing";
  const std::string probe = "kq" + std::to_string(getpid()) + "-probe";
  if (Shell("ip netns add " + probe) != 0) return "cannot create a network namespace";
  const bool nft = Shell("ip netns exec " + probe + " nft list ruleset") == 0;
  Shell("ip netns del " + probe);
  return nft ? "" : "nftables does not work in a namespace";
}

// One test's namespaces, removed with everything in them however the test ends.
struct TWorld {
  std::string prefix = "kq" + std::to_string(getpid());
  TWorld() { Shell(kWorld + " sweep"); }  // worlds left by test processes that were killed
  ~TWorld() { Shell(kWorld + " down " + prefix); }
  bool Up(const std::string& a, const std::string& b) {
    return Shell("STUN_ANSWER=" + std::string(KQ_BIN_DIR) + "/stun_answer " + kWorld + " up " + prefix + " " +
                 a + " " + b) == 0;
  }
  bool Lan() { return Shell(kWorld + " lan " + prefix) == 0; }
  std::string In(const std::string& ns) const { return "ip netns exec " + prefix + "-" + ns; }
};

std::string InviteOf(TSide& host, int ms) {
  std::regex line("^invite ([A-Z0-9]{6})\n");
  for (int waited = 0; waited < ms; waited += 50) {
    std::smatch m;
    const std::string out = host.Out();
    if (std::regex_search(out, m, line)) return m[1];
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return "";
}

std::string PathOf(const std::string& dump) {
  std::smatch m;
  const std::string net = Section(dump, "net");
  return std::regex_search(net, m, std::regex("\"path\":\"([a-z]+)\"")) ? std::string(m[1]) : "";
}

// The host in home a, the guest in home b play to the first game over; both must agree, and
// each reports the path it took. Prints the guest's time from start to the first game tick.
void PlayAcross(const std::string& routerA, const std::string& routerB, const std::string& hostPath,
                const std::string& guestPath) {
  if (std::string why = Unavailable(routerA == "upnp" || routerB == "upnp"); !why.empty())
    GTEST_SKIP() << why;
  TWorld world;
  ASSERT_TRUE(world.Up(routerA, routerB));
  TSide server, host, guest;
  server.Wrap = world.In("pub");
  host.Wrap = world.In("ha");
  guest.Wrap = world.In("hb");
  server.Run(std::string(KQ_BIN_DIR) + "/kq001-server --bind 192.0.2.1");
  host.folder.Write("f1.txt", kTallField);
  host.folder.Write("f2.txt", kLowField);
  host.folder.Write("LevelUp.def", kFastTable);
  guest.folder.Write("LevelUp.def", kFastTable);
  host.folder.Write("in.txt", "40 down 39\n41 up 39\n60 down 67\n61 up 67\n");
  guest.folder.Write("in.txt", "45 down 37\n46 up 37\n70 down 67\n71 up 67\n");
  // The router with miniupnpd asks STUN for its public address before it offers mappings.
  if (routerA == "upnp") std::this_thread::sleep_for(std::chrono::milliseconds(500));
  host.Start("--host --server " + kServer + " --seed 9 --frames 600 --field1 " + host.folder.Path("f1.txt") +
             " --field2 " + host.folder.Path("f2.txt") + " --input " + host.folder.Path("in.txt") +
             " --dump " + host.folder.Path("end.json"));
  const std::string code = InviteOf(host, 8000);
  ASSERT_EQ(code.size(), 6u) << host.Out() << host.Err() << server.Err();
  guest.Start("--join " + code + " --server " + kServer + " --frames 600 --input " +
              guest.folder.Path("in.txt") + " --dump " + guest.folder.Path("end.json"));
  EXPECT_EQ(host.WaitFor(40000), 0) << host.Err();
  EXPECT_EQ(guest.WaitFor(40000), 0) << guest.Err();
  const std::string h = host.folder.Read("end.json"), g = guest.folder.Read("end.json");
  ASSERT_FALSE(Agreed(h).empty()) << host.Err() << guest.Err();
  EXPECT_EQ(Agreed(h), Agreed(g));
  EXPECT_NE(Section(h, "players").find("\"phase\":6"), std::string::npos) << h;
  EXPECT_EQ(PathOf(h), hostPath) << Section(h, "net") << host.Err();
  EXPECT_EQ(PathOf(g), guestPath) << Section(g, "net") << guest.Err();
  std::smatch m;
  const std::string err = guest.Err();
  if (std::regex_search(err, m, std::regex("connected \\(([a-z]+)\\) after ([0-9]+) ms")))
    std::cout << "join to the first game tick, " << m[1] << ": " << m[2] << " ms\n";
}

TEST(NetNamespaces, TwoOrdinaryHomeRoutersOpenAPathThroughBoth) {
  PlayAcross("masq", "masq", "punched", "punched");
}

TEST(NetNamespaces, AHostWhoseRouterOpensThePortIsJoinedThroughIt) {
  PlayAcross("upnp", "masq", "upnp", "upnp");
}

TEST(NetNamespaces, TwoRoutersWithAPortPerConnectionPlayThroughTheRelay) {
  PlayAcross("random", "random", "relay", "relay");
}

TEST(NetNamespaces, GamesOnTheSameNetworkAreFoundByBroadcast) {
  if (std::string why = Unavailable(false); !why.empty()) GTEST_SKIP() << why;
  TWorld world;
  ASSERT_TRUE(world.Lan());
  TSide host, finder, idle;
  host.Wrap = world.In("l1");
  finder.Wrap = world.In("l2");
  host.Start("--host --frames 250");
  std::string out;
  // The host answers once its socket is open; ask until it does (bounded).
  for (int attempt = 0; attempt < 5 && out.find("10.9.0.1:7701") == std::string::npos; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    finder.Run(std::string(KQ_BIN_DIR) + "/kq001 --lan-games");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(finder.WaitFor(10000), 0) << finder.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(3500));  // about 2 s
    out = finder.Out();
  }
  EXPECT_NE(out.find("10.9.0.1:7701"), std::string::npos) << out << finder.Err();
  EXPECT_NE(out.find(" free"), std::string::npos) << out;
  // Nobody hosting: the search says so and ends all the same.
  host.WaitFor(15000);
  idle.Wrap = world.In("l2");
  idle.Run(std::string(KQ_BIN_DIR) + "/kq001 --lan-games");
  EXPECT_EQ(idle.WaitFor(10000), 0);
  EXPECT_EQ(idle.Out(), "");
  EXPECT_NE(idle.Err().find("no games found"), std::string::npos) << idle.Err();
}

}  // namespace
}  // namespace kq
