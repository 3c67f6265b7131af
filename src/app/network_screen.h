#pragma once
// The NETWORK screen: host a match, join or watch one by invite code or address (typed, pasted
// or picked on a character grid with a pad), or pick a game found on this network to join or
// to watch. The match itself runs
// in the program loop (RunNetMatch); its end comes back here with the reason.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/net_play.h"
#include "core/screen.h"
#include "screens/text_entry.h"

namespace kq {

class Canvas;
namespace net {
class TLanSearch;
}

class TNetworkScreen final : public TScreen {
 public:
  TNetworkScreen();
  ~TNetworkScreen() override;
  const char* Name() const override { return "network"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;

  // The match the player asked for, taken by the program loop.
  std::optional<TNetOptions> Pending;
  // The match is over (why: empty after a normal end); the screen shows the reason.
  void MatchEnded(const std::string& why);

  // Join / Watch: entering a code or address; Server: entering the match server's address.
  enum class TMode { Menu, Join, Server, Watch };
  TMode Mode = TMode::Menu;
  int Cursor = 0;          // menu row: HOST, JOIN, WATCH, the games found, MATCH SERVER, INPUT DELAY, BACK
  bool WatchGame = false;  // on a game found: Left/Right chose WATCH rather than JOIN
  TTextEntry Entry;        // the code or address being entered, and where the pad is on its grid
  std::string Notice;      // a failure's reason; stays until the player moves on

  // The rows of the menu as drawn (for the dump and tests).
  std::vector<std::string> MenuRows(const GameContext& g) const;

 private:
  void UpdateMenu(GameContext& g);
  void UpdateEntry(GameContext& g);
  void Submit(GameContext& g);
  std::vector<std::string> RecentRows(const GameContext& g) const;
  void Paint(GameContext& g, Canvas& c) const;

  std::unique_ptr<net::TLanSearch> search_;
  uint32_t lastAsk_ = 0;
};

}  // namespace kq
