#pragma once
// A versus match between two machines: the waiting screen, the rollback ticks, the retry
// prompt both players answer, and the end of the match. The host plays player 1, the guest
// player 2; each uses player 1's keys or pad on their own machine.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/controls.h"
#include "net/transport.h"

namespace kq {

struct GameContext;

struct TNetOptions {
  bool Host = false;
  std::string JoinHost;  // empty unless joining by address
  std::string JoinCode;  // empty unless joining by invite code
  std::string Server;    // the match server's host[:port]; empty: no invite codes
  bool Upnp = true;      // a host asks its router to open the port (with a server only)
  uint16_t Port = net::kDefaultPort;
  int InputDelay = -1;  // a host's input delay in ticks; -1: the settings' [Network] InputDelay
  net::TNetSim Sim;
  bool Watch = false;  // JoinHost or JoinCode names a match to watch, not to play
  bool Active() const { return Host || !JoinHost.empty() || !JoinCode.empty(); }
};

// What the program loop around the match provides.
struct TNetRunHooks {
  bool Headless = false;
  long Frames = -1;  // ticks to run, waiting ticks included; -1 = until the match ends
  // Per counted tick (scripted input before, shots and dumps after); may be empty.
  std::function<void(uint32_t)> BeforeTick, AfterTick;
  // Handles the platform's events; false once the program is closing.
  std::function<bool()> PumpEvents;
  // The platform's clock for the tick about to run.
  std::function<void(uint32_t)> SetClock;
  // Where the program goes when the match is over (why: empty after a normal end); empty: the
  // title, with why as its notice.
  std::function<void(const std::string&)> Back;
};

// Prints the games on this network that answer within waitMs, one a line; exit status 0, or 1
// when the search could not be sent.
int ListLanGames(uint32_t waitMs);
// This machine's name as LAN searches show it.
std::string MachineName();

// Exit status of a headless match: 0 ended normally, 2 could not start, 3 broke off. With
// o.Watch, RunWatchMatch.
int RunNetMatch(GameContext& g, const TNetOptions& o, const TNetRunHooks& hooks);
// Watches another machine's match (app/net_watch.cpp): both players' confirmed states, a few
// seconds behind them, until the match ends or Esc. Exit status as RunNetMatch's.
int RunWatchMatch(GameContext& g, const TNetOptions& o, const TNetRunHooks& hooks);

// Shared by the players' and the spectators' runs.
uint32_t WallMs();
// The frames of a network loop, counted against the hooks' limit, and the person's keys (player
// 1's assignment and pad) read at the start of each.
class TNetFrames {
 public:
  TNetFrames(GameContext& g, const TNetRunHooks& hooks);
  // Counts a frame, runs the hook before it, pumps the window's events and reads the keys; false
  // once the window is closing (Closing is then set).
  bool Begin();
  bool Done() const { return hooks_.Frames >= 0 && long(Counted) >= hooks_.Frames; }

  TDXInput Local;
  uint32_t Counted = 0;
  bool Closing = false;

 private:
  GameContext& g_;
  const TNetRunHooks& hooks_;
};
// The held key that ended a match (Esc) must not act again on the screen that follows: the
// devices learn what is down now and forget their latches.
void ForgetHeldKeys(GameContext& g);
struct TLine {
  std::string Text;
  uint32_t Rgb = 0xF4F6FF;  // kTextWhite
};
// The connecting screen: its lines centred, one under another.
void DrawLines(GameContext& g, const std::vector<TLine>& lines);

// The state two machines compare: every rules field of the game state (HashState).
uint64_t RulesStateHash(const GameContext& g);
// The host's rule settings (and scripted starting fields) as sent to the guest.
std::string EncodeMatchRules(const GameContext& g);
bool ApplyMatchRules(const std::string& text, GameContext& g);
// The seed of each round of a match.
uint64_t RoundSeed(uint64_t matchSeed, uint32_t round);

}  // namespace kq
