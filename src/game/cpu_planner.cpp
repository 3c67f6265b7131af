#include "game/cpu_planner.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "game/field_groups.h"
#include "game/rules.h"

namespace kq {

namespace {

// A change shot's new kind for one cell, as a search step counts on it.
struct TChange {
  int8_t Col, Row, To;
  uint8_t Shot;
  int8_t Count;
};

// The kind of a cell of the board after the changes (-1 empty).
int KindAfter(const TCpuBoard& f, const std::vector<TChange>& changes, int c, int r) {
  for (const TChange& ch : changes)
    if (ch.Col == c && ch.Row == r) return ch.To;
  return f.Kind(c, r);
}

// The group of the cell's kind joined to it after the changes, added to `mask`; returns its size.
// An unturned hazard makes no group.
int Flood(const TCpuBoard& f, const std::vector<TChange>& changes, int col, int row, TCellMask& mask) {
  const int kind = KindAfter(f, changes, col, row);
  if (kind < 0 || kind >= kCpuHazardKind) return 0;
  return FloodGroup([&](int c, int r) { return KindAfter(f, changes, c, r); }, f.Cols(), f.Rows(), col, row,
                    mask);
}

// Shots that turn kind `from` into `to`, and which shot: the shorter way round the wheel.
int ChangeShots(int from, int to, int types, uint8_t& shot) {
  const int up = ((to - from) % types + types) % types;
  const int down = ((from - to) % types + types) % types;
  shot = up <= down ? cpuChangeUp : cpuChangeDown;
  return std::min(up, down);
}

struct TPartial {
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
int NearestGroupCell(const TCpuBoard& f, const TCellMask& group, int col, int row, int& ec, int& er) {
  int best = 1 << 20;
  for (int c = 0; c < f.Cols(); ++c)
    for (int r = 0; r < f.Rows(); ++r)
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
void OrderWalk(const TCpuBoard& f, TCandidate& c, const TCpuSituation& s, int& moves) {
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
std::vector<TCandidate> BuildCandidates(const TCpuBoard& f, const TCpuSearch& search) {
  std::vector<TCandidate> out;
  TCellMask seen;
  for (int c0 = 0; c0 < f.Cols(); ++c0)
    for (int r0 = 0; r0 < f.Rows(); ++r0) {
      const int kind = f.Kind(c0, r0);
      if (kind < 0 || kind >= kCpuHazardKind || seen.Test(c0, r0)) continue;
      TPartial start{{}, 0, 0, int8_t(kind), {}};
      start.Size = Flood(f, start.Changes, c0, r0, start.Group);
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
          for (int c = 0; c < f.Cols(); ++c)
            for (int r = 0; r < f.Rows(); ++r) {
              if (!st.Group.Test(c, r)) continue;
              const int nb[4][2] = {{c, r + 1}, {c, r - 1}, {c - 1, r}, {c + 1, r}};
              for (const auto& q : nb) {
                const int bc = q[0], br = q[1];
                if (!f.Changeable(bc, br) || st.Group.Test(bc, br) || tried.Test(bc, br)) continue;
                tried.Set(bc, br);
                uint8_t shot = cpuChangeUp;
                const int shots = ChangeShots(KindAfter(f, st.Changes, bc, br), st.Kind, f.Types, shot);
                if (shots == 0) continue;
                TPartial grown{{}, 0, st.Shots + shots, st.Kind, st.Changes};
                grown.Changes.push_back({int8_t(bc), int8_t(br), st.Kind, shot, int8_t(shots)});
                grown.Size = Flood(f, grown.Changes, bc, br, grown.Group);
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

// Puts a block at rest into an empty cell of a board being made (kind 6: an unturned hazard). It
// is numbered by its cell: unique on the board, and a block keeps its number through the falls of
// a simulation, so its busy mark follows it.
void PutBlock(TCpuBoard& f, int col, int row, int kind, bool hard) {
  TBlock& b = f.Record.Cells[size_t(col)][size_t(row)];
  b = TBlock{};
  b.Serial = uint32_t(TCellMask::Index(col, row) + 1);
  b.Kind = std::min(kind, int(kCpuHazardKind));
  b.Hazard = kind >= kCpuHazardKind;
  b.Hard = hard || b.Hazard;
  b.Col = col;
  b.Row = b.TargetRow = row;
  f.BusyBySerial[b.Serial] = false;
}

// The board with the changes landed, loaded into the rules' copy.
void LoadWithChanges(TCpuRules& sim, const TCpuBoard& f, const std::vector<TChange>& changes) {
  sim.Load(f);
  for (const TChange& ch : changes) sim.Recolour(ch.Col, ch.Row, ch.To);
}

int MaxHeightOf(const TPlayerInfo& p) {
  int h = 0;
  for (int c = 0; c < p.Cols; ++c)
    for (int r = p.Rows - 1; r >= h; --r)
      if (BlockAt(p, c, r)) {
        h = r + 1;
        break;
      }
  return h;
}

TCpuPlan Evaluate(const TCpuBoard& f, TCandidate& c, const TCpuSituation& s, const TCpuSearch& search,
                  int heightBefore, TCpuRules& sim) {
  TCpuPlan plan;
  int moves = 0;
  OrderWalk(f, c, s, moves);
  plan.Actions = ActionsOf(c);
  plan.Changes = c.Shots;
  plan.TimeMs = moves * s.MoveMs + (c.Shots + 1) * s.ShotMs;

  TCpuOutcome o;
  if (search.SeeChains) {
    LoadWithChanges(sim, f, c.Changes);
    o = sim.Erase(c.EraseCol, c.EraseRow);
  } else {
    TCellMask group;
    o.Erased = Flood(f, c.Changes, c.EraseCol, c.EraseRow, group);
    o.Chain = 1;
  }
  plan.Outcome = o;
  const double hazardWorth = s.RivalStock > 0 ? 2.0 : 1.0;  // what we send first cancels theirs
  double gain = o.Erased + 3.0 * o.Steps + hazardWorth * o.Sent;
  if (s.ComboAlive) gain += hazardWorth * s.ShotChainAdd;
  // Near the top, every row taken off the highest column counts much more.
  const int danger = heightBefore - (f.Rows() - 5);
  if (danger > 0) {
    if (!search.SeeChains) {
      LoadWithChanges(sim, f, c.Changes);
      sim.Erase(c.EraseCol, c.EraseRow);
    }
    gain += danger * 1.5 * std::max(0, heightBefore - MaxHeightOf(sim.Record()));
  }
  plan.Score = gain * 1000.0 / (plan.TimeMs + 700.0);
  return plan;
}

// One change more, on a block that falls after the erase, that makes the fall erase again.
void TryChainSetUps(const TCpuBoard& f, const TCandidate& c, TCpuRules& sim, std::vector<TCandidate>& extra) {
  LoadWithChanges(sim, f, c.Changes);
  const int baseSteps = sim.Erase(c.EraseCol, c.EraseRow).Steps;
  for (int col = 0; col < f.Cols(); ++col) {
    int lowest = -1;
    for (int row = 0; row < f.Rows() && lowest < 0; ++row)
      if (c.Group.Test(col, row)) lowest = row;
    if (lowest < 0) continue;
    for (int row = lowest + 1; row < f.Rows(); ++row) {
      // Changes land on the group only, so off it the board's block is the changed field's.
      if (c.Group.Test(col, row) || !f.Changeable(col, row)) continue;
      const int kind = f.Kind(col, row);
      for (int8_t to = 0; to < f.Types; ++to) {
        if (to == kind) continue;
        uint8_t shot = cpuChangeUp;
        const int shots = ChangeShots(kind, to, f.Types, shot);
        if (shots > 1) continue;
        LoadWithChanges(sim, f, c.Changes);
        sim.Recolour(col, row, to);
        if (sim.Erase(c.EraseCol, c.EraseRow).Steps <= baseSteps) continue;
        TCandidate more = c;
        more.Changes.insert(more.Changes.begin(), {int8_t(col), int8_t(row), to, shot, int8_t(shots)});
        more.Shots += shots;
        extra.push_back(std::move(more));
      }
    }
  }
}

}  // namespace

void TCpuBoard::SetBusy(int c, int r, bool busy) {
  const TBlock* b = BlockOf(c, r);
  if (b && b->Serial < BusyBySerial.size()) BusyBySerial[b->Serial] = busy;
}

int TCpuBoard::Height(int c) const {
  for (int r = Rows() - 1; r >= 0; --r)
    if (BlockOf(c, r)) return r + 1;
  return 0;
}

int TCpuBoard::MaxHeight() const {
  return MaxHeightOf(Record);
}

int TCpuBoard::BlockCount() const {
  int n = 0;
  for (int c = 0; c < Cols(); ++c)
    for (int r = 0; r < Rows(); ++r) n += BlockOf(c, r) != nullptr;
  return n;
}

bool TCpuBoard::SameColumn(const TCpuBoard& o, int c) const {
  for (int r = 0; r < kFieldRows; ++r) {
    const TBlock* a = BlockOf(c, r);
    const TBlock* b = o.BlockOf(c, r);
    if (!a || !b) {
      if (a || b) return false;
      continue;
    }
    if (a->Kind != b->Kind || a->Hard != b->Hard || Busy(c, r) != o.Busy(c, r)) return false;
  }
  return true;
}

bool TCpuBoard::operator==(const TCpuBoard& o) const {
  if (Cols() != o.Cols() || Rows() != o.Rows() || Types != o.Types || Limit != o.Limit) return false;
  for (int c = 0; c < kMaxCols; ++c)
    if (!SameColumn(o, c)) return false;
  return true;
}

TCpuBoard CpuBoardOf(const TGameConfig& config, const TPlayerInfo& p) {
  TCpuBoard f;
  f.Record = p;
  f.Record.Rival = nullptr;
  f.Record.Cells = {};
  f.Record.Cols = std::clamp(p.Cols, 1, kMaxCols);
  f.Record.Rows = std::clamp(p.Rows, 0, kFieldRows);
  f.Types = std::clamp(config.TotalBlockType, 1, 6);
  f.Limit = p.RainbowMode ? config.EraseLowerLimitRainbow : config.EraseLowerLimit;
  // Every block comes to rest in its cell, as the player sees it; what moves in the game is
  // busy. Cells off the playable field are left empty.
  for (int c = 0; c < kMaxCols; ++c)
    for (int r = 0; r < kFieldRows; ++r) {
      const TBlock* b = f.Inside(c, r) ? BlockAt(p, c, r) : nullptr;
      if (!b) continue;
      PutBlock(f, c, r, b->Hazard ? kCpuHazardKind : std::clamp(b->Kind, 0, int(kCpuHazardKind)), b->Hard);
      f.SetBusy(c, r, b->Erased || b->Falling);
    }
  return f;
}

TCpuBoard CpuBoardFromRows(const std::vector<std::string>& rows, int cols, int types, int limit) {
  TCpuBoard f;
  f.Record.Active = f.Record.InGame = true;
  f.Record.Cols = std::clamp(cols, 1, kMaxCols);
  f.Record.Rows = kFieldRows;
  f.Types = types;
  f.Limit = limit;
  const int n = int(rows.size());
  for (int i = std::max(0, n - kFieldRows); i < n; ++i) {
    const int row = n - 1 - i;
    const std::string& line = rows[size_t(i)];
    for (int c = 0; c < f.Cols() && c < int(line.size()); ++c) {
      const char ch = line[size_t(c)];
      if (ch >= '0' && ch <= '5')
        PutBlock(f, c, row, ch - '0', false);
      else if (ch >= 'a' && ch <= 'f')
        PutBlock(f, c, row, ch - 'a', true);
      else if (ch == 'h')
        PutBlock(f, c, row, kCpuHazardKind, true);
    }
  }
  return f;
}

int CpuChangedKind(int kind, uint8_t shot, int types) {
  const int last = types - 1;
  if (shot == cpuChangeUp) return kind >= last ? 0 : kind + 1;
  return kind <= 0 ? last : kind - 1;
}

void CpuApplyChange(TCpuBoard& f, const TCpuAction& a) {
  if (a.Kind != cpuChangeUp && a.Kind != cpuChangeDown) return;
  if (!f.Changeable(a.Col, a.Row)) return;
  TBlock& b = f.Record.Cells[size_t(a.Col)][size_t(a.Row)];
  b.Kind = CpuChangedKind(b.Kind, a.Kind, f.Types);
}

int CpuGroupSize(const TCpuBoard& f, int col, int row) {
  if (!f.HasBlock(col, row)) return 0;
  TCellMask mask;
  return Flood(f, {}, col, row, mask);
}

TCpuRules::TCpuRules(const std::array<int, 8>& hazardNum)
    : rules_(state_, config_, levels_, mode_, events_, voices_) {
  config_.UseDirect3D = false;  // no dust to ask for
  config_.HazardBlockNum = hazardNum;
  TPlayerInfo& rival = state_.Players[1];
  rival.PlayerNo = 1;
  rival.Active = true;  // so that chains send
}

void TCpuRules::Load(const TCpuBoard& f, bool busyErases) {
  config_.EraseLowerLimit = f.Limit;
  config_.TotalBlockType = f.Types;
  events_.Clear();
  TPlayerInfo& p = state_.Players[0];
  TPlayerInfo& rival = state_.Players[1];
  p = f.Record;
  // Only what the erase sets off counts: no chain or stock before it, no level changes or poker
  // cards on the way, the board's limit for every group.
  p.PlayerNo = 0;
  p.Active = p.InGame = true;
  p.Phase = gpPlay;
  p.Chain = p.Combo = p.HazardStock = p.ErasingCount = 0;
  p.LvNeedBlock = INT_MAX;
  p.DealsPoker = false;
  p.RainbowMode = false;
  p.FallingList.clear();
  p.Rival = &rival;
  rival.HazardStock = 0;
  rival.Rival = &p;
  busy_ = f.BusyBySerial;
  if (!busyErases) return;
  for (auto& column : p.Cells)
    for (TBlock& b : column)
      if (b && b.Serial < busy_.size() && busy_[b.Serial]) {
        b.Erased = true;
        ++p.ErasingCount;
      }
}

void TCpuRules::Recolour(int col, int row, int kind) {
  if (TBlock* b = BlockAt(state_.Players[0], col, row)) b->Kind = kind;
}

void TCpuRules::Store(TCpuBoard& f) const {
  f.Record.Cells = state_.Players[0].Cells;
}

void TCpuRules::RunChain(TCpuOutcome& out) {
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

TCpuOutcome TCpuRules::Erase(int col, int row) {
  TCpuOutcome out;
  TPlayerInfo& p = state_.Players[0];
  const TBlock* b = col < p.Cols && row < p.Rows ? BlockAt(p, col, row) : nullptr;
  if (!b || (b->Serial < busy_.size() && busy_[b->Serial])) return out;
  const int first = EraseGroup(rules_, p, col, row);
  if (first <= 0) return out;
  out.Erased = first;
  p.Chain = 1;  // the erase shot's own step
  RunChain(out);
  return out;
}

void TCpuRules::Settle() {
  state_.Players[0].Chain = 1;
  TCpuOutcome out;
  RunChain(out);
}

TCpuOutcome CpuSimulateErase(TCpuBoard& f, int col, int row, const std::array<int, 8>& hazardNum) {
  TCpuRules rules(hazardNum);
  rules.Load(f);
  const TCpuOutcome out = rules.Erase(col, row);
  if (out.Erased > 0) rules.Store(f);
  return out;
}

void CpuSettleErasing(TCpuBoard& f) {
  TCpuRules rules({});
  rules.Load(f, true);
  rules.Settle();
  rules.Store(f);
}

std::vector<TCpuPlan> CpuFindPlans(const TCpuBoard& f, const TCpuSituation& s, const TCpuSearch& search,
                                   int keep) {
  std::vector<TCandidate> cands = BuildCandidates(f, search);
  TCpuRules sim(s.HazardNum);
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

bool CpuWantsRaise(const TCpuBoard& f, int pendingLines) {
  if (pendingLines > 0) return false;
  return f.MaxHeight() <= std::min(4, f.Rows() - 6) || f.BlockCount() < f.Cols() * 3;
}

}  // namespace kq
