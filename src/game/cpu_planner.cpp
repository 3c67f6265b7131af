#include "game/cpu_planner.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "game/field_groups.h"
#include "game/rules.h"

namespace kq {

namespace {

constexpr int kCells = kMaxCols * kFieldRows;

// Kinds only, the working copy of a search step.
struct TKinds {
  std::array<int8_t, kCells> K;
  int Cols, Rows;
  explicit TKinds(const TCpuField& f) : Cols(f.Cols), Rows(f.Rows) {
    for (int c = 0; c < kMaxCols; ++c)
      for (int r = 0; r < kFieldRows; ++r)
        K[size_t(c) * kFieldRows + size_t(r)] = f.Cells[size_t(c)][size_t(r)].Kind;
  }
  int8_t At(int c, int r) const { return K[size_t(c) * kFieldRows + size_t(r)]; }
  int8_t& At(int c, int r) { return K[size_t(c) * kFieldRows + size_t(r)]; }
  bool Inside(int c, int r) const { return c >= 0 && c < Cols && r >= 0 && r < Rows; }
};

// The group of the cell's kind joined to it, added to `mask`; returns its size. An unturned
// hazard makes no group.
int Flood(const TKinds& k, int col, int row, TCellMask& mask) {
  const int8_t kind = k.At(col, row);
  if (kind < 0 || kind >= kCpuHazardKind) return 0;
  return FloodGroup([&](int c, int r) { return int(k.At(c, r)); }, k.Cols, k.Rows, col, row, mask);
}

// Shots that turn kind `from` into `to`, and which shot: the shorter way round the wheel.
int ChangeShots(int from, int to, int types, uint8_t& shot) {
  const int up = ((to - from) % types + types) % types;
  const int down = ((from - to) % types + types) % types;
  shot = up <= down ? cpuChangeUp : cpuChangeDown;
  return std::min(up, down);
}

struct TChange {
  int8_t Col, Row, To;
  uint8_t Shot;
  int8_t Count;
};

struct TPartial {
  TKinds Kinds;
  TCellMask Group;
  int Size = 0;
  int Shots = 0;
  int8_t Kind = 0;
  std::vector<TChange> Changes;
};

struct TCandidate {
  TCellMask Group;
  std::vector<TChange> Changes;
  int EraseCol = 0, EraseRow = 0;
  int Shots = 0;
};

int Manhattan(int c0, int r0, int c1, int r1) {
  return std::abs(c0 - c1) + std::abs(r0 - r1);
}

// Group cell nearest to (col, row).
int NearestGroupCell(const TCpuField& f, const TCellMask& group, int col, int row, int& ec, int& er) {
  int best = 1 << 20;
  for (int c = 0; c < f.Cols; ++c)
    for (int r = 0; r < f.Rows; ++r)
      if (group.Test(c, r)) {
        const int d = Manhattan(col, row, c, r);
        if (d < best) {
          best = d;
          ec = c;
          er = r;
        }
      }
  return best;
}

bool CellBefore(const TChange& a, const TChange& b) {
  return a.Col * 16 + a.Row < b.Col * 16 + b.Row;
}

// Shortest walk from the sight over the changed cells and on to the group cell that takes the
// erase (a changed cell of the group when the walk ends there).
void OrderWalk(const TCpuField& f, TCandidate& c, const TCpuSituation& s, int& moves) {
  std::vector<TChange> order = c.Changes, best = c.Changes;
  std::sort(order.begin(), order.end(), CellBefore);
  int bestMoves = 1 << 20;
  do {
    int m = 0, col = s.SightCol, row = s.SightRow;
    for (const TChange& ch : order) {
      m += Manhattan(col, row, ch.Col, ch.Row);
      col = ch.Col;
      row = ch.Row;
    }
    int ec = 0, er = 0;
    m += NearestGroupCell(f, c.Group, col, row, ec, er);
    if (m < bestMoves) {
      bestMoves = m;
      best = order;
      c.EraseCol = ec;
      c.EraseRow = er;
    }
  } while (std::next_permutation(order.begin(), order.end(), CellBefore));
  c.Changes = best;
  moves = bestMoves;
}

void AddCandidate(std::vector<TCandidate>& out, TCandidate&& c) {
  for (TCandidate& o : out)
    if (o.Group == c.Group) {
      if (c.Shots < o.Shots) o = std::move(c);
      return;
    }
  out.push_back(std::move(c));
}

// Groups that erase after at most search.Depth change shots on their border, grown from every
// group of the field, the best few partial groups kept at each step.
std::vector<TCandidate> BuildCandidates(const TCpuField& f, const TCpuSearch& search) {
  std::vector<TCandidate> out;
  const TKinds base(f);
  TCellMask seen;
  for (int c0 = 0; c0 < f.Cols; ++c0)
    for (int r0 = 0; r0 < f.Rows; ++r0) {
      const int8_t kind = base.At(c0, r0);
      if (kind < 0 || kind >= kCpuHazardKind || seen.Test(c0, r0)) continue;
      TPartial start{base, {}, 0, 0, kind, {}};
      start.Size = Flood(base, c0, r0, start.Group);
      seen.Add(start.Group);
      if (start.Size >= f.Limit) {
        AddCandidate(out, {start.Group, {}, c0, r0, 0});
        continue;
      }
      std::vector<TPartial> states{start};
      for (int depth = 1; depth <= search.Depth && !states.empty(); ++depth) {
        std::vector<TPartial> next;
        for (const TPartial& st : states) {
          TCellMask tried;
          for (int c = 0; c < f.Cols; ++c)
            for (int r = 0; r < f.Rows; ++r) {
              if (!st.Group.Test(c, r)) continue;
              const int nb[4][2] = {{c, r + 1}, {c, r - 1}, {c - 1, r}, {c + 1, r}};
              for (const auto& q : nb) {
                const int bc = q[0], br = q[1];
                if (!f.Changeable(bc, br) || st.Group.Test(bc, br) || tried.Test(bc, br)) continue;
                tried.Set(bc, br);
                uint8_t shot = cpuChangeUp;
                const int shots = ChangeShots(st.Kinds.At(bc, br), st.Kind, f.Types, shot);
                if (shots == 0) continue;
                TPartial grown{st.Kinds, {}, 0, st.Shots + shots, st.Kind, st.Changes};
                grown.Kinds.At(bc, br) = st.Kind;
                grown.Changes.push_back({int8_t(bc), int8_t(br), st.Kind, shot, int8_t(shots)});
                grown.Size = Flood(grown.Kinds, bc, br, grown.Group);
                if (grown.Size >= f.Limit)
                  AddCandidate(out, {grown.Group, grown.Changes, bc, br, grown.Shots});
                else if (depth < search.Depth)
                  next.push_back(std::move(grown));
              }
            }
        }
        // Largest groups for the fewest shots go on.
        std::sort(next.begin(), next.end(), [](const TPartial& a, const TPartial& b) {
          return a.Size * 4 - a.Shots != b.Size * 4 - b.Shots ? a.Size * 4 - a.Shots > b.Size * 4 - b.Shots
                                                              : a.Shots < b.Shots;
        });
        if (int(next.size()) > search.Beam) next.erase(next.begin() + search.Beam, next.end());
        states = std::move(next);
      }
    }
  return out;
}

std::vector<TCpuAction> ActionsOf(const TCandidate& c) {
  std::vector<TCpuAction> a;
  for (const TChange& ch : c.Changes)
    for (int i = 0; i < ch.Count; ++i) a.push_back({ch.Shot, ch.Col, ch.Row});
  a.push_back({cpuErase, int8_t(c.EraseCol), int8_t(c.EraseRow)});
  return a;
}

TCpuField WithChanges(const TCpuField& f, const std::vector<TChange>& changes) {
  TCpuField out = f;
  for (const TChange& ch : changes) out.At(ch.Col, ch.Row).Kind = ch.To;
  return out;
}

TCpuPlan Evaluate(const TCpuField& f, TCandidate& c, const TCpuSituation& s, const TCpuSearch& search,
                  int heightBefore, TCpuRulesField& sim) {
  TCpuPlan plan;
  int moves = 0;
  OrderWalk(f, c, s, moves);
  plan.Actions = ActionsOf(c);
  plan.Changes = c.Shots;
  plan.TimeMs = moves * s.MoveMs + (c.Shots + 1) * s.ShotMs;

  TCpuField after = WithChanges(f, c.Changes);
  TCpuOutcome o = sim.SimulateErase(after, c.EraseCol, c.EraseRow);
  if (!search.SeeChains) {
    o.Erased = CpuGroupSize(WithChanges(f, c.Changes), c.EraseCol, c.EraseRow);
    o.Steps = o.Sent = 0;
    o.Chain = 1;
  }
  plan.Outcome = o;
  const double hazardWorth = s.RivalStock > 0 ? 2.0 : 1.0;  // what we send first cancels theirs
  double gain = o.Erased + 3.0 * o.Steps + hazardWorth * o.Sent;
  if (s.ComboAlive) gain += hazardWorth * s.ShotChainAdd;
  // Near the top, every row taken off the highest column counts much more.
  const int danger = heightBefore - (f.Rows - 5);
  if (danger > 0) gain += danger * 1.5 * std::max(0, heightBefore - after.MaxHeight());
  plan.Score = gain * 1000.0 / (plan.TimeMs + 700.0);
  return plan;
}

// One change more, on a block that falls after the erase, that makes the fall erase again.
void TryChainSetUps(const TCpuField& f, const TCandidate& c, TCpuRulesField& sim,
                    std::vector<TCandidate>& extra) {
  const TCpuField changed = WithChanges(f, c.Changes);
  TCpuField probe = changed;
  const int baseSteps = sim.SimulateErase(probe, c.EraseCol, c.EraseRow).Steps;
  for (int col = 0; col < f.Cols; ++col) {
    int lowest = -1;
    for (int row = 0; row < f.Rows && lowest < 0; ++row)
      if (c.Group.Test(col, row)) lowest = row;
    if (lowest < 0) continue;
    for (int row = lowest + 1; row < f.Rows; ++row) {
      if (c.Group.Test(col, row) || !changed.Changeable(col, row)) continue;
      for (int8_t to = 0; to < f.Types; ++to) {
        if (to == changed.At(col, row).Kind) continue;
        uint8_t shot = cpuChangeUp;
        const int shots = ChangeShots(changed.At(col, row).Kind, to, f.Types, shot);
        if (shots > 1) continue;
        TCpuField trial = changed;
        trial.At(col, row).Kind = to;
        if (sim.SimulateErase(trial, c.EraseCol, c.EraseRow).Steps <= baseSteps) continue;
        TCandidate more = c;
        more.Changes.insert(more.Changes.begin(), {int8_t(col), int8_t(row), to, shot, int8_t(shots)});
        more.Shots += shots;
        extra.push_back(std::move(more));
      }
    }
  }
}

}  // namespace

int TCpuField::Height(int c) const {
  for (int r = Rows - 1; r >= 0; --r)
    if (At(c, r).Kind != kCpuEmpty) return r + 1;
  return 0;
}

int TCpuField::MaxHeight() const {
  int h = 0;
  for (int c = 0; c < Cols; ++c) h = std::max(h, Height(c));
  return h;
}

int TCpuField::BlockCount() const {
  int n = 0;
  for (int c = 0; c < Cols; ++c)
    for (int r = 0; r < Rows; ++r) n += At(c, r).Kind != kCpuEmpty;
  return n;
}

TCpuField CpuFieldFromRows(const std::vector<std::string>& rows, int cols, int types, int limit) {
  TCpuField f;
  f.Cols = std::clamp(cols, 1, kMaxCols);
  f.Types = types;
  f.Limit = limit;
  const int n = int(rows.size());
  for (int i = std::max(0, n - kFieldRows); i < n; ++i) {
    const int row = n - 1 - i;
    const std::string& line = rows[size_t(i)];
    for (int c = 0; c < f.Cols && c < int(line.size()); ++c) {
      const char ch = line[size_t(c)];
      TCpuCell& x = f.At(c, row);
      if (ch >= '0' && ch <= '5') {
        x.Kind = int8_t(ch - '0');
      } else if (ch >= 'a' && ch <= 'f') {
        x.Kind = int8_t(ch - 'a');
        x.Hard = true;
      } else if (ch == 'h') {
        x.Kind = kCpuHazardKind;
        x.Hard = true;
      }
    }
  }
  return f;
}

int CpuChangedKind(int kind, uint8_t shot, int types) {
  const int last = types - 1;
  if (shot == cpuChangeUp) return kind >= last ? 0 : kind + 1;
  return kind <= 0 ? last : kind - 1;
}

void CpuApplyChange(TCpuField& f, const TCpuAction& a) {
  if (a.Kind != cpuChangeUp && a.Kind != cpuChangeDown) return;
  if (!f.Changeable(a.Col, a.Row)) return;
  TCpuCell& x = f.At(a.Col, a.Row);
  x.Kind = int8_t(CpuChangedKind(x.Kind, a.Kind, f.Types));
}

int CpuGroupSize(const TCpuField& f, int col, int row) {
  if (!f.HasBlock(col, row)) return 0;
  TCellMask mask;
  return Flood(TKinds(f), col, row, mask);
}

TCpuRulesField::TCpuRulesField(const std::array<int, 8>& hazardNum)
    : rules_(state_, config_, levels_, mode_, events_, voices_) {
  config_.UseDirect3D = false;  // no dust to ask for
  config_.HazardBlockNum = hazardNum;
}

void TCpuRulesField::Load(const TCpuField& f, bool busyErases) {
  config_.EraseLowerLimit = f.Limit;
  config_.TotalBlockType = f.Types;
  events_.Clear();
  TPlayerInfo& p = state_.Players[0];
  TPlayerInfo& rival = state_.Players[1];
  p = TPlayerInfo{};
  rival = TPlayerInfo{};
  p.Active = p.InGame = true;
  p.Cols = f.Cols;
  p.Rows = f.Rows;
  p.LvNeedBlock = INT_MAX;  // no level changes on the way
  p.Rival = &rival;
  rival.PlayerNo = 1;
  rival.Active = true;  // so that chains send
  rival.Rival = &p;
  busy_ = {};
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = 0; r < kFieldRows; ++r) {
      const TCpuCell& x = f.At(c, r);
      if (x.Kind == kCpuEmpty) continue;
      TBlock& b = p.Cells[size_t(c)][size_t(r)];
      b.Serial = uint32_t(TCellMask::Index(c, r) + 1);
      b.Kind = x.Kind;
      b.Hard = x.Hard;
      b.Hazard = x.Kind == kCpuHazardKind;
      b.Col = c;
      b.Row = b.TargetRow = r;
      busy_[b.Serial] = x.Busy;
      if (x.Busy && busyErases) {
        b.Erased = true;
        ++p.ErasingCount;
      }
    }
}

void TCpuRulesField::Store(TCpuField& f) const {
  const TPlayerInfo& p = state_.Players[0];
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = 0; r < kFieldRows; ++r) {
      const TBlock& b = p.Cells[size_t(c)][size_t(r)];
      TCpuCell& x = f.At(c, r);
      x = TCpuCell{};
      if (!b) continue;
      x.Kind = int8_t(b.Kind);
      x.Hard = b.Hard;
      x.Busy = busy_[b.Serial];
    }
}

void TCpuRulesField::RunChain(TCpuOutcome& out) {
  TPlayerInfo& p = state_.Players[0];
  for (;;) {
    StartFalls(rules_, p);
    LandFalls(p);
    const int combo = p.Combo, stock = p.HazardStock;
    const int groups = EraseLandedGroups(rules_, p);
    if (groups == 0) break;
    out.Erased += p.Combo - combo;
    ChainStep(rules_, p, groups);
    out.Sent += p.HazardStock - stock;
    ++out.Steps;
    events_.Clear();
  }
  out.Chain = p.Chain;
}

TCpuOutcome TCpuRulesField::SimulateErase(TCpuField& f, int col, int row) {
  TCpuOutcome out;
  if (!f.HasBlock(col, row) || f.At(col, row).Busy) return out;
  Load(f, false);
  TPlayerInfo& p = state_.Players[0];
  const int first = EraseGroup(rules_, p, col, row);
  if (first <= 0) return out;
  out.Erased = first;
  p.Chain = 1;  // the erase shot's own step
  RunChain(out);
  Store(f);
  return out;
}

void TCpuRulesField::SettleErasing(TCpuField& f) {
  Load(f, true);
  state_.Players[0].Chain = 1;
  TCpuOutcome out;
  RunChain(out);
  Store(f);
}

TCpuOutcome CpuSimulateErase(TCpuField& f, int col, int row, const std::array<int, 8>& hazardNum) {
  TCpuRulesField rules(hazardNum);
  return rules.SimulateErase(f, col, row);
}

void CpuSettleErasing(TCpuField& f) {
  TCpuRulesField rules({});
  rules.SettleErasing(f);
}

std::vector<TCpuPlan> CpuFindPlans(const TCpuField& f, const TCpuSituation& s, const TCpuSearch& search,
                                   int keep) {
  std::vector<TCandidate> cands = BuildCandidates(f, search);
  TCpuRulesField sim(s.HazardNum);
  const int heightBefore = f.MaxHeight();
  if (search.SetUpChains && !cands.empty()) {
    // Set-ups only on the cheapest few: each costs a full simulation per colour.
    std::vector<size_t> order(cands.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return cands[a].Shots != cands[b].Shots ? cands[a].Shots < cands[b].Shots : a < b;
    });
    std::vector<TCandidate> extra;
    for (size_t i = 0; i < order.size() && i < 3; ++i)
      if (cands[order[i]].Shots < search.Depth + 1) TryChainSetUps(f, cands[order[i]], sim, extra);
    for (TCandidate& e : extra) cands.push_back(std::move(e));
  }
  std::vector<TCpuPlan> plans;
  plans.reserve(cands.size());
  for (TCandidate& c : cands) plans.push_back(Evaluate(f, c, s, search, heightBefore, sim));
  std::stable_sort(plans.begin(), plans.end(),
                   [](const TCpuPlan& a, const TCpuPlan& b) { return a.Score > b.Score; });
  if (int(plans.size()) > keep) plans.resize(size_t(std::max(keep, 0)));
  return plans;
}

bool CpuWantsRaise(const TCpuField& f, int pendingLines) {
  if (pendingLines > 0) return false;
  return f.MaxHeight() <= std::min(4, f.Rows - 6) || f.BlockCount() < f.Cols * 3;
}

}  // namespace kq
