// Two headless programs play one network match over the loopback.
#include <enet/enet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "app/net_sides.h"
#include "config/level_table.h"
#include "config/profile.h"
#include "config/replay_file.h"
#include "net/net_packet.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

using test::Agreed;
using test::kFastTable;
using test::kLowField;
using test::kTallField;
using test::Port;
using test::Section;
using test::TSide;

// Each side recorded the match, and each recording plays back to the fields the match ended
// with.
void ExpectRecordingsReplay(TSide& host, TSide& guest, const std::string& hostDump) {
  const std::string& h = hostDump;
  for (TSide* s : {&host, &guest}) {
    std::vector<fs::path> files;
    if (fs::exists(s->folder.dir / "replays"))
      for (auto& e : fs::directory_iterator(s->folder.dir / "replays"))
        if (e.path().extension() == ".kqr") files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u) << s->Err();
    // The rival is the network's, on each machine the other player.
    TReplayHeader header;
    ASSERT_TRUE(PeekReplayHeader(s->folder.Read("replays/" + files[0].filename().string()), header));
    EXPECT_EQ(header.Sides, (s == &host ? std::array<uint8_t, 2>{kSideHuman, kSideNetwork}
                                        : std::array<uint8_t, 2>{kSideNetwork, kSideHuman}));
    s->Start("--replay " + files[0].string() + " --dump " + s->folder.Path("replayed.json"));
    EXPECT_EQ(s->Wait(), 0) << s->Err();
    const std::string replayed = s->folder.Read("replayed.json");
    std::regex fieldOnly("\"field\":\\[[^\\]]*\\]");
    auto fields = [&](const std::string& j) {
      std::string out;
      for (auto it = std::sregex_iterator(j.begin(), j.end(), fieldOnly); it != std::sregex_iterator(); ++it)
        out += it->str();
      return out;
    };
    EXPECT_EQ(fields(replayed), fields(h));
  }
}

// A spectator that watched the whole match (a few seconds behind the players) ended where
// they did, and said it was watching.
void ExpectSpectatorSawTheSameEnd(TSide& spectator, const std::string& hostDump) {
  EXPECT_EQ(spectator.WaitFor(30000), 0) << spectator.Err();
  const std::string s = spectator.folder.Read("end.json");
  EXPECT_EQ(Agreed(s), Agreed(hostDump)) << spectator.Err();
  EXPECT_NE(Section(s, "net").find("\"watching\":true"), std::string::npos) << Section(s, "net");
  EXPECT_NE(spectator.Err().find("the match is over"), std::string::npos) << spectator.Err();
  // A spectator records nothing.
  if (fs::exists(spectator.folder.dir / "replays")) {
    for (auto& e : fs::directory_iterator(spectator.folder.dir / "replays")) {
      EXPECT_NE(e.path().extension(), ".kqr") << e.path();
    }
  }
}

// Starts a spectator of the host on port once the host is up.
void StartSpectator(TSide& spectator, int port, const std::string& sim = "") {
  spectator.folder.Write("LevelUp.def", kFastTable);
  spectator.Start("--spectate 127.0.0.1:" + std::to_string(port) + (sim.empty() ? "" : " --net-sim " + sim) +
                  " --frames 3000 --dump " + spectator.folder.Path("end.json"));
}

TEST(NetMatchRunner, BothMachinesPlayTheSameGameToItsEnd) {
  TSide host, guest, spectator;
  host.folder.Write("f1.txt", kTallField);
  host.folder.Write("f2.txt", kLowField);
  host.folder.Write("LevelUp.def", kFastTable);
  guest.folder.Write("LevelUp.def", kFastTable);
  // Both players move and shoot with player 1's keys on their own machines.
  host.folder.Write("in.txt", "40 down 39\n41 up 39\n60 down 67\n61 up 67\n");
  guest.folder.Write("in.txt", "45 down 37\n46 up 37\n70 down 67\n71 up 67\n90 down 90\n91 up 90\n");
  const int port = Port(0);
  // An input delay the host chose holds on both machines.
  host.Start("--host --port " + std::to_string(port) + " --input-delay 2 --seed 9 --frames 420 --field1 " +
             host.folder.Path("f1.txt") + " --field2 " + host.folder.Path("f2.txt") + " --input " +
             host.folder.Path("in.txt") + " --dump " + host.folder.Path("end.json"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames 420 --input " +
              guest.folder.Path("in.txt") + " --dump " + guest.folder.Path("end.json"));
  StartSpectator(spectator, port);
  const int hostRc = host.Wait();
  const int guestRc = guest.Wait();
  EXPECT_EQ(hostRc, 0) << host.Err();
  EXPECT_EQ(guestRc, 0) << guest.Err();
  const std::string h = host.folder.Read("end.json"), g = guest.folder.Read("end.json");
  ASSERT_FALSE(Agreed(h).empty()) << h;
  EXPECT_EQ(Agreed(h), Agreed(g));
  // Player 1 (the host) lost at the first rising line; the guest's field came from the host.
  EXPECT_NE(Section(h, "players").find("\"phase\":6"), std::string::npos);
  EXPECT_NE(Agreed(g).find("\"01234501\""), std::string::npos);
  EXPECT_EQ(Section(h, "delay"), "\"delay\":2,");
  EXPECT_EQ(Section(g, "delay"), "\"delay\":2,");
  EXPECT_NE(Section(h, "net").find("\"spectators\":1"), std::string::npos) << Section(h, "net");
  ExpectSpectatorSawTheSameEnd(spectator, h);
  ExpectRecordingsReplay(host, guest, h);
}

TEST(NetMatchRunner, TheSameMatchAgreesUnderDelayJitterAndLoss) {
  int n = 0;
  for (const char* sim : {"40,10,10", "100,30,5"}) {
    SCOPED_TRACE(sim);
    TSide host, guest, spectator;
    host.folder.Write("f1.txt", kTallField);
    host.folder.Write("LevelUp.def", kFastTable);
    guest.folder.Write("LevelUp.def", kFastTable);
    host.folder.Write("in.txt", "35 down 39\n36 up 39\n44 down 67\n45 up 67\n");
    guest.folder.Write("in.txt", "30 down 40\n31 up 40\n50 down 67\n51 up 67\n52 down 88\n53 up 88\n");
    const int port = Port(n++ == 0 ? 1 : 14);
    host.Start("--host --port " + std::to_string(port) + " --seed 4 --frames 420 --field1 " +
               host.folder.Path("f1.txt") + " --input " + host.folder.Path("in.txt") + " --dump " +
               host.folder.Path("end.json"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --net-sim " + sim + " --frames 420 --input " +
                guest.folder.Path("in.txt") + " --dump " + guest.folder.Path("end.json"));
    StartSpectator(spectator, port, sim);
    EXPECT_EQ(host.Wait(), 0) << host.Err();
    EXPECT_EQ(guest.Wait(), 0) << guest.Err();
    const std::string h = host.folder.Read("end.json"), g = guest.folder.Read("end.json");
    ASSERT_FALSE(Agreed(h).empty());
    EXPECT_EQ(Agreed(h), Agreed(g));
    EXPECT_NE(Section(h, "players").find("\"phase\":6"), std::string::npos);
    // No input delay: each side guessed the other's presses, got some wrong and went back.
    EXPECT_EQ(Section(g, "delay"), "\"delay\":0,") << Section(g, "net");
    const long rollbacks = std::atol(Section(h, "rollbacks").substr(12).c_str()) +
                           std::atol(Section(g, "rollbacks").substr(12).c_str());
    EXPECT_GT(rollbacks, 0) << Section(h, "net") << Section(g, "net");
    EXPECT_NE(Section(h, "max_rollback"), "");
    EXPECT_NE(Section(h, "predicted_wrong"), "");
    ExpectSpectatorSawTheSameEnd(spectator, h);
    ExpectRecordingsReplay(host, guest, h);
  }
}

// After the game over each player answers on their own machine (Return on YES, or Right then
// Return for NO).
TEST(NetMatchRunner, ARematchNeedsBothYesAndOneNoEndsIt) {
  for (bool guestSaysYes : {true, false}) {
    TSide host, guest, spectator;
    host.folder.Write("f1.txt", kTallField);
    host.folder.Write("LevelUp.def", kFastTable);
    guest.folder.Write("LevelUp.def", kFastTable);
    host.folder.Write("in.txt", "230 down 13\n232 up 13\n");
    guest.folder.Write("in.txt", guestSaysYes ? "250 down 13\n252 up 13\n"
                                              : "240 down 39\n242 up 39\n250 down 13\n252 up 13\n");
    const int port = Port(guestSaysYes ? 6 : 7);
    // The second round runs some 180 ticks: past its game over (about tick 90) even when a
    // loaded machine makes the players wait now and then.
    host.Start("--host --port " + std::to_string(port) + " --seed 2 --frames 460 --field1 " +
               host.folder.Path("f1.txt") + " --input " + host.folder.Path("in.txt") + " --dump " +
               host.folder.Path("end.json"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames 800 --input " +
                guest.folder.Path("in.txt") + " --dump " + guest.folder.Path("end.json"));
    // A spectator follows the players into their second round.
    if (guestSaysYes) StartSpectator(spectator, port);
    EXPECT_EQ(host.Wait(), 0) << host.Err();
    EXPECT_EQ(guest.Wait(), 0) << guest.Err();
    const std::string h = host.folder.Read("end.json");
    if (guestSaysYes) {
      EXPECT_NE(Section(h, "round").find(":1"), std::string::npos) << Section(h, "net") << host.Err();
      EXPECT_EQ(Agreed(h), Agreed(guest.folder.Read("end.json")));
      ExpectSpectatorSawTheSameEnd(spectator, h);
      EXPECT_NE(Section(spectator.folder.Read("end.json"), "round").find(":1"), std::string::npos);
    } else {
      EXPECT_NE(host.Err().find("the rival declined a rematch"), std::string::npos) << host.Err();
      EXPECT_NE(Section(h, "round").find(":0"), std::string::npos) << Section(h, "net");
    }
  }
}

TEST(NetMatchRunner, AGuestWithAnotherLevelTableIsRefused) {
  TSide host, guest;
  guest.folder.Write("LevelUp.def", "[LEVEL001]\nHardBlockRatio=3\nNeedBlock=10\nLineUpInterval=4000\n");
  const int port = Port(2);
  host.Start("--host --port " + std::to_string(port) + " --frames 200");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames 200");
  EXPECT_EQ(guest.Wait(), 2);
  EXPECT_NE(guest.Err().find("level tables differ"), std::string::npos) << guest.Err();
  // The host said why and went on waiting for another guest.
  EXPECT_EQ(host.Wait(), 0) << host.Err();
}

TEST(NetMatchRunner, APortInUseOrAnUnknownHostStopsWithAMessage) {
  TSide first, second, lost;
  const int port = Port(3);
  first.Start("--host --port " + std::to_string(port) + " --frames 100");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  second.Start("--host --port " + std::to_string(port) + " --frames 100");
  lost.Start("--join no-such-host.invalid --frames 100");
  EXPECT_EQ(lost.Wait(), 2);
  EXPECT_NE(lost.Err().find("unknown host no-such-host.invalid"), std::string::npos) << lost.Err();
  // Whichever took the port first (a loaded machine may start the second sooner), the other
  // stops with the port's number and the first waits its frames out.
  const int a = first.Wait(), b = second.Wait();
  const TSide& refused = a == 2 ? first : second;
  EXPECT_EQ(std::min(a, b), 0);
  EXPECT_EQ(std::max(a, b), 2);
  EXPECT_NE(refused.Err().find("port " + std::to_string(port) + " is in use"), std::string::npos)
      << first.Err() << second.Err();
}

TEST(NetMatchRunner, ARivalWhoLeavesOrVanishesEndsTheMatch) {
  {
    TSide host, guest;
    const int port = Port(4);
    host.Start("--host --port " + std::to_string(port) + " --frames 150");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames 3000 --dump " +
                guest.folder.Path("end.json"));
    EXPECT_EQ(host.Wait(), 0);
    EXPECT_EQ(guest.Wait(), 0) << guest.Err();  // well before its 3000 ticks
    EXPECT_NE(guest.Err().find("rival left"), std::string::npos) << guest.Err();
  }
  {
    TSide host, guest;
    const int port = Port(5);
    host.Start("--host --port " + std::to_string(port) + " --frames 3000");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    guest.Start("--join 127.0.0.1:" + std::to_string(port) + " --frames 3000");
    // Vanish mid-match, not before it: a loaded run can take seconds to connect.
    for (int i = 0; i < 300 && host.Err().find("network match begins") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_NE(host.Err().find("network match begins"), std::string::npos) << host.Err();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(host.pid, SIGKILL);
    host.Wait();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(guest.Wait(), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(8));
    EXPECT_NE(guest.Err().find("rival disconnected"), std::string::npos) << guest.Err();
  }
}

// A guest of a few lines: ENet's handshake and the game's, then not one more message, though
// its ENet host keeps answering (so only the match's own silence rule can notice).
TEST(NetMatchRunner, AGuestThatFallsSilentAfterTheHandshakeEndsTheMatchWithinFiveSeconds) {
  TSide host;
  const int port = Port(12);
  host.Start("--host --port " + std::to_string(port) + " --frames 6000");
  ASSERT_EQ(enet_initialize(), 0);
  ENetHost* client = enet_host_create(nullptr, 1, 2, 0, 0);
  ASSERT_NE(client, nullptr);
  // A failed assertion returns early: the client still goes, so a failure reads as one.
  const std::unique_ptr<ENetHost, void (*)(ENetHost*)> clientGuard(client, [](ENetHost* h) {
    enet_host_destroy(h);
    enet_deinitialize();
  });
  ENetAddress to{};
  enet_address_set_host(&to, "127.0.0.1");
  to.port = uint16_t(port);
  bool welcomed = false;
  ENetEvent e;
  // One connect, left to ENet's own retries: the host may still be loading, and its datagrams
  // wait in the socket. Resetting and asking again would leave a half-open peer in the host's
  // only slot until it times out.
  ENetPeer* peer = nullptr;
  // Up to 15 s: under a loaded sanitizer run the host can take seconds to start listening.
  for (int i = 0; i < 1500 && !welcomed; ++i) {
    if (!peer) peer = enet_host_connect(client, &to, 2, 0);
    ASSERT_NE(peer, nullptr);
    if (enet_host_service(client, &e, 10) <= 0) continue;
    if (e.type == ENET_EVENT_TYPE_CONNECT) {
      const TLevelTable table =
          BuildLevelTable(TProfile(std::string(DefaultLevelTableText())), TGameConfig{});
      const std::vector<uint8_t> hello =
          net::Encode(net::THello{net::kProtocolVersion, kGameVersion, LevelTableHash(table)});
      enet_peer_send(peer, 0, enet_packet_create(hello.data(), hello.size(), ENET_PACKET_FLAG_RELIABLE));
    } else if (e.type == ENET_EVENT_TYPE_RECEIVE) {
      const auto m = net::Decode(std::span<const uint8_t>(e.packet->data, e.packet->dataLength));
      welcomed = m && std::holds_alternative<net::TWelcome>(*m);
      enet_packet_destroy(e.packet);
    } else if (e.type == ENET_EVENT_TYPE_DISCONNECT) {
      peer = nullptr;
    }
  }
  ASSERT_TRUE(welcomed) << host.Err();
  const auto t0 = std::chrono::steady_clock::now();
  // Silent: ENet still acknowledges and pings, the game sends nothing, for up to 9 s.
  bool hostGone = false;
  for (int i = 0; i < 900 && !hostGone; ++i) {
    if (enet_host_service(client, &e, 10) > 0) {
      if (e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
      hostGone = e.type == ENET_EVENT_TYPE_DISCONNECT;
    }
    int st = 0;
    if (!hostGone && waitpid(host.pid, &st, WNOHANG) == host.pid) {
      hostGone = true;
      host.pid = -1;
      EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, 3);
    }
  }
  const auto waited = std::chrono::steady_clock::now() - t0;
  ASSERT_TRUE(hostGone) << host.Err();
  if (host.pid > 0) {
    EXPECT_EQ(host.Wait(), 3);
  }
  EXPECT_GE(waited, std::chrono::milliseconds(4500));
  EXPECT_LT(waited, std::chrono::milliseconds(6500));
  EXPECT_NE(host.Err().find("rival disconnected"), std::string::npos) << host.Err();
}

}  // namespace
}  // namespace kq

namespace kq {
namespace {

// Waits for the host's "invite CODE" line; empty after ms without one.
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

TEST(NetMatchRunner, AGuestJoinsByInviteCodeAndAWrongCodeSaysSo) {
  TSide server, host, guest, lost, noServer, spectator;
  const std::string at = "127.0.0.1:" + std::to_string(Port(13));
  server.Run(std::string(KQ_BIN_DIR) + "/kq001-server --bind 127.0.0.1 --port " + std::to_string(Port(13)));
  host.folder.Write("f1.txt", kTallField);
  host.folder.Write("LevelUp.def", kFastTable);
  guest.folder.Write("LevelUp.def", kFastTable);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  host.Start("--host --port " + std::to_string(Port(1)) + " --server " + at +
             " --seed 5 --frames 420 --field1 " + host.folder.Path("f1.txt") + " --dump " +
             host.folder.Path("end.json"));
  const std::string code = InviteOf(host, 5000);
  ASSERT_EQ(code.size(), 6u) << host.Out() << host.Err() << server.Err();
  guest.Start("--join " + code + " --server " + at + " --frames 420 --dump " + guest.folder.Path("end.json"));
  // A spectator by the same code: the host is busy by then, which stops a guest, not a spectator.
  spectator.folder.Write("LevelUp.def", kFastTable);
  for (int i = 0; i < 200 && host.Err().find("network match begins") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  spectator.Start("--spectate " + code + " --server " + at + " --frames 3000 --dump " +
                  spectator.folder.Path("end.json"));
  lost.Start("--join 222222 --server " + at + " --frames 300");
  noServer.Start("--join " + code + " --frames 100");
  EXPECT_EQ(host.WaitFor(30000), 0) << host.Err();
  EXPECT_EQ(guest.WaitFor(30000), 0) << guest.Err();
  const std::string h = host.folder.Read("end.json"), g = guest.folder.Read("end.json");
  ASSERT_FALSE(Agreed(h).empty()) << h;
  EXPECT_EQ(Agreed(h), Agreed(g));
  EXPECT_NE(Section(h, "players").find("\"phase\":6"), std::string::npos);
  // On one machine the two sides' punches meet at once.
  EXPECT_NE(Section(h, "net").find("\"path\":\"punched\""), std::string::npos) << Section(h, "net");
  EXPECT_NE(Section(g, "net").find("\"path\":\"punched\""), std::string::npos) << Section(g, "net");
  ExpectSpectatorSawTheSameEnd(spectator, h);
  // The host printed its code once, on a line of its own.
  EXPECT_EQ(host.Out(), "invite " + code + "\n");

  EXPECT_EQ(lost.WaitFor(20000), 2);
  EXPECT_NE(lost.Err().find("unknown or expired invite code: 222222"), std::string::npos) << lost.Err();
  EXPECT_EQ(noServer.WaitFor(20000), 2);
  EXPECT_NE(noServer.Err().find("needs a match server"), std::string::npos) << noServer.Err();
  // The joined code is remembered first among the recent rivals.
  EXPECT_NE(guest.folder.Read("kq001.INI").find("Rival1=" + code), std::string::npos);
}

}  // namespace
}  // namespace kq
