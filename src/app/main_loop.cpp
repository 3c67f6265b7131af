#include "app/main_loop.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <typeinfo>

#include "app/audio_glue.h"
#include "app/dump.h"
#include "app/headless.h"
#include "app/load_assets.h"
#include "app/music_rules.h"
#include "app/net_play.h"
#include "app/network_screen.h"
#include "app/pause.h"
#include "app/replay.h"
#include "app/trace.h"
#include "config/config_file.h"
#include "config/exit_save.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "config/replay_store.h"
#include "config/user_files.h"
#include "core/context.h"
#include "engine/errors.h"
#include "engine/paths.h"
#include "engine/sdl_platform.h"
#include "game/play_screen.h"
#include "game/rules.h"
#include "media/png_image.h"
#include "net/lobby.h"
#include "net/rollback.h"
#include "screens/screens.h"

namespace kq {

namespace {

struct RunOptions {
  bool Headless = false;
  long Frames = -1;
  int FrameMs = 16;
  bool HasSeed = false;
  uint64_t Seed = 0;
  std::string InputFile;
  std::vector<std::pair<uint32_t, std::string>> Shots;
  std::vector<std::pair<uint32_t, std::string>> DumpsAt;
  std::string Dump;
  std::string Trace;
  std::string Field[2];
  bool NoRender = false;
  std::string AppPath;
  std::string Replay;
  TNetOptions Net;
  bool LanGames = false;
  int Display = 0;  // 1 full screen, -1 window, 0 the default (a window)
  bool Help = false;
  bool Version = false;
};

const char* kUsage =
    "usage: kq001 [--fullscreen | --window] [--app-path DIR] [--replay FILE | FILE.kqr] [--version] "
    "[--help]\n"
    "       kq001 [--host [--port N] | --join HOST[:PORT] | --join CODE] [--server HOST[:PORT]]\n"
    "       kq001 [--spectate HOST[:PORT] | --spectate CODE] [--server HOST[:PORT]]\n"
    "             [--no-upnp] [--input-delay N] [--net-sim DELAY,JITTER,LOSS]\n"
    "       kq001 --lan-games\n"
    "       kq001 --headless [--frames N] [--frame-ms MS] [--seed N] [--input FILE] ...\n"
    "Try 'kq001 --help' for more.\n";

// The path from the installed bindir to the installed data folder, set by the build.
#ifndef KQ_DATA_FROM_BIN
#define KQ_DATA_FROM_BIN "../share/kq001"
#endif
#ifndef KQ_APP_ID
#define KQ_APP_ID ""
#endif
#ifndef KQ_VERSION
#define KQ_VERSION "0"
#endif

std::string ProgramFolder(const RunOptions& o) {
  return o.AppPath.empty() ? ExecutableFolder() : o.AppPath;
}

std::vector<std::string> PackFolders(const RunOptions& o, const TUserEnv& env) {
  return PackCandidates(ProgramFolder(o), ExecutableFolder(), KQ_DATA_FROM_BIN, env);
}

// Where the message catalogues may be: beside the program (the build tree, a portable folder),
// then relative to it as installed (a moved prefix still works), then where the build installs.
std::vector<std::string> LocaleFolders(const RunOptions& o) {
  std::vector<std::string> out{ProgramFolder(o) + "locale", ExecutableFolder() + "locale",
                               ExecutableFolder() + KQ_LOCALE_FROM_BIN};
#ifdef KQ_LOCALE_DIR
  out.push_back(KQ_LOCALE_DIR);
#endif
  return out;
}

// The keys of both players as the settings file has them.
std::string ControlsText(const TGameConfig& c) {
  auto pad = [](std::string s, size_t w) {
    return s.size() < w ? s + std::string(w - s.size(), ' ') : s + ' ';
  };
  auto row = [&](const char* what, const std::string& p1, const std::string& p2) {
    return "  " + pad(what, 34) + pad(p1, 28) + p2 + "\n";
  };
  auto moves = [](const TKeyAssign& k) {
    return KeyName(k.UP) + " / " + KeyName(k.DOWN) + " / " + KeyName(k.LEFT) + " / " + KeyName(k.RIGHT);
  };
  auto shots = [](const TKeyAssign& k) {
    return KeyName(k.K01) + " / " + KeyName(k.K02) + " / " + KeyName(k.K03);
  };
  const TKeyAssign &a = c.KeyAssign1P, &b = c.KeyAssign2P;
  return row("", "player 1", "player 2") + row("sight up / down / left / right", moves(a), moves(b)) +
         row("colour down / erase / colour up", shots(a), shots(b)) +
         row("raise a line", KeyName(a.K04), KeyName(b.K04));
}

std::string HelpText(const RunOptions& o) {
  const TUserEnv env = TUserEnv::FromProcess();
  GameContext probe;
  probe.AppPath = ProgramFolder(o);
  probe.ExeBaseName = ExecutableBaseName();
  FindAssetPack(probe, PackFolders(o, env));
  ResolveUserFiles(probe, env);
  std::string pack = probe.PackPath.empty() ? "(not found; searched " : probe.PackPath;
  if (probe.PackPath.empty()) {
    for (size_t i = 0; i < probe.PackFoldersSearched.size(); ++i)
      pack += (i ? ", " : "") + probe.PackFoldersSearched[i];
    pack += ")";
  }
  std::string text =
      "KQ001 " KQ_VERSION
      " - an arcade puzzle game for one or two players: shoot at a rising field of\n"
      "coloured blocks, recolour them, erase joined groups, build chains, bury your rival.\n"
      "\n"
      "usage: kq001 [OPTION]... [FILE.kqr]\n"
      "\n"
      "Options:\n"
      "  --fullscreen      start in full screen for this run (the settings file is not changed)\n"
      "  --window          start in a window for this run\n"
      "  --app-path DIR    use DIR as the program folder (settings, scores, an asset pack)\n"
      "  --replay FILE     play back a recorded game (so does FILE alone)\n"
      "  --host [--port N] wait for a rival over the network (UDP port 7701 by default)\n"
      "  --join HOST[:PORT]  play a versus game against that host\n"
      "  --join CODE       play against the host that has this invite code (needs a match server)\n"
      "  --spectate HOST[:PORT]  watch the match of that host, a few seconds behind the players\n"
      "  --spectate CODE   watch the match of the host that has this invite code (needs a match server)\n"
      "  --server HOST[:PORT]  the match server for invite codes (default: [Network] Server=)\n"
      "  --no-upnp         a host does not ask the router to open its port\n"
      "  --input-delay N   a host's own presses act N ticks late (0..3, default: [Network] InputDelay=)\n"
      "  --lan-games       list the games hosted on this network and exit\n"
      "  --version         print the version and exit\n"
      "  -h, --help        print this help and exit\n"
      "\n"
      "Controls (from the settings; change them on the options screen):\n";
  std::string ini;
  ReadFileBytes(probe.UserFiles.Ini.ReadPath, ini);
  text += ControlsText(ReadConfig(TProfile(std::move(ini))));
  text +=
      "  Return confirms, Esc goes back (and quits from the title), Alt+Return toggles full screen.\n"
      "\n"
      "Files:\n";
  text += "  settings      " + probe.UserFiles.Ini.Chosen() + "\n";
  text += "  high scores   " + probe.UserFiles.Hi.Chosen() + "\n";
  text += "  replays       " + ReplayFolder(probe.UserFiles.Hi.Chosen()) + "\n";
  text += "  asset pack    " + pack + "\n";
  text +=
      "\n"
      "Scripted runs (headless, for tests and screenshots; see docs/headless.md):\n"
      "  --headless        no window, no sound, a virtual clock\n"
      "  --frames N        stop after N ticks\n"
      "  --frame-ms MS     milliseconds per tick (default 16)\n"
      "  --seed N          seed of the random generator\n"
      "  --input FILE      scripted key and pad events\n"
      "  --shot T:PATH     write a PNG of tick T's frame (repeatable)\n"
      "  --dump PATH       write the game state as JSON at the end\n"
      "  --dump-at T:PATH  write the game state at tick T (repeatable)\n"
      "  --trace PATH      write the course of the game (changes by tick, state hashes)\n"
      "  --field1 PATH     starting field of player 1 (--field2 for player 2)\n"
      "  --no-render       move the sprites but draw nothing\n"
      "  --net-sim D,J,L   a guest's traffic through a relay adding D ms delay, J ms jitter, L % loss\n";
  return text;
}

bool ParseTickPath(const std::string& arg, std::pair<uint32_t, std::string>& out) {
  size_t colon = arg.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= arg.size()) return false;
  const std::string tick = arg.substr(0, colon);
  char* end = nullptr;
  unsigned long t = std::strtoul(tick.c_str(), &end, 10);
  if (*end != 0 || t == 0 || t > 0x7FFFFFFFul) return false;
  out = {uint32_t(t), arg.substr(colon + 1)};
  return true;
}

// Returns 0 on success, else the exit status (2) after printing why.
int ParseArgs(int argc, char** argv, RunOptions& o) {
  bool hasPort = false;
  std::string joinText;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    auto number = [&](long lo, long hi, long& out) {
      std::string v;
      if (!value(v)) return false;
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != 0 || n < lo || n > hi) return false;
      out = n;
      return true;
    };
    long n = 0;
    std::string v;
    std::pair<uint32_t, std::string> tp;
    bool ok = true;
    if (a == "--headless") {
      o.Headless = true;
    } else if (a == "--frames") {
      ok = number(0, 0x7FFFFFFF, o.Frames);
    } else if (a == "--frame-ms") {
      ok = number(1, 10000, n);
      o.FrameMs = int(n);
    } else if (a == "--seed") {
      ok = value(v);
      if (ok) {
        char* end = nullptr;
        o.Seed = std::strtoull(v.c_str(), &end, 10);
        ok = !v.empty() && *end == 0;
        o.HasSeed = true;
      }
    } else if (a == "--input") {
      ok = value(o.InputFile) && !o.InputFile.empty();
    } else if (a == "--shot" || a == "--dump-at") {
      ok = value(v) && ParseTickPath(v, tp);
      if (ok) (a == "--shot" ? o.Shots : o.DumpsAt).push_back(tp);
    } else if (a == "--dump") {
      ok = value(o.Dump);
    } else if (a == "--trace") {
      ok = value(o.Trace) && !o.Trace.empty();
    } else if (a == "--field1" || a == "--field2") {
      ok = value(o.Field[a == "--field2"]) && !o.Field[a == "--field2"].empty();
    } else if (a == "--no-render") {
      o.NoRender = true;
    } else if (a == "--app-path") {
      ok = value(o.AppPath) && !o.AppPath.empty();
      if (ok && o.AppPath.back() != '/') o.AppPath += '/';
    } else if (a == "--fullscreen") {
      o.Display = 1;
    } else if (a == "--window") {
      o.Display = -1;
    } else if (a == "--version") {
      o.Version = true;
    } else if (a == "--replay") {
      ok = value(o.Replay);
    } else if (a == "--host") {
      o.Net.Host = true;
    } else if (a == "--port") {
      ok = number(1, 65535, n);
      o.Net.Port = uint16_t(n);
      hasPort = true;
    } else if (a == "--join" || a == "--spectate") {
      if (!joinText.empty()) {
        std::fprintf(stderr, "kq001: one of --join and --spectate, once\n%s", kUsage);
        return 2;
      }
      ok = value(joinText) && !joinText.empty();
      o.Net.Watch = a == "--spectate";
    } else if (a == "--server") {
      ok = value(o.Net.Server) && !o.Net.Server.empty();
      std::string h;
      uint16_t p = 0;
      ok = ok && net::ParseHostPort(o.Net.Server, h, p);
    } else if (a == "--no-upnp") {
      o.Net.Upnp = false;
    } else if (a == "--lan-games") {
      o.LanGames = true;
    } else if (a == "--input-delay") {
      ok = number(0, net::kMaxRollbackDelay, n);
      o.Net.InputDelay = int(n);
    } else if (a == "--net-sim") {
      ok = value(v) && net::ParseNetSim(v, o.Net.Sim);
    } else if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (!a.empty() && a[0] != '-') {
      // A file handed over by the desktop (or typed): a recording to play.
      if (!o.Replay.empty()) {
        std::fprintf(stderr, "kq001: one replay at a time (%s)\n%s", a.c_str(), kUsage);
        return 2;
      }
      o.Replay = a;
    } else {
      std::fprintf(stderr, "kq001: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
    if (!ok) {
      std::fprintf(stderr, "kq001: bad value for %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  const char* joinName = o.Net.Watch ? "--spectate" : "--join";
  if (!joinText.empty() && !o.Net.Server.empty() && !net::NormalizeCode(joinText).empty() &&
      joinText.find('.') == std::string::npos) {
    if (o.Net.Host || hasPort) {
      std::fprintf(stderr, "kq001: %s takes HOST[:PORT] or CODE and goes without --host and --port\n%s",
                   joinName, kUsage);
      return 2;
    }
    o.Net.JoinCode = net::NormalizeCode(joinText);
  } else if (!joinText.empty()) {
    std::string why;
    if (o.Net.Host || hasPort) {
      std::fprintf(stderr, "kq001: %s takes HOST[:PORT] and goes without --host and --port\n%s", joinName,
                   kUsage);
      return 2;
    }
    if (!net::ParseHostPort(joinText, o.Net.JoinHost, o.Net.Port, why)) {
      std::fprintf(stderr, "kq001: %s %s: %s\n%s", joinName, joinText.c_str(), why.c_str(), kUsage);
      return 2;
    }
  } else if (hasPort && !o.Net.Host) {
    std::fprintf(stderr, "kq001: --port goes with --host\n%s", kUsage);
    return 2;
  }
  if (!o.Net.Server.empty() && !o.Net.Active()) {
    std::fprintf(stderr, "kq001: --server goes with --host, --join or --spectate\n%s", kUsage);
    return 2;
  }
  if (o.Net.Active() && !o.Replay.empty()) {
    std::fprintf(stderr, "kq001: a replay cannot be played in a network match\n%s", kUsage);
    return 2;
  }
  return 0;
}

// The English texts say what happened in plain words; the Japanese ones keep their historic
// form, with the kind of error by its class name.
std::string ErrorText(const std::string& className, const std::string& message) {
  return Subst(Subst(Tr("Something went wrong inside the game:\n{message}"), "{class}", className),
               "{message}", message);
}

// The load-error box also says which file was missing and where the pack was looked for.
std::string LoadErrorText(const GameContext& g, const EResorceLoadError& e) {
  std::string text =
      Subst(Subst(Tr("KQ001 cannot start: a file it needs is missing."), "{class}", e.ClassName()),
            "{message}", e.what());
  if (!e.Missing.empty()) text += Subst(Tr("\nMissing file: {file}"), "{file}", e.Missing);
  if (!g.PackFoldersSearched.empty()) {
    std::string folders;
    for (size_t i = 0; i < g.PackFoldersSearched.size(); ++i)
      folders += (i ? ", " : "") + g.PackFoldersSearched[i];
    text += Subst(Tr("\nLooked for in: {folders}"), "{folders}", folders);
  }
  return text +
         Tr("\n\nThe game ends now. Check that its data files are all there (reinstalling puts them back).");
}

std::string ClassNameOf(const std::exception& e) {
  if (auto* k = dynamic_cast<const Exception*>(&e)) return k->ClassName();
  return "Exception";
}

// The application exception handler. Returns true when the program must end.
bool HandleException(GameContext& g, const std::exception& e) {
  std::string text = ErrorText(ClassNameOf(e), e.what());
  if (auto* load = dynamic_cast<const EResorceLoadError*>(&e)) {
    text = LoadErrorText(g, *load);
    if (g.Platform)
      g.Platform->ShowError(text);
    else
      std::fprintf(stderr, "%s\n", text.c_str());
    return true;
  }
  text += Tr("\n\nEnd the game now?");
  return g.Platform ? g.Platform->AskYesNo(text) : true;
}

void FormCreate(GameContext& g, const RunOptions& o, uint64_t seed) {
  const TUserEnv env = TUserEnv::FromProcess();
  g.AppPath = ProgramFolder(o);
  g.ExeBaseName = ExecutableBaseName();
  g.TempFileName = TempFolder() + "$KQ001$.TMP";
  g.LocaleFolders = LocaleFolders(o);
  SetLanguage(TLanguage::Auto, g.LocaleFolders);  // the settings may choose another once read
  FindAssetPack(g, PackFolders(o, env));
  ResolveUserFiles(g, env);
  if (!g.UserFiles.Warning.empty()) std::fprintf(stderr, "%s\n", g.UserFiles.Warning.c_str());
  // A save killed half-way leaves its temporary behind; this run's saves would never reuse it.
  for (const TUserFile* f : {&g.UserFiles.Ini, &g.UserFiles.Hi}) {
    for (const std::string& place : f->WritePlaces) RemoveStaleTemporaries(place);
    if (!f->UserPlace.empty()) RemoveStaleTemporaries(StandInNotePath(*f));
  }
  LoadAssets(g, seed);
  if (g.Platform && g.DataFileExists("GRP\\ICON.PNG")) {
    try {
      g.Platform->SetIcon(DecodePngFile(g.DataPath("GRP\\ICON.PNG")));
    } catch (const std::exception&) {
      // A broken icon costs nothing but the icon.
    }
  }
  g.ReplayDir = ReplayFolder(HiScorePath(g));
  // Recordings follow the scores to their fallback folder when their own cannot take them.
  const std::vector<std::string>& hiPlaces = g.UserFiles.Hi.WritePlaces;
  g.ReplayFallbackDir = hiPlaces.size() > 1 ? ReplayFolder(hiPlaces[1]) : std::string();
  for (const std::string& dir : {g.ReplayDir, g.ReplayFallbackDir})
    if (!dir.empty()) RemoveStaleReplayTemporaries(dir);
  g.EnterState(scTitle);
  g.PlaySound("VOICE1A");
}

// Saves settings and scores; a failed settings write must not lose the scores. False when
// something could not be saved anywhere.
bool FormDestroy(GameContext& g) {
  // A game still in play is recorded up to here; its file must be complete before the exit.
  FinishRecording(g);
  if (g.ReplayWriter)
    if (std::string e = g.ReplayWriter->Wait(); !e.empty()) std::fprintf(stderr, "%s\n", e.c_str());
  EndPlayback(g, false);
  TExitSaveResult r = SaveAtExit(g.UserFiles, g.Config, g.HiScoreTable, g.FileRng);
  if (std::string text = r.Message(); !text.empty()) {
    if (g.Platform)
      g.Platform->ShowError(text);  // stderr too
    else
      std::fprintf(stderr, "%s\n", text.c_str());
  }
  ShutDownAudio(g);
  if (FileExists(g.TempFileName)) std::remove(g.TempFileName.c_str());
  return !r.Lost();
}

void RematchPads(GameContext& g) {
  if (!g.Platform) return;
  g.DXInput1.PadNo = ChoosePad(g.Platform->Input(), g.Config.JoyName1P);
  g.DXInput2.PadNo = ChoosePad(g.Platform->Input(), g.Config.JoyName2P);
}

void HandleEvents(GameContext& g, const PlatformEvents& ev) {
  if (ev.Quit) g.Terminated = true;
  // The player switched the display (Alt+Return): the next start opens the same way.
  if (g.Platform && g.Platform->FullScreen() != g.ShownFullScreen) {
    g.ShownFullScreen = g.Platform->FullScreen();
    g.Config.FullScreen = g.ShownFullScreen;
  }
  if (ev.PadsChanged) RematchPads(g);
  for (uint32_t type : ev.UserEvents) HandleMusicEvent(g, type);
}

// One guarded step; returns false when the exception handler ended the program.
template <class F>
bool Guarded(GameContext& g, int& exitCode, F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    if (HandleException(g, e)) {
      g.Terminated = true;
      exitCode = 1;
      return false;
    }
  }
  return true;
}

void ApplyScriptEvent(SdlPlatform& p, const TScriptEvent& e) {
  switch (e.What) {
    case TScriptEvent::KeyDown:
      p.SetVirtualKey(e.A, true);
      break;
    case TScriptEvent::KeyUp:
      p.SetVirtualKey(e.A, false);
      break;
    case TScriptEvent::Clipboard:
      p.SetClipboardText(e.Name);
      break;
    case TScriptEvent::Close:
      p.RequestClose();
      break;
    case TScriptEvent::PadAttach:
      p.AttachVirtualPad(e.Pad, e.Name, e.B != 0);
      break;
    case TScriptEvent::PadDetach:
      p.DetachVirtualPad(e.Pad);
      break;
    case TScriptEvent::PadButton:
      p.SetVirtualPadButton(e.Pad, e.A - 1, e.B != 0);
      break;
    case TScriptEvent::PadAxis:
      p.SetVirtualPadAxis(e.Pad, e.A, e.B);
      break;
    case TScriptEvent::PadHat:
      p.SetVirtualPadHat(e.Pad, e.A);
      break;
  }
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return bool(out);
}

// A headless match of two computer players ends the run at its game over.
bool ComputerMatchOver(const GameContext& g) {
  return g.ScreenState == scPlay && g.GameMode == 2 && g.ControlPrograms[0] && g.ControlPrograms[1] &&
         (g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver);
}

// The title's notice for a replay that could not be played: the file's name and the reason.
void ReplayNotice(GameContext& g, const std::string& message) {
  std::fprintf(stderr, "kq001: %s\n", message.c_str());
  std::string text = message;
  if (size_t slash = text.rfind('/', text.find(": ")); slash != std::string::npos)
    text = text.substr(slash + 1);
  g.TitleNotice = text;  // the screens fit it to their width
}

// The frames, state dumps and trace a scripted run asked for, by tick.
struct TTickOutputs {
  std::map<uint32_t, std::vector<std::string>> Shots, Dumps;
  std::string TracePath;
  TStateTrace Trace;
  explicit TTickOutputs(const RunOptions& o) : TracePath(o.Trace) {
    for (auto& s : o.Shots) Shots[s.first].push_back(s.second);
    for (auto& d : o.DumpsAt) Dumps[d.first].push_back(d.second);
  }
  // At the end of the run, with the final dump.
  void Finish(const RunOptions& o, const GameContext& g) const {
    if (!o.Dump.empty() && !WriteFile(o.Dump, DumpJson(g)))
      std::fprintf(stderr, "kq001: cannot write %s\n", o.Dump.c_str());
    if (!TracePath.empty() && !WriteFile(TracePath, Trace.Text()))
      std::fprintf(stderr, "kq001: cannot write %s\n", TracePath.c_str());
  }
  void After(uint32_t tick, SdlPlatform& platform, const GameContext& g) {
    if (!TracePath.empty()) Trace.After(g);
    if (auto it = Shots.find(tick); it != Shots.end())
      for (auto& path : it->second)
        if (!WritePngFile(path, platform.ReadFrame()))
          std::fprintf(stderr, "kq001: cannot write %s\n", path.c_str());
    if (auto it = Dumps.find(tick); it != Dumps.end())
      for (auto& path : it->second)
        if (!WriteFile(path, DumpJson(g))) std::fprintf(stderr, "kq001: cannot write %s\n", path.c_str());
  }
};

// How one way of running paces its ticks. Each turn of the program's loop the pacer readies
// the turn (the clock, scripted events: what the platform must see before its events are
// handled), the platform's events are handled, the pacer runs the turn's ticks on the tick
// driver with its input (guarded), then finishes the turn (outputs, its own end).
class ITickPacer {
 public:
  virtual ~ITickPacer() = default;
  // False: the run is over.
  virtual bool Begin(uint32_t turn) = 0;
  // Whether the turn's events wait (an inactive window sleeps until something happens).
  virtual bool WaitForEvents() const { return false; }
  // The turn's ticks; false when none could run.
  virtual bool Tick(uint32_t turn) = 0;
  // After the ticks (ran: Tick returned true); false: the run is over.
  virtual bool End(uint32_t turn, bool ran) = 0;
};

// The program's loop over turns, until the pacer or the program ends it.
// The match the NETWORK screen asked for, taken once.
bool TakeMenuMatch(GameContext& g, TNetOptions& out) {
  auto* s = g.ScreenState == scNetwork ? g.Screens.Get<TNetworkScreen>(scNetwork) : nullptr;
  if (!s || !s->Pending) return false;
  out = *s->Pending;
  s->Pending.reset();
  return true;
}

// Its end goes back to the NETWORK screen with the reason.
void BackToNetworkScreen(GameContext& g, const std::string& why) {
  g.EnterState(scNetwork);
  if (auto* s = g.Screens.Get<TNetworkScreen>(scNetwork)) s->MatchEnded(why);
}

void RunTickLoop(GameContext& g, SdlPlatform& platform, ITickPacer& pacer, int& exitCode) {
  for (uint32_t turn = 1; !g.Terminated; ++turn) {
    if (!pacer.Begin(turn)) break;
    HandleEvents(g, platform.Pump(pacer.WaitForEvents()));
    if (g.Terminated) break;
    bool ran = false;
    if (!Guarded(g, exitCode, [&] { ran = pacer.Tick(turn); })) break;
    if (!pacer.End(turn, ran)) break;
  }
}

// Headless: a virtual clock that advances a fixed step a tick, the script's events feeding the
// devices, the shots and dumps asked for by tick. A match of two computer players ends the run.
class THeadlessPacer final : public ITickPacer {
 public:
  THeadlessPacer(GameContext& g, SdlPlatform& platform, const RunOptions& o,
                 const std::vector<TScriptEvent>& script, TTickOutputs& outputs)
      : g_(g), platform_(platform), o_(o), script_(script), outputs_(outputs) {}
  bool Begin(uint32_t turn) override {
    const uint32_t tick = turn + extra_;
    if (o_.Frames >= 0 && long(tick) > o_.Frames) return false;
    now_ += uint32_t(o_.FrameMs);
    platform_.SetVirtualTime(now_);
    while (next_ < script_.size() && script_[next_].Tick <= tick)
      ApplyScriptEvent(platform_, script_[next_++]);
    return true;
  }
  bool Tick(uint32_t) override {
    if (g_.Playback) {
      // A recording started from the replays list plays as in a window, on the script's keys.
      if (!PlaybackFrame(g_, uint32_t(o_.FrameMs))) EndPlayback(g_, true);
      return true;
    }
    FrameTick(g_, now_, o_.FrameMs);
    return true;
  }
  bool End(uint32_t turn, bool) override {
    const uint32_t tick = turn + extra_;
    outputs_.After(tick, platform_, g_);
    if (ComputerMatchOver(g_)) return false;
    // A match started from the menu runs on the same tick count and script.
    if (TNetOptions m; TakeMenuMatch(g_, m)) {
      uint32_t reached = tick;
      TNetRunHooks hooks;
      hooks.Headless = true;
      hooks.Frames = o_.Frames < 0 ? -1 : std::max<long>(0, o_.Frames - long(tick));
      hooks.BeforeTick = [&](uint32_t t) {
        while (next_ < script_.size() && script_[next_].Tick <= tick + t)
          ApplyScriptEvent(platform_, script_[next_++]);
      };
      hooks.AfterTick = [&](uint32_t t) {
        outputs_.After(tick + t, platform_, g_);
        reached = tick + t;
      };
      hooks.PumpEvents = [&] {
        HandleEvents(g_, platform_.Pump(false));
        return !g_.Terminated;
      };
      hooks.SetClock = [&](uint32_t t) { platform_.SetVirtualTime(t); };
      hooks.Back = [&](const std::string& why) { BackToNetworkScreen(g_, why); };
      RunNetMatch(g_, m, hooks);
      extra_ += reached - tick;
      platform_.SetVirtualTime(now_);
    }
    return !g_.Terminated;
  }

 private:
  GameContext& g_;
  SdlPlatform& platform_;
  const RunOptions& o_;
  const std::vector<TScriptEvent>& script_;
  TTickOutputs& outputs_;
  size_t next_ = 0;
  uint32_t now_ = 1000;
  uint32_t extra_ = 0;  // ticks a match started from the menu ran
};

// Headless playback: as fast as it goes, on the recorded clock; ticks count from the game's first.
class THeadlessPlaybackPacer final : public ITickPacer {
 public:
  THeadlessPlaybackPacer(GameContext& g, SdlPlatform& platform, const RunOptions& o, TTickOutputs& outputs)
      : g_(g), platform_(platform), o_(o), outputs_(outputs) {}
  bool Begin(uint32_t tick) override {
    return g_.Playback && g_.Playback->HasNext && (o_.Frames < 0 || long(tick) <= o_.Frames);
  }
  bool Tick(uint32_t) override { return PlaybackTick(g_); }
  bool End(uint32_t tick, bool ran) override {
    if (!ran) return false;
    outputs_.After(tick, platform_, g_);
    return true;
  }

 private:
  GameContext& g_;
  SdlPlatform& platform_;
  const RunOptions& o_;
  TTickOutputs& outputs_;
};

// The window: the real clock while the window is active, one tick a turn with the milliseconds
// since the last as its move count; a replay being played paces its own recorded ticks.
class TWindowPacer final : public ITickPacer {
 public:
  TWindowPacer(GameContext& g, SdlPlatform& platform) : g_(g), platform_(platform), last_(platform.Ticks()) {}
  bool Begin(uint32_t) override {
    // The timer ticks only while the window is active; otherwise wait for events.
    active_ = platform_.Active();
    return true;
  }
  bool WaitForEvents() const override { return !active_; }
  bool Tick(uint32_t) override {
    if (!active_) return true;
    const uint32_t now = platform_.Ticks();
    const uint32_t lag = now - last_;
    if (lag == 0) {
      platform_.Delay(1);
      return true;
    }
    last_ = now;
    if (g_.Playback) {
      if (!PlaybackFrame(g_, lag)) EndPlayback(g_, true);
      return true;
    }
    FrameTick(g_, now, int(std::min<uint32_t>(lag, 0x7FFFFFFF)));
    return true;
  }
  bool End(uint32_t, bool) override {
    if (TNetOptions m; TakeMenuMatch(g_, m)) {
      TNetRunHooks hooks;
      hooks.PumpEvents = [&] {
        HandleEvents(g_, platform_.Pump(false));
        return !g_.Terminated;
      };
      hooks.Back = [&](const std::string& why) { BackToNetworkScreen(g_, why); };
      RunNetMatch(g_, m, hooks);
      last_ = platform_.Ticks();
    }
    return !g_.Terminated;
  }

 private:
  GameContext& g_;
  SdlPlatform& platform_;
  uint32_t last_;
  bool active_ = false;
};

}  // namespace

namespace {

// The play screen of the program: every game is recorded from its start, and each play tick is
// recorded or played back.
class TRecordedPlayScreen final : public TPlayScreen {
 public:
  void Enter(GameContext& g, TScreenState from) override {
    ReleaseClock(g);
    TPlayScreen::Enter(g, from);
    RecordGameStart(g);
    RulesRan(g);
  }
  // A paused tick runs no rules and records nothing.
  void Update(GameContext& g, int moveCount) override {
    if (PauseTick(g)) return;
    BeforeGameTick(g, moveCount);
    TPlayScreen::Update(g, moveCount);
    RulesRan(g);
    AfterGameTick(g);
  }
  void Leave(GameContext& g, TScreenState next) override {
    SetPaused(g, false);
    ReleaseClock(g);
    TPlayScreen::Leave(g, next);
  }
};

}  // namespace

void InstallProgramScreens(GameContext& g) {
  InstallFrontEndScreens(g.Screens);
  g.Screens.Register(scPlay, std::make_unique<TRecordedPlayScreen>());
  g.Screens.Register(scNetwork, std::make_unique<TNetworkScreen>());
  g.PlayOverlay = DrawPlayExtras;
  g.PlayReplayFile = [](GameContext& c, const std::string& path, std::string& error) {
    TReplayFile file;
    return LoadReplayFile(path, file, error) && StartPlayback(c, path, std::move(file), error);
  };
}

int RunProgram(int argc, char** argv) {
  RunOptions o;
  if (int rc = ParseArgs(argc, argv, o); rc != 0) return rc;
  if (o.Help) {
    std::fputs(HelpText(o).c_str(), stdout);
    return 0;
  }
  if (o.Version) {
    std::puts("kq001 " KQ_VERSION);
    return 0;
  }
  if (o.LanGames) return ListLanGames(2000);
  std::vector<TScriptEvent> script;
  if (!o.InputFile.empty()) {
    std::string text, error;
    if (!ReadScriptFile(o.InputFile, text, error)) {
      std::fprintf(stderr, "kq001: the input script %s: %s\n", o.InputFile.c_str(), error.c_str());
      return 2;
    }
    if (!ParseInputScript(text, script, error)) {
      std::fprintf(stderr, "kq001: %s: %s\n", o.InputFile.c_str(), error.c_str());
      return 2;
    }
  }
  TReplayFile replay;
  std::string replayError;
  const bool hasReplay = !o.Replay.empty() && LoadReplayFile(o.Replay, replay, replayError);
  auto g = std::make_unique<GameContext>();
  InstallProgramScreens(*g);
  for (int n = 0; n < 2; ++n) {
    if (o.Field[n].empty()) continue;
    std::string text, error;
    if (!ReadScriptFile(o.Field[n], text, error)) {
      std::fprintf(stderr, "kq001: the field file %s: %s\n", o.Field[n].c_str(), error.c_str());
      return 2;
    }
    if (!ParseFieldFile(text, g->StartField[size_t(n)], error)) {
      std::fprintf(stderr, "kq001: %s: %s\n", o.Field[n].c_str(), error.c_str());
      return 2;
    }
    g->HasStartField[size_t(n)] = true;
  }
  g->NoRender = o.NoRender;
  g->RecordSounds = o.Headless;

  std::unique_ptr<SdlPlatform> platform;
  try {
    PlatformOptions po;
    po.Headless = o.Headless;
    po.FullScreen = o.Display > 0;
    po.AppId = KQ_APP_ID;
    if (std::string folder = UserConfigFolder(TUserEnv::FromProcess()); !folder.empty())
      po.ControllerDb = folder + "gamecontrollerdb.txt";
    platform = std::make_unique<SdlPlatform>(po);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kq001: %s\n", e.what());
    return 1;
  }
  g->Platform = platform.get();
  platform->SetVirtualTime(1000);

  uint64_t seed = o.HasSeed ? o.Seed : uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    FormCreate(*g, o, seed);
  } catch (const std::exception& e) {
    std::string text = ErrorText(ClassNameOf(e), e.what());
    if (auto* load = dynamic_cast<const EResorceLoadError*>(&e)) text = LoadErrorText(*g, *load);
    platform->ShowError(text);
    g->Platform = nullptr;
    g.reset();
    return 1;
  }

  // The remembered display mode, unless --fullscreen or --window chose one for this run.
  if (o.Display == 0 && g->Config.FullScreen != platform->FullScreen()) platform->ToggleFullScreen();
  g->ShownFullScreen = platform->FullScreen();

  int exitCode = 0;
  TTickOutputs outputs(o);
  if (o.Net.Active()) {
    // Without --server the settings name the match server; a code-like name then joins by code.
    if (o.Net.Server.empty()) o.Net.Server = g->Config.NetServer;
    if (!o.Net.Server.empty() && !o.Net.JoinHost.empty() && o.Net.Port == net::kDefaultPort &&
        o.Net.JoinHost.find('.') == std::string::npos && !net::NormalizeCode(o.Net.JoinHost).empty()) {
      o.Net.JoinCode = net::NormalizeCode(o.Net.JoinHost);
      o.Net.JoinHost.clear();
    }
    // A name that reads as a code is one: without a match server it is not looked up as a host.
    if (o.Net.Server.empty() && !o.Net.JoinHost.empty() && o.Net.Port == net::kDefaultPort &&
        o.Net.JoinHost.find('.') == std::string::npos && !net::NormalizeCode(o.Net.JoinHost).empty()) {
      std::fprintf(stderr,
                   "kq001: %s looks like an invite code: %s by code needs a match server "
                   "(--server HOST[:PORT] or [Network] Server= in the settings)\n",
                   o.Net.JoinHost.c_str(), o.Net.Watch ? "watching" : "joining");
      FormDestroy(*g);
      g->Platform = nullptr;
      return 2;
    }
    size_t next = 0;
    TNetRunHooks hooks;
    hooks.Headless = o.Headless;
    hooks.Frames = o.Headless ? o.Frames : -1;
    hooks.BeforeTick = [&](uint32_t tick) {
      while (next < script.size() && script[next].Tick <= tick) ApplyScriptEvent(*platform, script[next++]);
    };
    hooks.AfterTick = [&](uint32_t tick) { outputs.After(tick, *platform, *g); };
    hooks.PumpEvents = [&] {
      HandleEvents(*g, platform->Pump(false));
      return !g->Terminated;
    };
    hooks.SetClock = [&](uint32_t t) {
      if (o.Headless) platform->SetVirtualTime(t);
    };
    int rc = 0;
    if (!Guarded(*g, exitCode, [&] { rc = RunNetMatch(*g, o.Net, hooks); })) rc = 1;
    if (o.Headless || g->Terminated) {
      outputs.Finish(o, *g);
      FormDestroy(*g);
      g->Platform = nullptr;
      g.reset();
      return o.Headless ? rc : exitCode;
    }
  }
  if (!o.Replay.empty()) {
    // The file was read before the settings chose the language: its reason is read again, so the
    // title gives it in the player's language.
    if (!hasReplay) {
      replayError.clear();
      LoadReplayFile(o.Replay, replay, replayError);
    }
    // A headless run stops here, with the reason in the player's language.
    if (!hasReplay || !StartPlayback(*g, o.Replay, std::move(replay), replayError)) {
      if (o.Headless) {
        std::fprintf(stderr, "kq001: %s\n", replayError.c_str());
        FormDestroy(*g);
        g->Platform = nullptr;
        return 2;
      }
    }
    if (!replayError.empty()) ReplayNotice(*g, replayError);
  }
  if (o.Headless && g->Playback) {
    THeadlessPlaybackPacer pacer(*g, *platform, o, outputs);
    RunTickLoop(*g, *platform, pacer, exitCode);
    if (!g->Playback->Mismatch.empty()) {
      std::fprintf(stderr, "kq001: %s: %s\n", o.Replay.c_str(), g->Playback->Mismatch.c_str());
      if (exitCode == 0) exitCode = 2;
    }
    outputs.Finish(o, *g);
    EndPlayback(*g, false);
    FormDestroy(*g);
    g->Platform = nullptr;
    g.reset();
    return exitCode;
  }
  if (o.Headless) {
    THeadlessPacer pacer(*g, *platform, o, script, outputs);
    RunTickLoop(*g, *platform, pacer, exitCode);
  } else {
    TWindowPacer pacer(*g, *platform);
    RunTickLoop(*g, *platform, pacer, exitCode);
  }
  // Scores or settings that could not be saved anywhere make the run a failure.
  if (!FormDestroy(*g) && exitCode == 0) exitCode = 1;
  outputs.Finish(o, *g);
  g->Platform = nullptr;
  g.reset();
  return exitCode;
}

}  // namespace kq
