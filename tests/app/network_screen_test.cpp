// The NETWORK screen in the real program (headless): reached from the title with the keyboard
// alone, joining by a pasted address, a failure that stays on screen, and Esc in a match that
// goes back to the screen instead of closing the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "app/net_sides.h"

namespace kq {
namespace {

using test::Agreed;
using test::kFastTable;
using test::kTallField;
using test::Port;
using test::Section;
using test::TSide;

// Virtual-key codes.
constexpr int kLeft = 37, kRight = 39, kDown = 40, kReturn = 13, kEsc = 27, kCtrl = 17;

// The screen searches the LAN while it is up: these games ask only the loopback.
const bool kLanOnLoopback = setenv("KQ001_LAN_TARGETS", "127.0.0.1", 1) == 0;

std::string Press(int tick, int vk) {
  return std::to_string(tick) + " down " + std::to_string(vk) + "\n" + std::to_string(tick + 1) + " up " +
         std::to_string(vk) + "\n";
}

// Title: down to VS GAME, Left from HUMAN round to NETWORK (the last choice), Return.
std::string ToNetworkScreen() {
  return Press(2, kDown) + Press(4, kLeft) + Press(6, kReturn);
}

std::string Value(const std::string& dump, const std::string& key) {
  return Section(Section(dump, "network_screen"), key);
}

TEST(NetworkScreen, TheTitleLeadsThereAndAFailureStaysOnScreenUntilThePlayerMovesOn) {
  ASSERT_TRUE(kLanOnLoopback);
  TSide side;
  std::string script = ToNetworkScreen();
  // JOIN (second row), type a code: no match server is set, so it cannot be used.
  script += Press(10, kDown) + Press(12, kReturn);
  for (int i = 0; const char c : std::string("ABC234")) script += Press(20 + 2 * i++, c);
  script += Press(40, kReturn);
  side.folder.Write("in.txt", script);
  side.Start("--frames 60 --input " + side.folder.Path("in.txt") +
             " --dump-at 8:" + side.folder.Path("menu.json") +
             " --dump-at 36:" + side.folder.Path("typed.json") + " --dump " + side.folder.Path("end.json"));
  EXPECT_EQ(side.WaitFor(30000), 0) << side.Err();
  const std::string menu = side.folder.Read("menu.json"), typed = side.folder.Read("typed.json"),
                    end = side.folder.Read("end.json");
  EXPECT_NE(menu.find("\"screen\":\"network\""), std::string::npos) << menu.substr(0, 200);
  EXPECT_NE(Value(typed, "mode").find("join"), std::string::npos) << Section(typed, "network_screen");
  EXPECT_NE(Value(typed, "typed").find("ABC234"), std::string::npos) << Section(typed, "network_screen");
  // Twenty ticks after the failure its reason is still there.
  EXPECT_NE(Value(end, "notice").find("invite codes need a match server"), std::string::npos)
      << Section(end, "network_screen");

  // The title's VS GAME still starts a versus game when NETWORK is not chosen (Right to CPU 1
  // and Left back to HUMAN).
  TSide plain;
  plain.folder.Write("in.txt", Press(2, kDown) + Press(4, kRight) + Press(6, kLeft) + Press(8, kReturn));
  plain.Start("--frames 20 --input " + plain.folder.Path("in.txt") + " --dump " +
              plain.folder.Path("end.json"));
  EXPECT_EQ(plain.WaitFor(30000), 0) << plain.Err();
  EXPECT_NE(plain.folder.Read("end.json").find("\"screen\":\"play\""), std::string::npos);
}

// Pastes text at tick t into the entry and confirms it at tick t + 10.
std::string PasteAndConfirm(int t, const std::string& text) {
  return std::to_string(t) + " clipboard " + text + "\n" + std::to_string(t + 2) + " down " +
         std::to_string(kCtrl) + "\n" + Press(t + 3, 'V') + std::to_string(t + 5) + " up " +
         std::to_string(kCtrl) + "\n" + Press(t + 10, kReturn);
}

TEST(NetworkScreen, APastedAddressJoinsAndEscEndsTheMatchBackOnTheScreen) {
  TSide host, guest, watcher;
  host.folder.Write("f1.txt", kTallField);
  host.folder.Write("LevelUp.def", kFastTable);
  guest.folder.Write("LevelUp.def", kFastTable);
  watcher.folder.Write("LevelUp.def", kFastTable);
  const int port = Port(14);
  host.Start("--host --port " + std::to_string(port) + " --frames 900 --field1 " +
             host.folder.Path("f1.txt") + " --dump " + host.folder.Path("end.json"));
  // JOIN, paste the host's address, Return; in the match Esc after a while.
  std::string script = ToNetworkScreen() + Press(10, kDown) + Press(12, kReturn);
  script += "20 clipboard 127.0.0.1:" + std::to_string(port) + "\n";
  script +=
      "22 down " + std::to_string(kCtrl) + "\n" + Press(23, 'V') + "25 up " + std::to_string(kCtrl) + "\n";
  script += Press(30, kReturn) + Press(200, kEsc);
  guest.folder.Write("in.txt", script);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  guest.Start("--frames 300 --input " + guest.folder.Path("in.txt") +
              " --dump-at 150:" + guest.folder.Path("mid.json") + " --dump " + guest.folder.Path("end.json"));
  // A third machine watches: WATCH (third row), the same address pasted. It sees the match a
  // few seconds late, marked as watched, and is back on the NETWORK screen after its end.
  watcher.folder.Write("in.txt", ToNetworkScreen() + Press(10, kDown) + Press(12, kDown) +
                                     Press(14, kReturn) +
                                     PasteAndConfirm(20, "127.0.0.1:" + std::to_string(port)));
  watcher.Start("--frames 600 --input " + watcher.folder.Path("in.txt") + " --dump-at 19:" +
                watcher.folder.Path("entry.json") + " --dump-at 300:" + watcher.folder.Path("mid.json") +
                " --dump " + watcher.folder.Path("end.json"));
  EXPECT_EQ(guest.WaitFor(40000), 0) << guest.Err();
  EXPECT_EQ(host.WaitFor(40000), 0) << host.Err();
  const std::string mid = guest.folder.Read("mid.json"), end = guest.folder.Read("end.json");
  // In the match, on the guest's side.
  EXPECT_NE(mid.find("\"screen\":\"play\""), std::string::npos) << mid.substr(0, 300) << guest.Err();
  EXPECT_NE(Section(mid, "net").find("\"path\":\"direct\""), std::string::npos) << Section(mid, "net");
  // Esc ended it for both; the program went on, back on the NETWORK screen (an Esc that reached
  // the title would have closed it).
  EXPECT_NE(end.find("\"screen\":\"network\""), std::string::npos) << end.substr(0, 300);
  EXPECT_NE(host.Err().find("rival left"), std::string::npos) << host.Err();
  // The address is remembered among the recent rivals.
  EXPECT_NE(guest.folder.Read("kq001.INI").find("Rival1=127.0.0.1:" + std::to_string(port)),
            std::string::npos);

  EXPECT_EQ(watcher.WaitFor(40000), 0) << watcher.Err();
  const std::string wEntry = watcher.folder.Read("entry.json"), wMid = watcher.folder.Read("mid.json"),
                    wEnd = watcher.folder.Read("end.json");
  EXPECT_NE(Value(wEntry, "mode").find("watch"), std::string::npos) << Section(wEntry, "network_screen");
  EXPECT_NE(wMid.find("\"screen\":\"play\""), std::string::npos) << wMid.substr(0, 300) << watcher.Err();
  EXPECT_NE(Section(wMid, "net").find("\"watching\":true"), std::string::npos) << Section(wMid, "net");
  EXPECT_NE(wEnd.find("\"screen\":\"network\""), std::string::npos) << wEnd.substr(0, 300) << watcher.Err();
  EXPECT_NE(Value(wEnd, "notice").find("the match is over"), std::string::npos)
      << Section(wEnd, "network_screen");
}

TEST(NetworkScreen, TheInputDelayOfHostedMatchesIsChosenThereAndKept) {
  TSide side;
  // Down past every row to BACK, up to INPUT DELAY, Right twice and Left once: 1.
  std::string script = ToNetworkScreen();
  for (int i = 0; i < 8; ++i) script += Press(10 + 2 * i, kDown);
  script += Press(30, 38) + Press(32, kRight) + Press(34, kRight) + Press(36, kLeft);
  side.folder.Write("in.txt", script);
  side.Start("--frames 45 --input " + side.folder.Path("in.txt") +
             " --shot 40:" + side.folder.Path("net.png"));
  EXPECT_EQ(side.WaitFor(30000), 0) << side.Err();
  EXPECT_NE(side.folder.Read("kq001.INI").find("InputDelay=1"), std::string::npos)
      << side.folder.Read("kq001.INI");
}

// The window's close button in a match started from the menu: the match ends for both, the
// program goes on back on the NETWORK screen and still answers the keys; a second close there
// ends the program as usual.
TEST(NetworkScreen, ClosingTheWindowInAMatchEndsItButNotTheProgram) {
  TSide host, guest;
  host.folder.Write("f1.txt", kTallField);
  host.folder.Write("LevelUp.def", kFastTable);
  guest.folder.Write("LevelUp.def", kFastTable);
  const int port = Port(15);
  host.Start("--host --port " + std::to_string(port) + " --frames 900 --field1 " +
             host.folder.Path("f1.txt") + " --dump " + host.folder.Path("end.json"));
  std::string script = ToNetworkScreen() + Press(10, kDown) + Press(12, kReturn);
  script += "20 clipboard 127.0.0.1:" + std::to_string(port) + "\n";
  script +=
      "22 down " + std::to_string(kCtrl) + "\n" + Press(23, 'V') + "25 up " + std::to_string(kCtrl) + "\n";
  script += Press(30, kReturn) + "200 close\n" + Press(230, kDown) + "260 close\n";
  guest.folder.Write("in.txt", script);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  guest.Start("--frames 400 --input " + guest.folder.Path("in.txt") + " --dump-at 150:" +
              guest.folder.Path("mid.json") + " --dump-at 250:" + guest.folder.Path("back.json") +
              " --dump " + guest.folder.Path("end.json"));
  EXPECT_EQ(guest.WaitFor(40000), 0) << guest.Err();
  EXPECT_EQ(host.WaitFor(40000), 0) << host.Err();
  const std::string mid = guest.folder.Read("mid.json"), back = guest.folder.Read("back.json");
  EXPECT_NE(mid.find("\"screen\":\"play\""), std::string::npos) << mid.substr(0, 300) << guest.Err();
  EXPECT_NE(back.find("\"screen\":\"network\""), std::string::npos) << back.substr(0, 300);
  EXPECT_NE(Value(back, "cursor").find("1"), std::string::npos) << Section(back, "network_screen");
  EXPECT_NE(host.Err().find("rival left"), std::string::npos) << host.Err();
  // The second close ended the run before its last frame: nothing was dumped at the end.
  EXPECT_EQ(guest.folder.Read("end.json").find("\"ticks\":400"), std::string::npos);
}

}  // namespace
}  // namespace kq
