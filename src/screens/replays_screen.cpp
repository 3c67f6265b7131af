// The replays screen: the recordings of the replays folder, newest first, to play, keep or
// delete. Files that cannot be played are listed greyed with the reason, and can be deleted.
#include <algorithm>
#include <string>

#include "core/context.h"
#include "screens/option_screens.h"
#include "screens/screen_text.h"
#include "screens/screens.h"

namespace kq {

namespace {

constexpr int kListTop = 78;

int RowHeight(const GameContext& g) {
  return ScreenLineHeight(g) + 8;
}

std::string SideText(uint8_t side) {
  if (side == kSideHuman || side <= kCpuLevels) return CpuLevelText(side);
  if (side == kSideNetwork) return _("NETWORK");
  return "?";
}

// "{file} cannot be played: {reason}" in the player's language.
std::string CannotPlay(const std::string& file, const std::string& reason) {
  return Subst(Subst(_("{file} cannot be played: {reason}"), "{file}", file), "{reason}", reason);
}

// "2026-12-09 14:40" from YYYYMMDDHHMMSS.
std::string StampText(const std::string& s) {
  if (s.size() < 12) return s;
  return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(8, 2) + ":" +
         s.substr(10, 2);
}

std::string LengthText(uint64_t ms) {
  const uint64_t s = ms / 1000;
  const std::string sec = std::to_string(s % 60);
  return std::to_string(s / 60) + ":" + (sec.size() < 2 ? "0" : "") + sec;
}

bool ActionPressed(const GameContext& g, int action) {
  const TKeyAssign& a = g.Config.KeyAssign1P;
  const TKeyAssign& b = g.Config.KeyAssign2P;
  const int s1 = action == 2 ? a.J02 : a.J03, s2 = action == 2 ? b.J02 : b.J03;
  return g.DXInput1.Has(s1) || g.DXInput2.Has(s2);
}

bool Either(const GameContext& g, int state) {
  return g.DXInput1.Has(state) || g.DXInput2.Has(state);
}

}  // namespace

void TReplaysScreen::Say(std::string text, bool bad) {
  Notice = std::move(text);
  NoticeBad = bad;
}

void TReplaysScreen::Scroll() {
  const int n = int(Entries.size());
  Cursor = std::clamp(Cursor, 0, std::max(n - 1, 0));
  if (Cursor < Top) Top = Cursor;
  if (Cursor >= Top + kRowsShown) Top = Cursor - kRowsShown + 1;
  Top = std::clamp(Top, 0, std::max(n - kRowsShown, 0));
}

// Columns of the list; each heading stands over its column and no column runs into the next.
constexpr int kColDate = 30, kColMode = 174, kColPlayers = 214, kColResult = 392, kColLevel = 492,
              kColLength = 572;

void TReplaysScreen::DrawRow(GameContext& g, Canvas& c, TReplayEntry& e, int y, bool lit) {
  ReadEntryHeader(g.ReplayDir, e);  // on demand: only rows that come into view
  const int h = ScreenLineHeight(g);
  if (lit) c.FillRect({12, y - 4, 616, h + 8}, 0x2A4AA8, 220, BlendMode::Alpha);
  const uint32_t text = e.Valid ? kTextWhite : kTextGrey;
  if (e.Kept) DrawScreenText(g, c, 16, y, "★", kTextGold);
  DrawScreenText(g, c, kColDate, y, StampText(e.Stamp), text);
  if (!e.Valid) {
    DrawScreenText(g, c, kColMode, y, FitScreenText(g, e.File + ": " + e.Problem, 620 - kColMode), kTextGrey);
    return;
  }
  const TReplayHeader& r = e.Header;
  const bool vs = r.Mode == 2;
  DrawScreenText(g, c, kColMode, y, vs ? "VS" : "1P", kTextValue);
  const std::string who = vs ? SideText(r.Sides[0]) + " vs " + SideText(r.Sides[1]) : CpuLevelText(0);
  DrawScreenText(g, c, kColPlayers, y, FitScreenText(g, who, kColResult - kColPlayers - 8), text);
  std::string result = vs ? (r.Winner == 1   ? _("1P WON")
                             : r.Winner == 2 ? _("2P WON")
                                             : _("NO WINNER"))
                          : std::to_string(r.Score[0]);
  DrawScreenText(g, c, kColResult, y, FitScreenText(g, result, kColLevel - kColResult - 8), text);
  const std::string level =
      vs ? std::to_string(r.Level[0]) + " / " + std::to_string(r.Level[1]) : std::to_string(r.Level[0]);
  DrawScreenText(g, c, kColLevel, y, level, text);
  DrawScreenText(g, c, kColLength, y, LengthText(r.DurationMs), text);
}

void TReplaysScreen::Paint(GameContext& g, Canvas& c) {
  {
    const int h = ScreenLineHeight(g);
    c.FillRect({0, 0, 640, 480}, 0x0A1030);
    const std::string title = _("REPLAYS");
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, title) / 2, 14, title, kTextGold);
    const int headY = kListTop - h - 10;
    for (auto [x, name] : {std::pair{kColDate, N_("DATE")},
                           {kColMode, N_("MODE")},
                           {kColPlayers, N_("PLAYERS")},
                           {kColResult, N_("RESULT")},
                           {kColLevel, N_("LEVEL")},
                           {kColLength, N_("LENGTH")}})
      DrawScreenText(g, c, x, headY, Tr(name), kTextDim);
    c.FillRect({12, kListTop - 6, 616, 1}, 0x5C7EE6);
    if (Entries.empty()) {
      const std::string none = _("No recordings yet: every game you play is recorded here.");
      DrawScreenText(g, c, 320 - ScreenTextWidth(g, none) / 2, kListTop + 40, none, kTextDim);
    }
    const int end = std::min(int(Entries.size()), Top + kRowsShown);
    for (int i = Top; i < end; ++i)
      DrawRow(g, c, Entries[size_t(i)], kListTop + (i - Top) * RowHeight(g), i == Cursor);
    if (!Entries.empty()) {
      const std::string pos = std::to_string(Cursor + 1) + " / " + std::to_string(Entries.size());
      DrawScreenText(g, c, 628 - ScreenTextWidth(g, pos), 14, pos, kTextDim);
    }
    const int noticeY = 480 - 2 * (h + 8);
    if (Asking && Cursor < int(Entries.size())) {
      const std::string ask =
          Subst(_("Delete {file}?   RETURN: YES   ESC: NO"), "{file}", Entries[size_t(Cursor)].File);
      DrawScreenText(g, c, 320 - ScreenTextWidth(g, FitScreenText(g, ask, 620)) / 2, noticeY,
                     FitScreenText(g, ask, 620), kTextWarn);
    } else if (!Notice.empty()) {
      const std::string shown = FitScreenText(g, Notice, 620);
      DrawScreenText(g, c, 320 - ScreenTextWidth(g, shown) / 2, noticeY, shown,
                     NoticeBad ? kTextWarn : kTextValue);
    }
    const TKeyAssign& k = g.Config.KeyAssign1P;
    std::string hint =
        _("RETURN/{play}: PLAY   {keep}: KEEP   {delete}: DELETE   LEFT/RIGHT: PAGE   ESC: BACK");
    hint = Subst(Subst(Subst(hint, "{play}", KeyText(k.K01)), "{keep}", KeyText(k.K02)), "{delete}",
                 KeyText(k.K03));
    const std::string shown = FitScreenText(g, hint, 620);
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, shown) / 2, 480 - h - 6, shown, kTextDim);
  }
}

void TReplaysScreen::Draw(GameContext& g) {
  g.DrawStillFrame(nullptr, false, [&](Canvas& c) { Paint(g, c); });
}

void TReplaysScreen::Play(GameContext& g) {
  if (Entries.empty()) return;
  TReplayEntry& e = Entries[size_t(Cursor)];
  ReadEntryHeader(g.ReplayDir, e);
  if (!e.Valid) {
    Say(CannotPlay(e.File, e.Problem), true);
    g.PlaySound("CURSOR");
    return;
  }
  std::string error;
  if (!g.PlayReplayFile || !g.PlayReplayFile(g, g.ReplayDir + e.File, error)) {
    // The whole file is checked only now: a damaged tail shows here, and the row says so.
    const size_t colon = error.rfind(": ");
    e.Valid = false;
    e.Problem = colon == std::string::npos ? error : error.substr(colon + 2);
    Say(CannotPlay(e.File, e.Problem), true);
  }
}

void TReplaysScreen::ToggleKeep(GameContext& g) {
  if (Entries.empty()) return;
  TReplayEntry& e = Entries[size_t(Cursor)];
  std::string error;
  if (SetReplayKept(g.ReplayDir, e, !e.Kept, error))
    Say(Subst(e.Kept ? _("Kept: {file} is never removed to make room") : _("No longer kept: {file}"),
              "{file}", e.File),
        false);
  else
    Say(error, true);
  g.PlaySound("CURSOR");
}

void TReplaysScreen::Delete(GameContext& g) {
  Asking = false;
  if (Entries.empty()) return;
  const std::string file = Entries[size_t(Cursor)].File;
  std::string error;
  if (DeleteReplay(g.ReplayDir, file, error)) {
    Entries.erase(Entries.begin() + Cursor);
    Say(Subst(_("Deleted {file}"), "{file}", file), false);
  } else {
    Say(error, true);
  }
  Scroll();
}

void TReplaysScreen::Enter(GameContext& g, TScreenState from) {
  // Back from a playback the list stays where it was; a file may have come or gone meanwhile.
  const std::string at = from == scPlay && Cursor < int(Entries.size()) ? Entries[size_t(Cursor)].File : "";
  Entries = IndexReplays(g.ReplayDir);
  Asking = false;
  Cursor = Top = 0;
  Notice.clear();
  for (size_t i = 0; i < Entries.size(); ++i)
    if (Entries[i].File == at) Cursor = int(i);
  if (!g.TitleNotice.empty()) {
    Say(g.TitleNotice, true);  // a recording that ran out of step
    g.TitleNotice.clear();
  }
  Scroll();
}

void TReplaysScreen::Leave(GameContext&, TScreenState next) {
  if (next != scPlay) Entries.clear();  // kept only for the way back from a playback
}

void TReplaysScreen::Update(GameContext& g, int moveCount) {
  const int n = int(Entries.size());
  if (Asking) {
    if (g.ConfirmPressed()) {
      Delete(g);
      g.PlaySound("CURSOR");
    } else if (g.CancelPressed() || Either(g, kStateUp) || Either(g, kStateDown) || ActionPressed(g, 2) ||
               ActionPressed(g, 3)) {
      Asking = false;
      Say(_("Not deleted"), false);
    }
  } else if (Either(g, kStateUp) || Either(g, kStateDown) || Either(g, kStateLeft) ||
             Either(g, kStateRight)) {
    const int step = Either(g, kStateUp)     ? -1
                     : Either(g, kStateDown) ? 1
                     : Either(g, kStateLeft) ? -kRowsShown
                                             : kRowsShown;
    Cursor = std::clamp(Cursor + step, 0, std::max(n - 1, 0));
    Notice.clear();
    Scroll();
    g.PlaySound("CURSOR");
  } else if (g.CancelPressed()) {
    g.EnterState(scTitle);
    return;
  } else if (g.ConfirmPressed()) {
    Play(g);
    if (g.Screens.ChangeRequested() || g.Replaying()) return;
  } else if (ActionPressed(g, 2)) {
    ToggleKeep(g);
  } else if (ActionPressed(g, 3) && n > 0) {
    Asking = true;
    g.PlaySound("CURSOR");
  }
  g.DrawFrontEndFrame(moveCount, nullptr, false, [&](Canvas& c) { Paint(g, c); });
}

}  // namespace kq
