// A spectator's run: the host's settings, then each round played from both players' confirmed
// states, kWatchLagTicks behind the newest the host sent, never catching up with the players.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/match_game.h"
#include "app/net_play.h"
#include "app/net_text.h"
#include "app/replay.h"
#include "config/config_file.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "net/net_ticks.h"
#include "net/watch.h"
#include "screens/screen_text.h"

namespace kq {

namespace {

// A spectator far behind (one that came late, or after a stall) plays up to this many ticks a
// frame until it is kWatchLagTicks behind again.
constexpr int kCatchUpTicks = 4;

}  // namespace

int RunWatchMatch(GameContext& g, const TNetOptions& o, const TNetRunHooks& hooks) {
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
  const bool toMenu = !hooks.Headless || hooks.Back;
  auto finish = [&](const std::string& why, bool closing) {
    if (closing && hooks.Back) g.Terminated = false;  // closing the window ends the watching only
    if (toMenu && !(closing && !hooks.Back)) {
      backToMenu(why);
    } else if (!why.empty()) {
      std::fprintf(stderr, "kq001: %s\n", why.c_str());
      g.TitleNotice = NetText(why);
    }
  };
  const std::string rival = o.JoinCode.empty() ? o.JoinHost + ":" + std::to_string(o.Port) : o.JoinCode;
  std::string error;
  std::unique_ptr<net::TNetTransport> t = o.JoinCode.empty()
                                              ? net::JoinMatch(o.JoinHost, o.Port, o.Sim, error, true)
                                              : net::JoinByCode(o.JoinCode, o.Server, error, true);
  if (!t) {
    finish(error, false);
    return 2;
  }
  net::TWatchMatch watch(std::move(t), kGameVersion, LevelTableHash(g.LevelTable));
  TSavedSettings saved;
  saved.Take(g);
  // Only Esc is read from the person: the game takes nothing from a spectator.
  TNetFrames frames(g, hooks);
  TDXInput& local = frames.Local;
  bool left = false;
  auto step = [&]() -> bool {
    if (!frames.Begin()) return false;
    watch.Pump(WallMs());
    if (local.Has(kStateCancel)) {
      watch.Leave();
      left = true;
      return false;
    }
    local.States.reset();
    return true;
  };

  // Until the host's settings come (a host still waiting for its rival keeps us here).
  while (watch.Phase() == net::TWatchPhase::Connecting || watch.Phase() == net::TWatchPhase::Waiting) {
    if (frames.Done() || !step()) break;
    std::vector<TLine> lines = {{_("WATCHING A NETWORK MATCH"), kTextGold}};
    lines.push_back({Subst(_("CONNECTING TO {rival}"), "{rival}", rival)});
    if (watch.Phase() == net::TWatchPhase::Waiting)
      lines.push_back({_("WAITING FOR THE MATCH TO BEGIN"), kTextValue});
    else if (!watch.Transport().Status().empty())
      lines.push_back({NetText(watch.Transport().Status()), kTextValue});
    lines.push_back({_("ESC: BACK"), kTextDim});
    DrawLines(g, lines);
    if (hooks.AfterTick) hooks.AfterTick(frames.Counted);
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  if (watch.Phase() != net::TWatchPhase::Watching) {
    const std::string why = left || watch.Phase() != net::TWatchPhase::Ended ? "" : watch.EndReason();
    finish(why, frames.Closing);
    return why.empty() ? 0 : 2;
  }
  std::fprintf(stderr, "kq001: watching the match at %s\n", rival.c_str());
  if (!ApplyMatchRules(watch.Settings().Rules, g)) {
    watch.Leave();
    saved.Restore(g);
    finish("the host's settings cannot be read", false);
    return 2;
  }
  CanonicalActions(g.Config.KeyAssign1P);
  CanonicalActions(g.Config.KeyAssign2P);
  g.NetPlay = true;
  g.NetLocalPlayer = 0;
  g.SetGameMode(2);
  g.NetInfo = {};
  g.NetInfo.Active = true;
  g.NetInfo.Watching = true;

  net::TWatchFeed& feed = watch.Feed();
  std::unique_ptr<TMatchGame> game;
  std::optional<uint32_t> round;  // the round on the screen, once the first states came
  uint32_t next = 1;              // its next tick
  auto startRound = [&](uint32_t r) {
    game.reset();
    const uint32_t clock = 1000;
    if (hooks.SetClock) hooks.SetClock(clock);
    g.FrameTime = clock;
    g.NextGameSeed = RoundSeed(watch.Settings().Seed, r);
    g.EnterState(scPlay);
    g.Recorder.reset();  // a spectator keeps no recording
    game = std::make_unique<TMatchGame>(g, clock, WallMs, hooks.SetClock);
    round = r;
    next = 1;
  };

  uint32_t due = WallMs();
  int status = 0;
  std::string endNotice;
  while (!frames.Done()) {
    if (!step()) break;
    if (!round) {
      // The host sends the round it is playing; its first states start the picture.
      const net::TWatchAck held = feed.Ack();
      if (feed.Held(held.Round) > 0) startRound(held.Round);
    }
    const bool hostDone = watch.Phase() == net::TWatchPhase::Ended;
    bool ran = false;
    if (round) {
      const uint32_t r = *round;
      const std::optional<uint32_t> last = feed.LastTick(r);
      // The whole rest of the round (or match) is here: no need to stay behind.
      const bool all = last.has_value() || hostDone;
      // The tick's time: the connection is serviced meanwhile.
      for (int spins = 0; spins < 40 && int32_t(WallMs() - due) < 0; ++spins) {
        watch.Pump(WallMs());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      for (int n = 0; n < kCatchUpTicks; ++n) {
        const uint32_t have = feed.Held(r);
        if (next > have || !(all || have >= next + net::kWatchLagTicks)) break;
        game->Step(feed.At(r, next), false);
        game->ForgetThrough(next);
        ++next;
        ran = true;
        // Behind by more than the lag (a late start, a stall): a few ticks more this frame.
        if (all || have < next + net::kWatchLagTicks + 60) break;
      }
      due = ran ? due + net::NetTickLength(next - 1) : WallMs() + 16;
      if (int32_t(WallMs() - due) > 100) due = WallMs();
      if (last && next > *last && (feed.Held(r + 1) > 0 || feed.LastTick(r + 1))) {
        // The players began another round.
        feed.Forget(r);
        startRound(r + 1);
        due = WallMs();
      } else if (hostDone && next > feed.Held(r)) {
        endNotice = watch.EndReason();
        status = endNotice == net::kMatchOver ? 0 : 3;
        break;
      }
    } else if (hostDone) {
      endNotice = watch.EndReason();
      status = endNotice == net::kMatchOver ? 0 : 3;
      break;
    }
    if (!ran && !g.NoRender && g.ScreenState == scPlay) RedrawPlay(g);
    g.NetInfo = {};
    g.NetInfo.Active = true;
    g.NetInfo.Watching = true;
    g.NetInfo.Tick = next - 1;
    g.NetInfo.Round = round.value_or(0);
    g.NetInfo.Sent = watch.Transport().BytesSent();
    g.NetInfo.Received = watch.Transport().BytesReceived();
    g.NetInfo.Dropped = watch.Transport().BytesDropped();
    g.NetInfo.Path = net::PathName(watch.Transport().Path());
    if (hooks.AfterTick) hooks.AfterTick(frames.Counted);
    if (!round) std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  if (watch.Phase() != net::TWatchPhase::Ended) watch.Leave();
  std::fprintf(stderr, "kq001: watched %u ticks of round %u, %llu bytes received\n", next - 1,
               round.value_or(0), static_cast<unsigned long long>(watch.Transport().BytesReceived()));
  game.reset();
  g.NetPlay = false;
  saved.Restore(g);
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  finish(left ? "" : endNotice, frames.Closing);
  return status;
}

}  // namespace kq
