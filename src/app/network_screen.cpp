#include "app/network_screen.h"

#include <algorithm>

#include "config/config_file.h"
#include "core/context.h"
#include "net/lan_search.h"
#include "net/lobby.h"

namespace kq {

const char* const kJoinGrid[] = {"ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "0123456789.:-"};

namespace {

constexpr const char* kButtons[] = {"DEL", "PASTE", "OK", "BACK"};
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
  std::vector<std::string> rows = {"HOST A MATCH", "JOIN A MATCH"};
  if (search_)
    for (const net::TLanGame& game : search_->Games()) {
      std::string name = game.Name.substr(0, 16);
      name.resize(16, ' ');
      rows.push_back(name + " " + net::AddrText(game.Addr) + (game.Busy ? "  BUSY" : "  FREE"));
    }
  rows.push_back("MATCH SERVER  " + (g.Config.NetServer.empty() ? std::string("NONE") : g.Config.NetServer));
  rows.push_back("BACK");
  return rows;
}

void TNetworkScreen::Update(GameContext& g, int) {
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
  DrawScreen(g);
}

void TNetworkScreen::Draw(GameContext& g) {
  DrawScreen(g);
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

void TNetworkScreen::DrawScreen(GameContext& g) {
  Canvas* c = g.NoRender ? nullptr : g.ScreenCanvas();
  if (!c) return;
  c->Clear(0);
  DrawGlyphText(g, *c, 27, "NETWORK", 1);
  int row = 4;
  if (Mode == TMode::Menu) {
    const std::vector<std::string> rows = MenuRows(g);
    const size_t games = rows.size() - 4;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i == 2) {
        DrawGlyphText(g, *c, 6, "GAMES ON THIS NETWORK", row++);
        if (games == 0) DrawGlyphText(g, *c, 8, "(none found yet)", row++);
      }
      if (i == 2 + games) ++row;
      DrawGlyphText(g, *c, 6, (int(i) == Cursor ? "> " : "  ") + rows[i], row);
      row += i < 2 || i >= 2 + games ? 2 : 1;
    }
    row = 22;
    if (g.Config.NetServer.empty())
      DrawGlyphText(g, *c, 4, "INVITE CODES NEED A MATCH SERVER (SET IT ABOVE)", row);
    DrawGlyphText(g, *c, 4, "UP DOWN  CHOOSE    RETURN  CONFIRM    ESC  BACK", 28);
  } else {
    DrawGlyphText(g, *c, 4,
                  Mode == TMode::Join ? "JOIN: AN INVITE CODE OR HOST[:PORT]"
                                      : "MATCH SERVER: HOST[:PORT] (EMPTY: NONE)",
                  row);
    DrawGlyphText(g, *c, 6, "[" + Typed + "_]", row + 2);
    row += 4;
    const int recent = RecentRows(g);
    for (int r = 0; r < recent; ++r)
      DrawGlyphText(
          g, *c, 4,
          std::string(JoinCursor == r ? "> " : "  ") + "RECENT  " + g.Config.RecentRivals[size_t(r)], row++);
    ++row;
    for (int r = 0; r < kJoinGridRows; ++r) {
      for (int k = 0; k < kJoinGridCols; ++k) {
        const bool at = JoinCursor == recent + r * kJoinGridCols + k;
        DrawGlyphText(g, *c, 10 + k * 3,
                      at ? std::string("[") + kJoinGrid[r][k] + "]" : std::string(" ") + kJoinGrid[r][k],
                      row);
      }
      row += 2;
    }
    for (int k = 0; k < kButtonCount; ++k) {
      const bool at = JoinCursor == recent + kJoinGridRows * kJoinGridCols + k;
      DrawGlyphText(g, *c, 8 + k * 12, (at ? "> " : "  ") + std::string(kButtons[k]), row);
    }
    DrawGlyphText(g, *c, 2, "TYPE, CTRL+V PASTES, OR PICK WITH THE PAD.  ESC  BACK", 28);
  }
  if (!Notice.empty()) DrawGlyphText(g, *c, std::max(0, int(64 - Notice.size()) / 2), Notice, 25);
  g.Platform->Present();
}

}  // namespace kq
