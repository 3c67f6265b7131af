#include "app/trace.h"

#include <cinttypes>
#include <cstdio>

#include "app/net_play.h"
#include "core/context.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

struct TWatched {
  const char* Name;
  int64_t Value;
};

void AddPlayer(std::vector<TWatched>& out, const TPlayerInfo& p, bool first) {
  const auto v = [&](const char* one, const char* two, int64_t value) {
    out.push_back({first ? one : two, value});
  };
  v("p1.active", "p2.active", p.Active);
  v("p1.phase", "p2.phase", int(p.Phase));
  v("p1.level", "p2.level", p.Level);
  v("p1.score", "p2.score", p.Score);
  v("p1.combo", "p2.combo", p.Combo);
  v("p1.max_combo", "p2.max_combo", p.MaxCombo);
  v("p1.chain", "p2.chain", p.Chain);
  v("p1.rainbow", "p2.rainbow", p.RainbowMode);
  v("p1.poker", "p2.poker", p.PokerHand);
  v("p1.hazard_stock", "p2.hazard_stock", p.HazardStock);
  int hazards = 0;  // hazard blocks in the field, landed or falling
  for (const auto& column : p.Cells)
    for (const TBlock& b : column) hazards += b && b.Hazard;
  v("p1.hazards", "p2.hazards", hazards);
  v("p1.rows", "p2.rows", p.Rows);
  v("p1.trim_left", "p2.trim_left", p.TrimLeft);
  v("p1.restore_left", "p2.restore_left", p.RestoreLeft);
  v("p1.pending_lines", "p2.pending_lines", p.PendingLines);
}

std::vector<TWatched> Watched(const GameContext& g) {
  std::vector<TWatched> out;
  out.push_back({"screen", int(g.ScreenState)});
  out.push_back({"mode", g.GameMode});
  out.push_back({"ex_stage", g.ExStage});
  out.push_back({"ending_step", g.EndingStep});
  out.push_back({"retry", g.RetryChoice});
  out.push_back({"winner", g.LastWinner});
  AddPlayer(out, g.Player1P, true);
  AddPlayer(out, g.Player2P, false);
  return out;
}

}  // namespace

void TStateTrace::After(const GameContext& g) {
  if (started_ && g.TickCount == lastTick_) return;
  const std::vector<TWatched> now = Watched(g);
  std::string line;
  char buf[64];
  for (size_t i = 0; i < now.size(); ++i) {
    if (started_ && i < last_.size() && last_[i] == now[i].Value) continue;
    std::snprintf(buf, sizeof buf, " %s=%" PRId64, now[i].Name, now[i].Value);
    line += buf;
  }
  if (g.TickCount % kHashInterval == 0) {
    std::snprintf(buf, sizeof buf, " hash=%016" PRIx64, RulesStateHash(g));
    line += buf;
  }
  if (!line.empty()) text_ += std::to_string(g.TickCount) + line + "\n";
  last_.resize(now.size());
  for (size_t i = 0; i < now.size(); ++i) last_[i] = now[i].Value;
  lastTick_ = g.TickCount;
  started_ = true;
}

}  // namespace kq
