#include "app/net_play.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <thread>

#include "app/main_loop.h"
#include "app/match_game.h"
#include "app/net_text.h"
#include "app/replay.h"
#include "config/config_file.h"
#include "config/replay_file.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "net/lan_search.h"
#include "net/lobby.h"
#include "net/net_match.h"
#include "net/rollback.h"
#include "screens/screen_text.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

// Shots act once per press; directions and raise repeat while held.
constexpr uint16_t kOneShotBits = 0x70;

void Blink(TImageSprite* s, bool on) {
  if (!s) return;
  s->PatternSpeed = on ? 0.008 : 0;
  if (!on) s->PatternPos = 0;
}

// This thread's CPU time in microseconds.
uint64_t ThreadCpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

uint32_t Percentile99(std::vector<uint32_t>& v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, v.size() * 99 / 100)];
}

bool GameIsOverNow(const GameContext& g) {
  return g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver;
}

// The eight control bits of the local player from the local device, as the rules would read
// them on player 1's side.
uint16_t LocalBits(const TDXInput& dev, const TKeyAssign& k) {
  const int states[8] = {0, 1, 2, 3, k.J01, k.J02, k.J03, k.J04};
  uint16_t bits = 0;
  for (int i = 0; i < 8; ++i)
    if (dev.Has(states[i])) bits |= uint16_t(1u << i);
  return bits;
}

// The one-shot clearing of a tick in play, for the local device alone.
void ClearOneShots(TDXInput& dev, const TKeyAssign& k) {
  dev.Remove(k.J01);
  dev.Remove(k.J02);
  dev.Remove(k.J03);
}

}  // namespace

uint32_t WallMs() {
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

TNetFrames::TNetFrames(GameContext& g, const TNetRunHooks& hooks) : g_(g), hooks_(hooks) {
  TDXInput unused;
  ApplyKeyAssign(Local, unused, g.Config);
  Local.PadNo = g.DXInput1.PadNo;
}

bool TNetFrames::Begin() {
  ++Counted;
  if (hooks_.BeforeTick) hooks_.BeforeTick(Counted);
  if (hooks_.PumpEvents && !hooks_.PumpEvents()) {
    Closing = true;
    return false;
  }
  if (g_.Platform) Local.Poll(g_.Platform->Input());
  return true;
}

void ForgetHeldKeys(GameContext& g) {
  if (g.Platform) {
    g.DXInput1.Poll(g.Platform->Input());
    g.DXInput2.Poll(g.Platform->Input());
  }
  g.DXInput1.States.reset();
  g.DXInput2.States.reset();
}

void DrawLines(GameContext& g, const std::vector<TLine>& lines) {
  Canvas* c = g.NoRender ? nullptr : g.ScreenCanvas();
  if (!c) return;
  c->FillRect({0, 0, 640, 480}, 0x0A1030);
  const int step = ScreenLineHeight(g) + 12;
  int y = 240 - int(lines.size()) * step / 2;
  for (const TLine& l : lines) {
    const std::string shown = FitScreenText(g, l.Text, 620);
    DrawScreenText(g, *c, 320 - ScreenTextWidth(g, shown) / 2, y, shown, l.Rgb);
    y += step;
  }
  g.Platform->Present();
}

uint64_t RoundSeed(uint64_t matchSeed, uint32_t round) {
  return MixSeed(matchSeed, 100 + round);
}

uint64_t RulesStateHash(const GameContext& g) {
  return HashState(g.State);
}

std::string EncodeMatchRules(const GameContext& g) {
  std::ostringstream out;
  out << "A " << int(g.Config.AdvancedMode1P) << ' ' << int(g.Config.AdvancedMode2P) << ' '
      << int(g.Config.DisableGameOver) << '\n';
  out << 'T';
  for (int64_t v : RuleTuning(g.Config)) out << ' ' << v;
  out << '\n';
  for (int n = 0; n < 2; ++n)
    if (g.HasStartField[size_t(n)]) {
      out << 'F' << n << '\n';
      for (const std::string& row : g.StartField[size_t(n)]) out << 'R' << n << ' ' << row << '\n';
    }
  return out.str();
}

bool ApplyMatchRules(const std::string& text, GameContext& g) {
  std::istringstream in(text);
  std::string line;
  TGameConfig c = g.Config;
  std::array<std::vector<std::string>, 2> field;
  std::array<bool, 2> hasField{false, false};
  bool sawA = false, sawT = false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream l(line.substr(1));
    if (line[0] == 'A') {
      int a = 0, b = 0, d = 0;
      if (!(l >> a >> b >> d)) return false;
      c.AdvancedMode1P = a != 0;
      c.AdvancedMode2P = b != 0;
      c.DisableGameOver = d != 0;
      sawA = true;
    } else if (line[0] == 'T') {
      std::vector<int64_t> t;
      int64_t v;
      while (l >> v) t.push_back(v);
      if (!ApplyRuleTuning(t, c)) return false;
      sawT = true;
    } else if (line[0] == 'F' && line.size() == 2 && (line[1] == '0' || line[1] == '1')) {
      hasField[size_t(line[1] - '0')] = true;
    } else if (line[0] == 'R' && line.size() >= 3 && (line[1] == '0' || line[1] == '1') && line[2] == ' ') {
      const size_t n = size_t(line[1] - '0');
      if (!hasField[n] || field[n].size() >= size_t(kFieldRows) || line.size() - 3 > size_t(kMaxCols))
        return false;
      const std::string row = line.substr(3);
      if (row.find_first_not_of(".012345abcdefh") != std::string::npos) return false;
      field[n].push_back(row);
    } else {
      return false;
    }
  }
  if (!sawA || !sawT) return false;
  g.Config = c;
  g.StartField = field;
  g.HasStartField = hasField;
  return true;
}

std::string MachineName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0 || !buf[0]) return "kq001";
  return net::PrintableText(buf, 24);
}

int ListLanGames(uint32_t waitMs) {
  net::TLanSearch search;
  if (!search.Error().empty()) {
    std::fprintf(stderr, "kq001: %s\n", search.Error().c_str());
    return 1;
  }
  const uint32_t start = WallMs();
  uint32_t lastAsk = start;
  for (int rounds = 0; rounds < 1000; ++rounds) {
    const uint32_t spent = WallMs() - start;
    if (spent >= waitMs) break;
    // Asked a few times: one lost broadcast should not hide a game.
    if (WallMs() - lastAsk >= 500) {
      search.Ask();
      lastAsk = WallMs();
    }
    search.Poll(std::min<uint32_t>(100, waitMs - spent));
  }
  for (const net::TLanGame& game : search.Games())
    std::printf("%s  %s  %s  %s\n", net::AddrText(game.Addr).c_str(), game.Name.c_str(), game.Version.c_str(),
                game.Busy ? "busy" : "free");
  if (search.Games().empty()) std::fprintf(stderr, "kq001: no games found on this network\n");
  std::fflush(stdout);
  return 0;
}

int RunNetMatch(GameContext& g, const TNetOptions& o, const TNetRunHooks& hooks) {
  if (o.Watch) return RunWatchMatch(g, o, hooks);
  // The notice is set after the screen change: entering a screen may clear the old one.
  auto notice = [&](const std::string& text) {
    std::fprintf(stderr, "kq001: %s\n", text.c_str());
    g.TitleNotice = NetText(text);  // the title cuts it to its width
  };
  auto backToMenu = [&](const std::string& why) {
    ForgetHeldKeys(g);
    if (!why.empty()) std::fprintf(stderr, "kq001: %s\n", why.c_str());
    if (hooks.Back) {
      hooks.Back(why);
      return;
    }
    g.EnterState(scTitle);
    if (!why.empty()) g.TitleNotice = NetText(why);
  };
  // Closing the window in a match started from the menu ends the match (the rival hears it),
  // not the program: the player is back on the NETWORK screen.
  auto keepProgramOpen = [&](bool& closingNow) {
    if (closingNow && hooks.Back) {
      g.Terminated = false;
      closingNow = false;
    }
  };
  // Headless runs end where the match ends (the dump shows it); a window, or a match started
  // from the menu, goes back to the menu.
  const bool toMenu = !hooks.Headless || hooks.Back;
  const uint32_t startMs = WallMs();
  std::string error;
  std::unique_ptr<net::TNetTransport> t;
  if (o.Host) {
    net::THostOptions h;
    h.Port = o.Port;
    h.Server = o.Server;
    h.Upnp = o.Upnp;
    h.Name = MachineName();
    h.Version = kGameVersion;
    t = net::HostMatch(h, error);
  } else if (!o.JoinCode.empty()) {
    t = net::JoinByCode(o.JoinCode, o.Server, error);
  } else {
    t = net::JoinMatch(o.JoinHost, o.Port, o.Sim, error);
  }
  if (!t) {
    if (toMenu)
      backToMenu(error);
    else
      notice(error);
    return 2;
  }
  net::TMatchSetup setup;
  setup.GameVersion = kGameVersion;
  setup.LevelHash = LevelTableHash(g.LevelTable);
  if (o.Host) {
    setup.Seed = g.Rng.Next64();
    setup.Rules = EncodeMatchRules(g);
    setup.Delay = o.InputDelay >= 0 ? o.InputDelay : g.Config.NetInputDelay;
  }
  net::TNetMatch match(std::move(t), o.Host, setup, kOneShotBits);

  TSavedSettings saved;
  saved.Take(g);
  // The person's own keys drive the local device; the rules read both players' bits from
  // states of their own, so an assignment on one machine cannot change the game on the other.
  const TKeyAssign localKeys = g.Config.KeyAssign1P;
  TNetFrames frames(g, hooks);
  TDXInput& local = frames.Local;
  int status = 0;
  auto step = [&]() -> bool {
    if (!frames.Begin()) return false;
    match.Pump(WallMs());
    return true;
  };

  // Waiting for the rival.
  std::string addrs;
  for (const std::string& a : net::LocalAddresses()) addrs += (addrs.empty() ? "" : "  ") + a;
  std::string printedCode;
  while (match.Phase() == net::TMatchPhase::Connecting || match.Phase() == net::TMatchPhase::Handshake) {
    if (frames.Done()) break;
    if (!step()) break;
    if (local.Has(kStateCancel)) {
      match.Leave("left the match");
      break;
    }
    local.States.reset();
    const net::TNetTransport& tr = match.Transport();
    // The rival's way in, printed once the server gave it: scripts wait for this line.
    if (o.Host && tr.InviteCode() != printedCode) {
      printedCode = tr.InviteCode();
      if (!printedCode.empty()) {
        std::printf("invite %s\n", printedCode.c_str());
        std::fflush(stdout);
      }
    }
    std::vector<TLine> lines = {{_("NETWORK MATCH"), kTextGold}};
    if (o.Host) {
      lines.push_back({Subst(_("WAITING FOR A RIVAL ON PORT {port}"), "{port}", std::to_string(o.Port))});
      if (o.Server.empty())
        lines.push_back(
            {_("Invite codes need a match server (MATCH SERVER on the NETWORK screen or in OPTIONS)."),
             kTextDim});
      else if (!printedCode.empty())
        lines.push_back({Subst(_("INVITE CODE: {code}"), "{code}", printedCode), kTextGold});
      if (!tr.PublicAddress().empty())
        lines.push_back({Subst(_("PUBLIC ADDRESS: {address}"), "{address}", tr.PublicAddress()), kTextValue});
      if (!addrs.empty())
        lines.push_back({Subst(_("THIS MACHINE: {address}"), "{address}", addrs), kTextValue});
      if (!tr.Problem().empty()) lines.push_back({NetText(tr.Problem()), kTextWarn});
    } else {
      lines.push_back({Subst(_("CONNECTING TO {rival}"), "{rival}",
                             o.JoinCode.empty() ? o.JoinHost + ":" + std::to_string(o.Port)
                                                : Subst(_("INVITE CODE {code}"), "{code}", o.JoinCode))});
    }
    if (!tr.Status().empty()) lines.push_back({NetText(tr.Status()), kTextValue});
    if (!match.Notice().empty()) lines.push_back({NetText(match.Notice()), kTextWarn});
    lines.push_back({_("ESC: BACK"), kTextDim});
    DrawLines(g, lines);
    if (hooks.AfterTick) hooks.AfterTick(frames.Counted);
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  // A line for whoever watches a headless host: the rival is in and the rounds begin.
  if (match.Phase() == net::TMatchPhase::Playing) std::fprintf(stderr, "kq001: network match begins\n");
  if (match.Phase() != net::TMatchPhase::Playing) {
    std::string why;
    if (match.Phase() == net::TMatchPhase::Ended && match.EndReason() != "left the match") {
      why = match.EndReason();
      status = 2;
    }
    if (frames.Closing) status = 0;
    keepProgramOpen(frames.Closing);
    if (toMenu && !frames.Closing)
      backToMenu(why);
    else if (!why.empty())
      notice(why);
    return status;
  }
  const std::string path = net::PathName(match.Transport().Path());
  std::fprintf(stderr, "kq001: connected (%s) after %u ms\n", path.c_str(), WallMs() - startMs);

  // The match's settings: the host's rules, versus, both players' actions on states of their own.
  if (!o.Host && !ApplyMatchRules(match.Settings().Rules, g)) {
    match.Leave("the host's settings cannot be read");
    backToMenu("the host's settings cannot be read");
    return 2;
  }
  CanonicalActions(g.Config.KeyAssign1P);
  CanonicalActions(g.Config.KeyAssign2P);
  g.NetPlay = true;
  g.NetLocalPlayer = o.Host ? 0 : 1;
  g.SetGameMode(2);
  const uint64_t matchSeed = match.Settings().Seed;
  uint32_t round = 0;
  // Each round: the game as the rollback drives it, and the round's recording, which takes
  // each tick once both players' states of it are final.
  std::unique_ptr<TMatchGame> game;
  std::unique_ptr<net::TRollback<TMatchGame, TMatchSnapshot>> rollback;
  std::unique_ptr<TReplayRecorder> recording;
  uint32_t checked = 0;        // confirmed ticks recorded and hashed
  bool overConfirmed = false;  // the game over is final, not a guess of the rival's states
  // A round starts on each side when the rival's first states are here (or on its own, late):
  // started and the moment this side's first states went out.
  bool started = false;
  uint32_t sampledFirstMs = 0;
  // The time of each frame that ran a tick (its re-runs, the tick, the drawing, the recording),
  // on the wall clock and on this thread's own CPU clock: a loaded machine stretches the first.
  std::vector<uint32_t> frameUs, frameCpuUs;
  frameUs.reserve(4096);
  frameCpuUs.reserve(4096);
  auto startRound = [&]() {
    rollback.reset();
    game.reset();
    // The last round's recording closes when the new game starts.
    g.Recorder = std::move(recording);
    const uint32_t clock = 1000;
    if (hooks.SetClock) hooks.SetClock(clock);
    g.FrameTime = clock;
    g.NextGameSeed = RoundSeed(matchSeed, round);
    g.EnterState(scPlay);
    recording = std::move(g.Recorder);
    game = std::make_unique<TMatchGame>(g, clock, WallMs, hooks.SetClock);
    rollback = std::make_unique<net::TRollback<TMatchGame, TMatchSnapshot>>(*game, match.Inputs());
    checked = 0;
    overConfirmed = false;
    started = false;
  };
  startRound();
  // Records and checks the ticks that became final; their saved states are then let go.
  auto confirm = [&]() {
    net::TRollbackInputs& in = match.Inputs();
    const uint32_t upTo = in.Confirmed();
    if (upTo <= checked) return;
    const TMatchSnapshot now = game->Save();
    for (uint32_t tick = checked + 1; tick <= upTo; ++tick) {
      // The state that tick left: kept as the state before the next tick, or the present.
      const TMatchSnapshot* after = rollback->Before(tick + 1);
      game->Load(after ? *after : now);
      const auto states = in.ConfirmedInputs(tick);
      if (recording) {
        g.Recorder = std::move(recording);
        RecordLateTick(g, net::NetTickLength(tick), uint32_t(states[0]) | uint32_t(states[1]) << 8);
        recording = std::move(g.Recorder);
      }
      if (o.Host) match.Watchers().Confirmed(tick, states);
      if (GameIsOverNow(g)) overConfirmed = true;
      if (tick % net::kHashInterval == 0) match.ReportHash(tick, RulesStateHash(g));
    }
    game->Load(now);
    checked = upTo;
    rollback->ForgetThrough(upTo);
    in.ForgetThrough(upTo);
    game->ForgetThrough(upTo);
  };

  uint32_t due = WallMs();
  bool answered = false;
  std::string endNotice;
  while (!frames.Done()) {
    if (!step()) break;
    if (match.Phase() == net::TMatchPhase::Ended) {
      endNotice = match.EndReason();
      // A rival who left on purpose ends the match normally; a lost connection or a desync
      // breaks it off.
      status = endNotice == net::kRivalLeft || endNotice == net::kDeclined ? 0 : 3;
      break;
    }
    if (local.Has(kStateCancel)) {
      match.Leave("left the match");
      break;
    }
    // The game-over prompt is this machine's own; the match goes on only if both say yes. It
    // opens once the game over is final on both sides, never on a guess.
    if (overConfirmed && g.ScreenState == scPlay) {
      if (!answered) {
        if (local.Has(kStateLeft) && g.RetryChoice != 0) {
          g.RetryChoice = 0;
          Blink(g.RetryYes, true);
          Blink(g.RetryNo, false);
          g.PlaySound("CURSOR");
        } else if (local.Has(kStateRight) && g.RetryChoice != 1) {
          g.RetryChoice = 1;
          Blink(g.RetryYes, false);
          Blink(g.RetryNo, true);
          g.PlaySound("CURSOR");
        } else if (local.Has(kStateConfirm)) {
          answered = true;
          match.AnswerRetry(g.RetryChoice == 0);
          if (g.RetryChoice != 0) {
            match.Leave("left the match");
            break;
          }
        }
      } else if (match.RivalRetry().has_value()) {
        if (!*match.RivalRetry()) {
          endNotice = net::kDeclined;
          match.Leave(endNotice);
          break;
        }
        match.NewRound();
        ++round;
        answered = false;
        startRound();
        due = WallMs();
      }
    }
    for (int s = 25; s <= 30; ++s) local.Remove(s);
    if (!match.Inputs().Sampled()) {
      match.Sample(LocalBits(local, localKeys));
      ClearOneShots(local, localKeys);
      if (!started) sampledFirstMs = WallMs();
    }
    if (!started) {
      // Both sides begin the round together: each waits for the rival's first states (a frame
      // at a time, the screen kept drawn), so neither starts a way over ahead and guesses half
      // its window away at once; the one that starts behind runs the difference at once.
      net::TRollbackInputs& in = match.Inputs();
      for (int spins = 0; spins < 16 && in.RemoteContiguous() <= uint32_t(in.Delay()); ++spins) {
        if (match.Phase() == net::TMatchPhase::Ended) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        match.Pump(WallMs());
      }
      if (in.RemoteContiguous() > uint32_t(in.Delay())) {
        started = true;
        const uint32_t now = WallMs();
        due = now - net::RoundStartLagMs(now - sampledFirstMs, match.Transport().RoundTripMs());
      }
    }
    // The tick runs at its time; the rival's states it lacks are guessed, up to the prediction
    // window. Past the window it waits, the window keeps drawing and the connection is serviced.
    for (int spins = 0; started && spins < 200; ++spins) {
      const uint32_t now = WallMs();
      if (int32_t(now - due) >= 0 && (match.Ready() || now - due >= 16)) break;
      if (match.Phase() == net::TMatchPhase::Ended) break;
      match.Pump(now);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto frameStart = std::chrono::steady_clock::now();
    const uint64_t frameCpuStart = ThreadCpuUs();
    // States that arrived since the last tick: back to the first wrong guess and on again.
    rollback->Correct();
    bool ran = false;
    if (started && match.Ready()) {
      const uint32_t tick = match.Inputs().NextTick();
      const auto states = match.Advance();
      rollback->Run(tick, states);
      const uint32_t len = net::NetTickLength(tick);
      due += len;
      // The machine that runs ahead makes the other one guess further and correct more: it
      // falls back a millisecond a tick until both are even.
      if (match.AheadOfRival()) due += 1;
      // Never further behind the wall clock than the rival can have run on its guesses of this
      // side (its window and the way over): a side that lost that much time catches up to where
      // the rival waits and no further, and after a long wait does not race.
      const uint32_t catchUp = net::kPredictionWindow * 17 + match.Transport().RoundTripMs() / 2;
      if (int32_t(WallMs() - due) > int32_t(catchUp)) due = WallMs() - catchUp;
      ran = true;
    } else {
      due = WallMs();  // a waiting tick
    }
    confirm();
    if (!ran && !g.NoRender && g.ScreenState == scPlay) RedrawPlay(g);
    if (ran && frameUs.size() < 1000000) {
      frameUs.push_back(uint32_t(
          std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - frameStart)
              .count()));
      frameCpuUs.push_back(uint32_t(ThreadCpuUs() - frameCpuStart));
    }
    const net::TRollbackCounters& rc = match.Inputs().Counters();
    g.NetInfo = {true,
                 match.Inputs().NextTick() - 1,
                 round,
                 match.Inputs().Delay(),
                 match.Stats().Waits,
                 match.Transport().BytesSent(),
                 match.Transport().BytesReceived(),
                 path,
                 !o.Host,
                 answered && !match.RivalRetry().has_value(),
                 match.Transport().BytesDropped(),
                 rc.Rollbacks,
                 rc.MaxRollback,
                 rc.PredictedWrong};
    g.NetInfo.Spectators = uint32_t(match.Watchers().Watchers());
    if (hooks.AfterTick) hooks.AfterTick(frames.Counted);
  }
  // Closing, or the scripted run's last tick: the rival hears it at once.
  if (match.Phase() != net::TMatchPhase::Ended) match.Leave("closed");
  const uint32_t p99 = Percentile99(frameUs), cpuP99 = Percentile99(frameCpuUs);
  const net::TRollbackCounters& rc = match.Inputs().Counters();
  std::fprintf(stderr,
               "kq001: network match: %u ticks, delay %d, %u waits, %u rollbacks (deepest %u, %u ticks "
               "guessed wrong), frame p99 %u us (cpu %u us), %llu bytes sent, %llu received, %llu dropped\n",
               match.Inputs().NextTick() - 1, match.Inputs().Delay(), match.Stats().Waits, rc.Rollbacks,
               rc.MaxRollback, rc.PredictedWrong, p99, cpuP99,
               static_cast<unsigned long long>(match.Transport().BytesSent()),
               static_cast<unsigned long long>(match.Transport().BytesReceived()),
               static_cast<unsigned long long>(match.Transport().BytesDropped()));
  // The match's settings were borrowed: the person's own come back before anything is saved.
  rollback.reset();
  game.reset();
  g.Recorder = std::move(recording);
  FinishRecording(g);
  g.NetPlay = false;
  saved.Restore(g);
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  // The rival is offered first next time.
  if (!o.Host)
    RememberRival(g.Config, o.JoinCode.empty()
                                ? o.JoinHost + (o.Port == net::kDefaultPort ? std::string()
                                                                            : ":" + std::to_string(o.Port))
                                : o.JoinCode);
  keepProgramOpen(frames.Closing);
  if (!frames.Closing && toMenu)
    backToMenu(endNotice);
  else if (!endNotice.empty())
    notice(endNotice);
  return status;
}

}  // namespace kq
