#include "app/network_screen.h"

#include <algorithm>

#include "app/net_text.h"
#include "config/config_file.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "net/lan_search.h"
#include "net/lobby.h"
#include "net/net_packet.h"
#include "screens/screen_text.h"

namespace kq {

namespace {

// The LAN is asked again this often while the screen is up.
constexpr uint32_t kAskEveryMs = 2000;
constexpr int kMaxInputDelaySetting = net::kMaxInputDelay;
// Rows before the games found: HOST, JOIN, WATCH.
constexpr int kFirstGame = 3;

}  // namespace

TNetworkScreen::TNetworkScreen() = default;
TNetworkScreen::~TNetworkScreen() = default;

void TNetworkScreen::Enter(GameContext& g, TScreenState) {
  Mode = TMode::Menu;
  Cursor = 0;
  WatchGame = false;
  // The search goes to this machine's own networks only, and only while the screen is up.
  search_ = std::make_unique<net::TLanSearch>();
  lastAsk_ = g.FrameTime;
}

void TNetworkScreen::Leave(GameContext&, TScreenState) {
  search_.reset();
}

void TNetworkScreen::MatchEnded(const std::string& why) {
  Notice = why;
  Mode = TMode::Menu;
}

std::vector<std::string> TNetworkScreen::MenuRows(const GameContext& g) const {
  std::vector<std::string> rows = {_("HOST A MATCH"), _("JOIN A MATCH"), _("WATCH A MATCH")};
  if (search_)
    for (size_t i = 0; i < search_->Games().size(); ++i) {
      const net::TLanGame& game = search_->Games()[i];
      std::string name = game.Name.substr(0, 16);
      name.resize(16, ' ');
      // What Return does on the row; Left/Right on the chosen row switches it.
      const bool lit = Cursor == kFirstGame + int(i);
      const std::string action = lit ? (WatchGame ? _("< WATCH >") : _("< JOIN >")) : "";
      rows.push_back(name + " " + net::AddrText(game.Addr) + "  " + (game.Busy ? _("BUSY") : _("FREE")) +
                     (action.empty() ? "" : "  " + action));
    }
  rows.push_back(Subst(_("MATCH SERVER: {server}"), "{server}",
                       g.Config.NetServer.empty() ? _("NONE") : g.Config.NetServer));
  rows.push_back(
      Subst(_("INPUT DELAY WHEN HOSTING: {n} (LEFT/RIGHT)"), "{n}", std::to_string(g.Config.NetInputDelay)));
  rows.push_back(_("BACK"));
  return rows;
}

void TNetworkScreen::Update(GameContext& g, int moveCount) {
  if (search_) {
    search_->Poll(0);
    if (g.FrameTime - lastAsk_ >= kAskEveryMs) {
      search_->Ask();
      lastAsk_ = g.FrameTime;
    }
  }
  if (Mode == TMode::Menu)
    UpdateMenu(g);
  else
    UpdateEntry(g);
  if (g.Screens.ChangeRequested()) return;
  g.DrawFrontEndFrame(moveCount, nullptr, false, [&](Canvas& c) { Paint(g, c); });
}

void TNetworkScreen::Draw(GameContext& g) {
  g.DrawStillFrame(nullptr, false, [&](Canvas& c) { Paint(g, c); });
}

void TNetworkScreen::UpdateMenu(GameContext& g) {
  const std::vector<std::string> rows = MenuRows(g);
  const int last = int(rows.size()) - 1;
  Cursor = std::clamp(Cursor, 0, last);
  auto up = g.DXInput1.Has(kStateUp) || g.DXInput2.Has(kStateUp);
  auto down = g.DXInput1.Has(kStateDown) || g.DXInput2.Has(kStateDown);
  if (up || down) {
    Cursor = std::clamp(Cursor + (down ? 1 : -1), 0, last);
    Notice.clear();
    // A game already playing can only be watched; a free one is joined unless chosen otherwise.
    const size_t game = size_t(Cursor - kFirstGame);
    WatchGame =
        Cursor >= kFirstGame && search_ && game < search_->Games().size() && search_->Games()[game].Busy;
    g.PlaySound("CURSOR");
    return;
  }
  if (g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  }
  // The input delay a hosted match uses: 0 plays presses at once, more means fewer corrections.
  const bool left = g.DXInput1.Has(kStateLeft) || g.DXInput2.Has(kStateLeft);
  const bool right = g.DXInput1.Has(kStateRight) || g.DXInput2.Has(kStateRight);
  if (Cursor == last - 1 && (left || right || g.ConfirmPressed())) {
    const int n = kMaxInputDelaySetting + 1;
    g.Config.NetInputDelay = (g.Config.NetInputDelay + (left ? n - 1 : 1)) % n;
    g.PlaySound("CURSOR");
    return;
  }
  const bool onGame =
      Cursor >= kFirstGame && search_ && size_t(Cursor - kFirstGame) < search_->Games().size();
  if (onGame && (left || right)) {
    WatchGame = !WatchGame;
    g.PlaySound("CURSOR");
    return;
  }
  if (!g.ConfirmPressed()) return;
  Notice.clear();
  if (Cursor == last) {
    g.EnterState(scTitle);
  } else if (Cursor == last - 2) {
    Mode = TMode::Server;
    Entry.Start(g.Config.NetServer);
  } else if (Cursor == 0) {
    TNetOptions o;
    o.Host = true;
    o.Server = g.Config.NetServer;
    Pending = o;
  } else if (Cursor == 1 || Cursor == 2) {
    Mode = Cursor == 1 ? TMode::Join : TMode::Watch;
    Entry.Start("");
  } else if (onGame) {
    const net::TLanGame& game = search_->Games()[size_t(Cursor - kFirstGame)];
    if (game.Busy && !WatchGame) {
      Notice = "that game is already playing";
      return;
    }
    TNetOptions o;
    o.Watch = WatchGame;
    const std::string addr = net::AddrText(game.Addr);
    o.JoinHost = addr.substr(0, addr.rfind(':'));
    o.Port = game.Addr.Port;
    Pending = o;
  }
  g.PlaySound("CURSOR");
}

std::vector<std::string> TNetworkScreen::RecentRows(const GameContext& g) const {
  std::vector<std::string> rows;
  if (Mode != TMode::Join && Mode != TMode::Watch) return rows;
  for (size_t i = 0; i < g.Config.RecentRivals.size() && i < size_t(kMaxRecentRivals); ++i)
    rows.push_back(Subst(_("RECENT: {rival}"), "{rival}", g.Config.RecentRivals[i]));
  return rows;
}

void TNetworkScreen::UpdateEntry(GameContext& g) {
  switch (Entry.Update(g, int(RecentRows(g).size()))) {
    case TTextEntry::TAction::Cancel:
      Mode = TMode::Menu;
      Notice.clear();
      break;
    case TTextEntry::TAction::Choose:
      Entry.Typed = g.Config.RecentRivals[size_t(Entry.Chosen)];
      Submit(g);
      break;
    case TTextEntry::TAction::Submit:
      Submit(g);
      break;
    case TTextEntry::TAction::None:
      break;
  }
}

void TNetworkScreen::Submit(GameContext& g) {
  std::string text;
  for (char c : Entry.Typed)
    if (c != ' ') text.push_back(c);
  Notice.clear();
  if (Mode == TMode::Server) {
    // Empty: no match server. Otherwise host[:port], kept in the settings.
    std::string host;
    uint16_t port = 0;
    if (!text.empty() && (!net::ParseHostPort(text, host, port) || CleanNetText(text).empty())) {
      Notice = "not a server address: " + text;
      return;
    }
    g.Config.NetServer = text;
    Mode = TMode::Menu;
    return;
  }
  if (text.empty()) {
    Notice = "type an invite code or an address first";
    return;
  }
  TNetOptions o;
  o.Watch = Mode == TMode::Watch;
  const std::string code = net::NormalizeCode(text);
  if (!code.empty() && text.find_first_of(".:") == std::string::npos) {
    if (g.Config.NetServer.empty()) {
      Notice = "invite codes need a match server: set MATCH SERVER first";
      return;
    }
    o.JoinCode = code;
    o.Server = g.Config.NetServer;
  } else if (!net::ParseHostPort(text, o.JoinHost, o.Port)) {
    Notice = "not an invite code nor an address: " + text;
    return;
  }
  Pending = o;
}

void TNetworkScreen::Paint(GameContext& g, Canvas& c) const {
  const int h = ScreenLineHeight(g);
  auto centred = [&](int y, const std::string& text, uint32_t rgb) {
    const std::string shown = FitScreenText(g, text, 620);
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, shown) / 2, y, shown, rgb);
  };
  auto row = [&](int x, int y, const std::string& text, bool lit, uint32_t rgb = kTextWhite) {
    if (lit) c.FillRect({x - 8, y - 3, 640 - 2 * (x - 8), h + 6}, 0x2A4AA8, 220, BlendMode::Alpha);
    DrawScreenText(g, c, x, y, FitScreenText(g, text, 640 - 2 * x), lit ? kTextGold : rgb);
  };
  c.FillRect({0, 0, 640, 480}, 0x0A1030);
  centred(14, _("NETWORK"), kTextGold);
  c.FillRect({12, 22 + h, 616, 1}, 0x5C7EE6);
  const int step = h + 10;
  int y = 40 + h;
  if (Mode == TMode::Menu) {
    const std::vector<std::string> rows = MenuRows(g);
    const size_t first = size_t(kFirstGame);
    const size_t games = rows.size() - first - 3;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i == first) {
        y += 6;
        DrawScreenText(g, c, 60, y, _("GAMES ON THIS NETWORK"), kTextDim);
        y += step;
        if (games == 0) {
          DrawScreenText(g, c, 100, y, _("(none found yet)"), kTextGrey);
          y += step;
        }
      }
      if (i == first + games) y += 12;
      row(i >= first && i < first + games ? 100 : 80, y, rows[i], int(i) == Cursor);
      y += step;
    }
    if (g.Config.NetServer.empty())
      centred(480 - 3 * (h + 8), _("Invite codes need a match server: set MATCH SERVER above."), kTextValue);
    const bool onGame = Cursor >= kFirstGame && size_t(Cursor - kFirstGame) < games;
    centred(480 - h - 6,
            onGame ? _("UP/DOWN: CHOOSE   LEFT/RIGHT: JOIN OR WATCH   RETURN: CONFIRM   ESC: BACK")
                   : _("UP/DOWN: CHOOSE   RETURN: CONFIRM   ESC: BACK"),
            kTextDim);
  } else {
    DrawScreenText(g, c, 40, y,
                   Mode == TMode::Join    ? _("JOIN: AN INVITE CODE OR HOST[:PORT]")
                   : Mode == TMode::Watch ? _("WATCH: AN INVITE CODE OR HOST[:PORT]")
                                          : _("MATCH SERVER: HOST[:PORT] (EMPTY: NONE)"),
                   kTextValue);
    y += step;
    Entry.Paint(g, c, y, RecentRows(g));
    centred(480 - h - 6, _("TYPE, CTRL+V PASTES, OR PICK WITH THE PAD   RETURN: OK   ESC: BACK"), kTextDim);
  }
  if (!Notice.empty()) {
    const int ny = 480 - 2 * (h + 8);
    const std::string shown = FitScreenText(g, NetText(Notice), 620);
    const int w = ScreenTextWidth(g, shown);
    c.FillRect({320 - w / 2 - 10, ny - 4, w + 20, h + 8}, 0x401010, 230, BlendMode::Alpha);
    DrawScreenText(g, c, 320 - w / 2, ny, shown, kTextWarn);
  }
}

}  // namespace kq
