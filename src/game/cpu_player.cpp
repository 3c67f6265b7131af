#include "game/cpu_player.h"

#include <algorithm>

#include "core/context.h"
#include "sprites/effect_sprites.h"

namespace kq {

namespace {

constexpr uint32_t kDemoRetryMs = 5000;  // two computers: the next match after this pause

// Held: acts at once, after 400 ms, then every 100 ms. Holding beats tapping over long walks.
bool HoldIsFaster(int cells, int pressMs) {
  return cells >= 2 && 400 + 100 * (cells - 2) < (cells - 1) * pressMs;
}

bool Later(uint32_t a, uint32_t b) {
  return int32_t(a - b) > 0;
}

}  // namespace

TCpuSkill CpuSkill(int level) {
  TCpuSkill s;
  switch (std::clamp(level, 1, kCpuLevels)) {
    case 1:
      s = {1100, 500, 0.22, 0, false, {1, 2, false, false}};
      break;
    case 2:
      s = {900, 280, 0.14, 0, false, {2, 2, false, false}};
      break;
    case 3:
      s = {550, 180, 0.07, 10, false, {2, 3, true, false}};
      break;
    case 4:
      s = {450, 150, 0.045, 8, true, {2, 3, true, true}};
      break;
    default:
      s = {170, 65, 0.01, 8, true, {3, 4, true, true}};
      break;
  }
  return s;
}

TCpuPlayer::TCpuPlayer(GameContext& g, int playerNo, int level, uint64_t seed)
    : g_(g), no_(playerNo), level_(std::clamp(level, 1, kCpuLevels)), skill_(CpuSkill(level)), rng_(seed) {}

TPlayerInfo& TCpuPlayer::Me() const {
  return g_.Player(no_);
}

int TCpuPlayer::Reaction() {
  // Somewhere between 80% and 140% of the level's reaction time.
  return skill_.ReactionMs * 4 / 5 + rng_.Random(skill_.ReactionMs * 3 / 5 + 1);
}

bool TCpuPlayer::CanPress(uint32_t now, const TInputStates& before, int state) const {
  if (state < 0 || state >= kInputStates || before.test(size_t(state)))
    return false;  // needs a release first
  return !pressedOnce_ || uint32_t(now - lastPress_) >= uint32_t(skill_.PressMs);
}

void TCpuPlayer::Press(int state, uint32_t now) {
  held_.set(size_t(state));
  lastPress_ = now;
  pressedOnce_ = true;
}

TCpuBoard TCpuPlayer::Predicted(const TPlayerInfo& p) const {
  TCpuBoard f = CpuBoardOf(g_.Config, p);
  for (const TPending& s : pending_) CpuApplyChange(f, s.Shot);
  return f;
}

void TCpuPlayer::Decide() {
  const TInputStates before = held_;
  held_.reset();
  if (g_.ScreenState != scPlay || g_.GameMode != 2) return;
  TPlayerInfo& p = Me();
  const uint32_t now = g_.FrameTime;
  if (!p.Active || !p.Sight.Live) {
    AnswerRetry(now, before);
    return;
  }
  // Shots land oldest first: what is no longer counted has landed.
  while (int(pending_.size()) > std::max(p.ShotsInFlight, 0)) pending_.pop_front();

  const bool settled = (p.Phase == gpPlay || p.Phase == gpRise) && p.ErasingCount == 0;
  const bool eraseFlying = std::any_of(pending_.begin(), pending_.end(),
                                       [](const TPending& s) { return s.Shot.Kind == cpuErase; });
  if (!settled || eraseFlying) {
    steps_.clear();
    if (!unsettled_) holdDir_ = -1;
    unsettled_ = true;
    if (skill_.Pipeline) Prepare(p, now, before, eraseFlying);
    return;
  }
  if (unsettled_) {
    unsettled_ = false;
    prepSteps_.clear();
    holdDir_ = -1;
    // What it saw coming needs no second look.
    const bool foreseen = skill_.Pipeline && Predicted(p) == prepBase_;
    waitUntil_ = std::max<uint32_t>(waitUntil_, now + uint32_t(foreseen ? skill_.PressMs : Reaction()));
  }
  if (Later(waitUntil_, now)) {
    // Keep a held direction through a short pause only while it still leads somewhere.
    return;
  }

  const TCpuBoard field = Predicted(p);
  if (!steps_.empty() && !(field == expected_)) {
    // The field changed under the plan (a line, hazards, a slip): look again, a little later.
    steps_.clear();
    holdDir_ = -1;
    waitUntil_ = now + uint32_t(Reaction() / 2);
    return;
  }
  if (steps_.empty()) {
    Plan(field, p, now);
    if (steps_.empty()) return;
  }
  Execute(p, now, before);
}

void TCpuPlayer::Plan(const TCpuBoard& field, const TPlayerInfo& p, uint32_t now) {
  aimChosen_ = false;
  holdDir_ = -1;
  if (!p.RainbowMode && CpuWantsRaise(field, p.PendingLines)) {
    steps_ = {TCpuAction{cpuRaise, 0, 0}};
    expected_ = field;
    return;
  }
  // Near the top even a beginner looks a little harder.
  TCpuSearch search = skill_.Search;
  if (field.MaxHeight() >= field.Rows() - 4) search.Depth = std::max(search.Depth, 2);
  ++searches_;
  std::vector<TCpuPlan> plans = CpuFindPlans(field, Situation(p), search, 4);
  if (plans.empty()) {
    waitUntil_ = now + uint32_t(skill_.ReactionMs / 2);  // nothing to build: look again soon
    return;
  }
  size_t pick = 0;
  if (plans.size() > 1 && rng_.RandomReal() < skill_.Error)
    pick = 1 + size_t(rng_.Random(int(plans.size()) - 1));
  steps_.assign(plans[pick].Actions.begin(), plans[pick].Actions.end());
  expected_ = field;
}

TCpuSituation TCpuPlayer::Situation(const TPlayerInfo& p) const {
  TCpuSituation s;
  s.SightCol = p.Sight.Col;
  s.SightRow = p.Sight.Row;
  s.ShotMs = skill_.PressMs;
  s.MoveMs = skill_.PressMs;
  const double gaugeLeftMs = p.ChainGauge / 100.0 * g_.Config.ChainGaugePeriod;
  s.ComboAlive = p.ChainGauge > 0 && gaugeLeftMs > g_.Config.ShotSpeed + 4.0 * skill_.PressMs;
  s.RivalStock = p.Rival && p.Rival->Active ? p.Rival->HazardStock : 0;
  s.HazardNum = g_.Config.HazardBlockNum;
  s.ShotChainAdd = g_.Config.HazardBlockChainAdd;
  return s;
}

void TCpuPlayer::Prepare(TPlayerInfo& p, uint32_t now, const TInputStates& before, bool eraseFlying) {
  // It can foresee the field while its erase flies and while the erased blocks fade; not while
  // blocks fall.
  const bool flying = eraseFlying && (p.Phase == gpPlay || p.Phase == gpRise) && p.ErasingCount == 0;
  const bool erasing = !eraseFlying && p.Phase == gpErase;
  if (!flying && !erasing) {
    prepSteps_.clear();
    return;
  }
  const TCpuBoard cur = Predicted(p);
  TCpuBoard post = cur;
  if (flying) {
    const TPending* erase = nullptr;
    for (const TPending& s : pending_)
      if (s.Shot.Kind == cpuErase) erase = &s;
    CpuSimulateErase(post, erase->Shot.Col, erase->Shot.Row, g_.Config.HazardBlockNum);
  } else {
    CpuSettleErasing(post);
  }
  if (!(post == prepBase_)) {
    prepSteps_.clear();
    prepBase_ = post;
    // Only blocks of columns the erase leaves alone keep their cells until then.
    bool stable[kMaxCols];
    for (int c = 0; c < post.Cols(); ++c) stable[c] = cur.SameColumn(post, c);
    ++searches_;
    for (const TCpuPlan& plan : CpuFindPlans(post, Situation(p), skill_.Search, 6)) {
      if (plan.Changes == 0) continue;
      bool ok = true;
      for (const TCpuAction& a : plan.Actions)
        if (a.Kind != cpuErase && !stable[a.Col]) ok = false;
      if (!ok) continue;
      for (const TCpuAction& a : plan.Actions)
        if (a.Kind != cpuErase) prepSteps_.push_back(a);
      break;
    }
  }
  if (prepSteps_.empty()) return;
  const TCpuAction a = prepSteps_.front();
  if (p.Sight.Col != a.Col || p.Sight.Row != a.Row) {
    Move(p, a.Col, a.Row, now, before);
    return;
  }
  holdDir_ = -1;
  const TKeyAssign& keys = g_.Keys(p);
  const int state = a.Kind == cpuChangeDown ? keys.J01 : keys.J03;
  if (!CanPress(now, before, state)) return;
  Press(state, now);
  pending_.push_back({a});
  CpuApplyChange(prepBase_, a);
  prepSteps_.pop_front();
}

void TCpuPlayer::Execute(TPlayerInfo& p, uint32_t now, const TInputStates& before) {
  const TCpuAction a = steps_.front();
  const TKeyAssign& keys = g_.Keys(p);
  if (a.Kind == cpuRaise) {
    if (!CanPress(now, before, keys.J04)) return;
    Press(keys.J04, now);
    steps_.pop_front();
    return;
  }
  if (!aimChosen_) {
    aimChosen_ = true;
    aimCol_ = a.Col;
    aimRow_ = a.Row;
    // A slip: one cell off, onto a neighbouring block.
    if (rng_.RandomReal() < skill_.Error * 0.5) {
      const int d = rng_.Random(4);
      const int c = a.Col + (d == 2 ? -1 : d == 3 ? 1 : 0), r = a.Row + (d == 0 ? 1 : d == 1 ? -1 : 0);
      if (expected_.HasBlock(c, r)) {
        aimCol_ = c;
        aimRow_ = r;
      }
    }
  }
  if (p.Sight.Col != aimCol_ || p.Sight.Row != aimRow_) {
    Move(p, aimCol_, aimRow_, now, before);
    return;
  }
  holdDir_ = -1;
  // Every erase refills the chain gauge, and the stock only goes to the rival when it runs out:
  // with a good stock and a safe field, wait with the erase.
  if (a.Kind == cpuErase && skill_.CashInStock > 0 && p.HazardStock >= skill_.CashInStock &&
      p.ChainGauge > 0 && expected_.MaxHeight() <= expected_.Rows() - 4)
    return;
  Fire(p, now, before);
}

void TCpuPlayer::Move(const TPlayerInfo& p, int col, int row, uint32_t now, const TInputStates& before) {
  const int sc = p.Sight.Col, sr = p.Sight.Row;
  int dir, cells;
  if (sr != row) {
    dir = sr < row ? 0 : 1;
    cells = std::abs(row - sr);
  } else {
    dir = sc > col ? 2 : 3;
    cells = std::abs(col - sc);
  }
  if (holdDir_ == dir && before.test(size_t(dir))) {
    held_.set(size_t(dir));  // the key's own repeat walks on
    return;
  }
  holdDir_ = -1;
  if (!CanPress(now, before, dir)) return;
  Press(dir, now);
  if (HoldIsFaster(cells, skill_.PressMs)) holdDir_ = dir;
}

void TCpuPlayer::Fire(TPlayerInfo& p, uint32_t now, const TInputStates& before) {
  const TKeyAssign& keys = g_.Keys(p);
  TCpuAction shot = steps_.front();
  const TCpuAction intended = shot;
  shot.Col = int8_t(aimCol_);
  shot.Row = int8_t(aimRow_);
  // A slip: the other colour way.
  if (shot.Kind != cpuErase && rng_.RandomReal() < skill_.Error * 0.3)
    shot.Kind = shot.Kind == cpuChangeUp ? cpuChangeDown : cpuChangeUp;
  const int state = shot.Kind == cpuChangeDown ? keys.J01 : shot.Kind == cpuErase ? keys.J02 : keys.J03;
  if (!CanPress(now, before, state)) return;
  Press(state, now);
  pending_.push_back({shot});
  CpuApplyChange(expected_, intended);
  steps_.pop_front();
  aimChosen_ = false;
  if (shot.Kind == cpuErase) steps_.clear();
  // Now and then a moment's doubt before the next press.
  if (rng_.RandomReal() < skill_.Error) waitUntil_ = now + 150 + uint32_t(rng_.Random(350));
}

void TCpuPlayer::AnswerRetry(uint32_t now, const TInputStates& before) {
  steps_.clear();
  pending_.clear();
  // With a person in the match the person answers; two computers play on as a demo, which a
  // person leaves with Esc.
  const bool demo = g_.ControlPrograms[0] && g_.ControlPrograms[1];
  if (!demo || no_ != 0) return;
  const bool over = g_.Player1P.Phase == gpOver || g_.Player2P.Phase == gpOver;
  if (!over) return;
  if (overSeen_ == 0) overSeen_ = now == 0 ? 1 : now;
  if (uint32_t(now - overSeen_) >= kDemoRetryMs && !before.test(size_t(kStateConfirm)) && g_.RetryChoice == 0)
    held_.set(size_t(kStateConfirm));
}

bool TCpuPlayer::VkDown(int vk) const {
  if (vk == 0) return false;
  const TDXInput& dev = no_ == 0 ? g_.DXInput1 : g_.DXInput2;
  for (int s = 0; s < kInputStates; ++s) {
    const bool system = s >= 25 && s <= 30;
    for (int code : dev.Keys[size_t(s)]) {
      if (code != vk) continue;
      if (held_.test(size_t(s))) return true;
      if (system && g_.Platform && g_.Platform->Input().VkDown(vk)) return true;
    }
  }
  return false;
}

int TCpuPlayer::FirstDownVk() const {
  return g_.Platform ? g_.Platform->Input().FirstDownVk() : 0;
}

bool TCpuPlayer::AnyKeyDown() const {
  return g_.Platform && g_.Platform->Input().AnyKeyDown();
}

uint64_t TCpuPlayer::PadStates(int) const {
  return held_.to_ullong();
}

std::vector<std::string> TCpuPlayer::PadNames() const {
  return g_.Platform ? g_.Platform->Input().PadNames() : std::vector<std::string>{};
}

void StartCpuPlayers(GameContext& g) {
  for (auto& prog : g.ControlPrograms) prog.reset();
  // A replay plays the recorded controls back; a network match is two people.
  if (g.GameMode != 2 || g.Replaying() || g.NetPlay) return;
  const int levels[2] = {g.Config.Cpu1P, g.Config.Cpu2P};
  for (int n = 0; n < 2; ++n) {
    if (levels[n] < 1 || levels[n] > kCpuLevels) continue;
    // A stream of its own from the game's seed: the same seed plays the same match.
    g.ControlPrograms[size_t(n)] =
        std::make_unique<TCpuPlayer>(g, n, levels[n], MixSeed(g.GameSeed, 100 + uint64_t(n)));
  }
}

}  // namespace kq
