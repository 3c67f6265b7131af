#include "app/network_screen.h"

#include <algorithm>

#include "app/net_text.h"
#include "config/config_file.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "net/lan_search.h"
#include "net/lobby.h"
#include "screens/screen_text.h"

namespace kq {

const char* const kJoinGrid[] = {"ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "0123456789.:-"};

namespace {

constexpr const char* kButtons[] = {N_("DEL"), N_("PASTE"), N_("OK"), N_("BACK")};
constexpr int kButtonCount = 4;
constexpr size_t kMaxTyped = 64;
// The LAN is asked again this often while the screen is up.
constexpr uint32_t kAskEveryMs = 2000;

// Keys that type a character, by Windows virtual-key code; 0 for none.
char TypedChar(int vk) {
  if (vk >= 'A' && vk <= 'Z') return char(vk);
  if (vk >= '0' && vk <= '9') return char(vk);
  if (vk >= 96 && vk <= 105) return char('0' + vk - 96);  // the number pad
  if (vk == 190 || vk == 110) return '.';
  if (vk == 186) return ':';  // the colon's key on most layouts
  if (vk == 189 || vk == 109) return '-';
  return 0;
}

void Clip(std::string& s) {
  if (s.size() > kMaxTyped) s.resize(kMaxTyped);
}

}  // namespace

TNetworkScreen::TNetworkScreen() = default;
TNetworkScreen::~TNetworkScreen() = default;

void TNetworkScreen::Enter(GameContext& g, TScreenState) {
  Mode = TMode::Menu;
  Cursor = 0;
  // The search goes to this machine's own networks only, and only while the screen is up.
  search_ = std::make_unique<net::TLanSearch>();
  lastAsk_ = g.FrameTime;
  wasDown_.fill(true);  // keys held on entry type nothing
}

void TNetworkScreen::Leave(GameContext&, TScreenState) {
  search_.reset();
}

void TNetworkScreen::MatchEnded(const std::string& why) {
  Notice = why;
  Mode = TMode::Menu;
}

std::vector<std::string> TNetworkScreen::MenuRows(const GameContext& g) const {
  std::vector<std::string> rows = {_("HOST A MATCH"), _("JOIN A MATCH")};
  if (search_)
    for (const net::TLanGame& game : search_->Games()) {
      std::string name = game.Name.substr(0, 16);
      name.resize(16, ' ');
      rows.push_back(name + " " + net::AddrText(game.Addr) + "  " + (game.Busy ? _("BUSY") : _("FREE")));
    }
  rows.push_back(Subst(_("MATCH SERVER: {server}"), "{server}",
                       g.Config.NetServer.empty() ? _("NONE") : g.Config.NetServer));
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
    UpdateJoin(g);
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
    g.PlaySound("CURSOR");
    return;
  }
  if (g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  }
  if (!g.ConfirmPressed()) return;
  Notice.clear();
  if (Cursor == last) {
    g.EnterState(scTitle);
  } else if (Cursor == last - 1) {
    Mode = TMode::Server;
    JoinCursor = 0;
    Typed = g.Config.NetServer;
    wasDown_.fill(true);
  } else if (Cursor == 0) {
    TNetOptions o;
    o.Host = true;
    o.Server = g.Config.NetServer;
    Pending = o;
  } else if (Cursor == 1) {
    Mode = TMode::Join;
    JoinCursor = 0;
    Typed.clear();
    wasDown_.fill(true);
  } else if (search_ && size_t(Cursor - 2) < search_->Games().size()) {
    const net::TLanGame& game = search_->Games()[size_t(Cursor - 2)];
    if (game.Busy) {
      Notice = "that game is already playing";
      return;
    }
    TNetOptions o;
    const std::string addr = net::AddrText(game.Addr);
    o.JoinHost = addr.substr(0, addr.rfind(':'));
    o.Port = game.Addr.Port;
    Pending = o;
  }
  g.PlaySound("CURSOR");
}

void TNetworkScreen::TypeFromKeyboard(GameContext& g, bool& typed) {
  typed = false;
  if (!g.Platform) return;
  const IInputSource& in = g.Platform->Input();
  const bool ctrl = in.VkDown(17);
  for (int vk = 8; vk < 256; ++vk) {
    const bool down = in.VkDown(vk);
    const bool pressed = down && !wasDown_[size_t(vk)];
    wasDown_[size_t(vk)] = down;
    if (!pressed) continue;
    if (ctrl && vk == 'V') {
      Typed += net::PrintableText(g.Platform->ClipboardText(), kMaxTyped);
      Clip(Typed);
      typed = true;
    } else if (vk == 8) {
      if (!Typed.empty()) Typed.pop_back();
      typed = true;
    } else if (char c = TypedChar(vk); c && !ctrl) {
      Typed.push_back(c);
      Clip(Typed);
      typed = true;
    }
  }
}

int TNetworkScreen::RecentRows(const GameContext& g) const {
  return Mode == TMode::Join ? int(std::min<size_t>(g.Config.RecentRivals.size(), size_t(kMaxRecentRivals)))
                             : 0;
}

void TNetworkScreen::UpdateJoin(GameContext& g) {
  bool typed = false;
  TypeFromKeyboard(g, typed);
  const int recent = RecentRows(g);
  // Rows: the recent rivals one a row, the grid's rows, the buttons.
  const int rows = recent + kJoinGridRows + 1;
  int row = 0, col = 0;
  {
    int c = JoinCursor;
    if (c < recent) {
      row = c;
    } else if (c < recent + kJoinGridRows * kJoinGridCols) {
      row = recent + (c - recent) / kJoinGridCols;
      col = (c - recent) % kJoinGridCols;
    } else {
      row = rows - 1;
      col = c - recent - kJoinGridRows * kJoinGridCols;
    }
  }
  auto rowWidth = [&](int r) {
    return r < recent ? 1 : r < recent + kJoinGridRows ? kJoinGridCols : kButtonCount;
  };
  auto place = [&](int r, int c) {
    r = std::clamp(r, 0, rows - 1);
    c = std::clamp(c, 0, rowWidth(r) - 1);
    if (r < recent)
      JoinCursor = r;
    else if (r < recent + kJoinGridRows)
      JoinCursor = recent + (r - recent) * kJoinGridCols + c;
    else
      JoinCursor = recent + kJoinGridRows * kJoinGridCols + c;
  };
  const bool up = g.DXInput1.Has(kStateUp) || g.DXInput2.Has(kStateUp);
  const bool down = g.DXInput1.Has(kStateDown) || g.DXInput2.Has(kStateDown);
  const bool left = g.DXInput1.Has(kStateLeft) || g.DXInput2.Has(kStateLeft);
  const bool right = g.DXInput1.Has(kStateRight) || g.DXInput2.Has(kStateRight);
  if (up || down || left || right) {
    // Between rows of different widths the column keeps its place as far as it can.
    if (up || down) {
      const int to = row + (down ? 1 : -1);
      const int c =
          rowWidth(to) == rowWidth(row) ? col : col * rowWidth(std::clamp(to, 0, rows - 1)) / rowWidth(row);
      place(to, c);
    } else {
      place(row, col + (right ? 1 : -1));
    }
    g.PlaySound("CURSOR");
    return;
  }
  if (g.CancelPressed()) {
    Mode = TMode::Menu;
    Notice.clear();
    return;
  }
  // Return submits what was typed; a letter key that is also a shot key only types.
  if (g.Platform && g.Platform->Input().VkDown(13) && g.ConfirmPressed() && !Typed.empty() &&
      row < rows - 1 && row >= recent) {
    Submit(g);
    return;
  }
  if (typed || !g.ConfirmPressed()) return;
  g.PlaySound("CURSOR");
  if (row < recent) {
    Typed = g.Config.RecentRivals[size_t(row)];
    Submit(g);
  } else if (row < recent + kJoinGridRows) {
    Typed.push_back(kJoinGrid[row - recent][col]);
    Clip(Typed);
  } else if (col == 0) {
    if (!Typed.empty()) Typed.pop_back();
  } else if (col == 1) {
    if (g.Platform) Typed += net::PrintableText(g.Platform->ClipboardText(), kMaxTyped);
    Clip(Typed);
  } else if (col == 2) {
    Submit(g);
  } else {
    Mode = TMode::Menu;
  }
}

void TNetworkScreen::Submit(GameContext& g) {
  std::string text;
  for (char c : Typed)
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
    const size_t games = rows.size() - 4;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i == 2) {
        y += 6;
        DrawScreenText(g, c, 60, y, _("GAMES ON THIS NETWORK"), kTextDim);
        y += step;
        if (games == 0) {
          DrawScreenText(g, c, 100, y, _("(none found yet)"), kTextGrey);
          y += step;
        }
      }
      if (i == 2 + games) y += 12;
      row(i >= 2 && i < 2 + games ? 100 : 80, y, rows[i], int(i) == Cursor);
      y += step;
    }
    if (g.Config.NetServer.empty())
      centred(480 - 3 * (h + 8), _("Invite codes need a match server: set MATCH SERVER above."), kTextValue);
    centred(480 - h - 6, _("UP/DOWN: CHOOSE   RETURN: CONFIRM   ESC: BACK"), kTextDim);
  } else {
    DrawScreenText(g, c, 40, y,
                   Mode == TMode::Join ? _("JOIN: AN INVITE CODE OR HOST[:PORT]")
                                       : _("MATCH SERVER: HOST[:PORT] (EMPTY: NONE)"),
                   kTextValue);
    y += step;
    // The entry box.
    c.FillRect({40, y - 4, 560, h + 8}, 0x000000, 200, BlendMode::Alpha);
    c.FillRect({40, y + h + 4, 560, 1}, 0x5C7EE6);
    DrawScreenText(g, c, 48, y, FitScreenText(g, Typed + "_", 544), kTextWhite);
    y += step + 8;
    const int recent = RecentRows(g);
    for (int r = 0; r < recent; ++r) {
      row(60, y, Subst(_("RECENT: {rival}"), "{rival}", g.Config.RecentRivals[size_t(r)]), JoinCursor == r,
          kTextValue);
      y += step;
    }
    y += 6;
    // The grid, each cell a box a pad can land on.
    const int cell = 36;
    const int left = 320 - kJoinGridCols * cell / 2;
    for (int r = 0; r < kJoinGridRows; ++r) {
      for (int k = 0; k < kJoinGridCols; ++k) {
        const bool at = JoinCursor == recent + r * kJoinGridCols + k;
        const int x = left + k * cell;
        c.FillRect({x + 2, y - 3, cell - 4, h + 6}, at ? 0x2A4AA8 : 0x1A2250, 230, BlendMode::Alpha);
        const std::string ch(1, kJoinGrid[r][k]);
        DrawScreenText(g, c, x + (cell - ScreenTextWidth(g, ch)) / 2, y, ch, at ? kTextGold : kTextWhite);
      }
      y += h + 10;
    }
    y += 6;
    for (int k = 0; k < kButtonCount; ++k) {
      const bool at = JoinCursor == recent + kJoinGridRows * kJoinGridCols + k;
      const std::string label = Tr(kButtons[k]);
      const int x = 320 - 2 * 112 + k * 112;
      c.FillRect({x + 4, y - 3, 104, h + 6}, at ? 0x2A4AA8 : 0x1A2250, 230, BlendMode::Alpha);
      DrawScreenText(g, c, x + 56 - ScreenTextWidth(g, label) / 2, y, label, at ? kTextGold : kTextWhite);
    }
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
