#include "app/dump.h"

#include <cstdio>
#include <sstream>

#include "app/network_screen.h"
#include "core/context.h"
#include "screens/option_screens.h"
#include "screens/screens.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char ch : s) {
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (ch < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", ch);
          out += buf;
        } else {
          out += char(ch);
        }
    }
  }
  return out + "\"";
}

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

char CellChar(const TBlock* b) {
  if (!b) return '.';
  if (b->Erased) return '*';
  if (b->Hazard) return 'h';
  if (b->Kind < 0 || b->Kind > 5) return '?';
  return b->Hard ? char('a' + b->Kind) : char('0' + b->Kind);
}

void Player(std::ostringstream& o, const TPlayerInfo& p) {
  o << "{\"active\":" << (p.Active ? "true" : "false") << ",\"phase\":" << int(p.Phase)
    << ",\"level\":" << p.Level << ",\"score\":" << p.Score << ",\"combo\":" << p.Combo
    << ",\"max_combo\":" << p.MaxCombo << ",\"chain\":" << p.Chain << ",\"shot_chain\":" << p.ShotChain
    << ",\"se_index\":" << p.SeIndex << ",\"voice_index\":" << p.VoiceIndex << ",\"rows\":" << p.Rows
    << ",\"cols\":" << p.Cols << ",\"pending_lines\":" << p.PendingLines
    << ",\"shots_in_flight\":" << p.ShotsInFlight << ",\"erasing_count\":" << p.ErasingCount
    << ",\"erased_in_level\":" << p.ErasedInLevel << ",\"need_block\":" << p.LvNeedBlock
    << ",\"line_up_interval\":" << p.LvLineUpInterval << ",\"hard_block_ratio\":" << p.LvHardBlockRatio;
  if (p.Sight.Live)
    o << ",\"sight\":[" << p.Sight.Col << "," << p.Sight.Row << "]";
  else
    o << ",\"sight\":null";
  o << ",\"chain_gauge\":" << Num(p.ChainGauge) << ",\"power_gauge\":" << Num(p.PowerGauge)
    << ",\"rainbow_gauge\":" << Num(p.RainbowGauge)
    << ",\"rainbow_mode\":" << (p.RainbowMode ? "true" : "false") << ",\"hazard_stock\":" << p.HazardStock
    << ",\"hazard_release\":" << (p.HazardRelease ? "true" : "false") << ",\"trim_left\":" << p.TrimLeft
    << ",\"restore_left\":" << p.RestoreLeft << ",\"trimming\":" << (p.Trimming ? "true" : "false")
    << ",\"rise_offset\":" << p.RiseOffset << ",\"poker_cards\":" << Quote(p.PokerCards)
    << ",\"poker_sorted\":" << Quote(p.PokerSorted) << ",\"poker_hand\":" << int(p.PokerHand)
    << ",\"field\":[";
  for (int row = 12; row >= 0; --row) {
    std::string line;
    for (int col = 0; col < p.Cols && col < kMaxCols; ++col) line += CellChar(BlockAt(p, col, row));
    o << Quote(line) << (row > 0 ? "," : "");
  }
  o << "]}";
}

void Keys(std::ostringstream& o, const TKeyAssign& k) {
  o << "{\"UP\":" << k.UP << ",\"DOWN\":" << k.DOWN << ",\"LEFT\":" << k.LEFT << ",\"RIGHT\":" << k.RIGHT
    << ",\"K01\":" << k.K01 << ",\"K02\":" << k.K02 << ",\"K03\":" << k.K03 << ",\"K04\":" << k.K04
    << ",\"J01\":" << int(k.J01) << ",\"J02\":" << int(k.J02) << ",\"J03\":" << int(k.J03)
    << ",\"J04\":" << int(k.J04) << "}";
}

// Per title item, the labels its choosers stand on.
std::string TitleChoicesJson(const TTitleScreen* title) {
  if (!title) return "[]";
  std::string out = "[";
  for (size_t i = 0; i < title->Menu.Items.size(); ++i) {
    out += i ? ",[" : "[";
    bool first = true;
    for (const TTitleChooser& ch : title->Menu.Items[i])
      if (const TTitleChoice* cur = ch.Current()) {
        out += (first ? "" : ",") + Quote(cur->Label);
        first = false;
      }
    out += "]";
  }
  return out + "]";
}

}  // namespace

std::string DumpJson(const GameContext& g) {
  std::ostringstream o;
  const TGameConfig& c = g.Config;
  // The screens' own state, as it stands whether or not the screen is the current one.
  const TTitleScreen* title = g.Screens.Get<TTitleScreen>(scTitle);
  const TOptionListScreen* options = g.Screens.Get<TOptionListScreen>(scOptions);
  const TAssignScreen* keys = g.Screens.Get<TAssignScreen>(scKeyAssign);
  const TAssignScreen* pads = g.Screens.Get<TAssignScreen>(scPadAssign);
  const bool capturing = (keys && keys->Capturing) || (pads && pads->Capturing);
  o << "{\"ticks\":" << g.TickCount << ",\"frame_time\":" << g.FrameTime
    << ",\"screen_state\":" << int(g.ScreenState) << ",\"screen\":" << Quote(g.Screens.Name(g.ScreenState))
    << ",\"paused\":" << (g.Paused ? "true" : "false") << ",\"title_cursor\":" << (title ? title->Cursor : 0)
    << ",\"title_choices\":" << TitleChoicesJson(title) << ",\"session_wins\":[" << g.SessionWins[0] << ","
    << g.SessionWins[1] << "]"
    << ",\"game_mode\":" << g.GameMode << ",\"fps\":" << g.FrameRate.FrameRate
    << ",\"new_rank_index\":" << g.NewRankIndex << ",\"ex_stage\":" << int(g.ExStage)
    << ",\"ending_step\":" << g.EndingStep << ",\"retry_choice\":" << g.RetryChoice
    << ",\"winner\":" << g.LastWinner << ",\"option_cursor\":" << (options ? options->Cursor : 1)
    << ",\"key_assign_cursor\":" << (keys ? keys->Cursor : 1)
    << ",\"pad_assign_cursor\":" << (pads ? pads->Cursor : 1)
    << ",\"capturing\":" << (capturing ? "true" : "false")
    << ",\"sound_load_error\":" << Quote(g.SoundLoadError) << ",\"pads\":[" << g.DXInput1.PadNo << ","
    << g.DXInput2.PadNo << "]"
    << ",\"full_screen\":" << (g.Platform && g.Platform->FullScreen() ? "true" : "false");
  o << ",\"hiscores\":[";
  for (size_t i = 0; i < g.HiScoreTable.size(); ++i) {
    const THiScoreRow& r = g.HiScoreTable[i];
    o << "[" << r.Score << "," << r.Combo << "," << r.Level << "]"
      << (i + 1 < g.HiScoreTable.size() ? "," : "");
  }
  o << "],\"config\":{\"UseDirect3D\":" << int(c.UseDirect3D) << ",\"WaitVsync\":" << int(c.WaitVsync)
    << ",\"DisableBgm\":" << int(c.DisableBgm) << ",\"DisableVoice\":" << int(c.DisableVoice)
    << ",\"DisableGameOver\":" << int(c.DisableGameOver) << ",\"AdvancedMode1P\":" << int(c.AdvancedMode1P)
    << ",\"AdvancedMode2P\":" << int(c.AdvancedMode2P) << ",\"JoyName1P\":" << Quote(c.JoyName1P)
    << ",\"JoyName2P\":" << Quote(c.JoyName2P) << ",\"Cpu1P\":" << c.Cpu1P << ",\"Cpu2P\":" << c.Cpu2P
    << ",\"FullScreen\":" << int(c.FullScreen) << ",\"MusicVolume\":" << c.MusicVolume
    << ",\"SoundVolume\":" << c.SoundVolume << ",\"VoiceVolume\":" << c.VoiceVolume
    << ",\"Language\":" << Quote(LanguageKey(c.Language)) << ",\"KeyAssign1P\":";
  Keys(o, c.KeyAssign1P);
  o << ",\"KeyAssign2P\":";
  Keys(o, c.KeyAssign2P);
  o << "}";
  if (g.NetInfo.Active)
    o << ",\"net\":{\"tick\":" << g.NetInfo.Tick << ",\"round\":" << g.NetInfo.Round
      << ",\"delay\":" << g.NetInfo.Delay << ",\"waits\":" << g.NetInfo.Waits
      << ",\"rollbacks\":" << g.NetInfo.Rollbacks << ",\"max_rollback\":" << g.NetInfo.MaxRollback
      << ",\"predicted_wrong\":" << g.NetInfo.PredictedWrong << ",\"bytes_sent\":" << g.NetInfo.Sent
      << ",\"bytes_received\":" << g.NetInfo.Received << ",\"bytes_dropped\":" << g.NetInfo.Dropped
      << ",\"path\":\"" << g.NetInfo.Path << "\",\"watching\":" << (g.NetInfo.Watching ? "true" : "false")
      << ",\"spectators\":" << g.NetInfo.Spectators << "}";
  if (const auto* ns = g.ScreenState == scNetwork ? g.Screens.Get<TNetworkScreen>(scNetwork) : nullptr)
    o << ",\"network_screen\":{\"mode\":"
      << Quote(ns->Mode == TNetworkScreen::TMode::Menu    ? "menu"
               : ns->Mode == TNetworkScreen::TMode::Watch ? "watch"
                                                          : "join")
      << ",\"cursor\":" << ns->Cursor << ",\"join_cursor\":" << ns->Entry.Cursor
      << ",\"typed\":" << Quote(ns->Entry.Typed) << ",\"notice\":" << Quote(ns->Notice) << "}";
  o << ",\"players\":[";
  Player(o, g.Player1P);
  o << ",";
  Player(o, g.Player2P);
  o << "],\"sounds\":[";
  for (size_t i = 0; i < g.SoundLog.size(); ++i)
    o << "[" << g.SoundLog[i].Tick << "," << Quote(g.SoundLog[i].Name) << "]"
      << (i + 1 < g.SoundLog.size() ? "," : "");
  o << "]}\n";
  return o.str();
}

}  // namespace kq
