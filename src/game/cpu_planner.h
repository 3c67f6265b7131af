#pragma once
// The computer player's planner: functions over a snapshot of one field. Its search knows what a
// player learns by playing (groups, change shots); what an erase then does (falls, chains, the
// hazards they send) it asks the rules themselves, on a record of its own (TCpuRulesField). It
// never reads the game's random stream.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/player.h"
#include "core/rules_context.h"

namespace kq {

constexpr int8_t kCpuEmpty = -1;
constexpr int8_t kCpuHazardKind = 6;  // an unturned hazard block

struct TCpuCell {
  int8_t Kind = kCpuEmpty;  // -1 empty, 0..5 colours, 6 unturned hazard
  bool Hard = false;        // change shots bounce off
  bool Busy = false;        // erasing or falling: no target

  bool operator==(const TCpuCell&) const = default;
};

struct TCpuField {
  int Cols = kMaxCols;
  int Rows = kFieldRows;  // playable rows, fewer while trimmed
  int Types = 6;          // colours in play
  int Limit = 4;          // smallest group that erases now (lower in rainbow mode)
  std::array<std::array<TCpuCell, kFieldRows>, kMaxCols> Cells{};  // [col][row], row 0 at the bottom

  bool Inside(int c, int r) const { return c >= 0 && c < Cols && r >= 0 && r < Rows; }
  const TCpuCell& At(int c, int r) const { return Cells[size_t(c)][size_t(r)]; }
  TCpuCell& At(int c, int r) { return Cells[size_t(c)][size_t(r)]; }
  bool HasBlock(int c, int r) const { return Inside(c, r) && At(c, r).Kind != kCpuEmpty; }
  // A block a change shot recolours.
  bool Changeable(int c, int r) const {
    if (!Inside(c, r)) return false;
    const TCpuCell& x = At(c, r);
    return x.Kind >= 0 && x.Kind < kCpuHazardKind && !x.Hard && !x.Busy;
  }
  int Height(int c) const;  // highest occupied playable row + 1
  int MaxHeight() const;
  int BlockCount() const;

  bool operator==(const TCpuField&) const = default;
};

// Rows top first in the starting-field encoding ('.', '0'-'5', 'a'-'f' hard, 'h' hazard); the
// last string is row 0.
TCpuField CpuFieldFromRows(const std::vector<std::string>& rows, int cols, int types = 6, int limit = 4);

// Shots as the planner and the driver name them.
enum TCpuActionKind : uint8_t { cpuChangeDown, cpuErase, cpuChangeUp, cpuRaise };

struct TCpuAction {
  uint8_t Kind = cpuErase;
  int8_t Col = 0, Row = 0;

  bool operator==(const TCpuAction&) const = default;
};

// Kind after one change shot (the colour wheel of the rules).
int CpuChangedKind(int kind, uint8_t shot, int types);
// Applies a change shot as it lands: hard, busy and hazard blocks keep their kind.
void CpuApplyChange(TCpuField& f, const TCpuAction& a);

// Blocks of the group joined to the cell, 0 for an empty cell or an unturned hazard.
int CpuGroupSize(const TCpuField& f, int col, int row);

struct TCpuOutcome {
  int Erased = 0;  // blocks erased by the shot and the chain it starts
  int Steps = 0;   // erasing fall steps after the shot
  int Chain = 0;   // chain level when the field settles
  int Sent = 0;    // hazard blocks the chain sends
};

// A player record of the rules holding a planner's field: erases, falls and chains run on it
// with the rules' own procedures (EraseGroup, StartFalls, LandFalls, EraseLandedGroups,
// ChainStep), and the field comes back as it lies after them. One serves many simulations.
class TCpuRulesField {
 public:
  explicit TCpuRulesField(const std::array<int, 8>& hazardNum);
  TCpuRulesField(const TCpuRulesField&) = delete;
  TCpuRulesField& operator=(const TCpuRulesField&) = delete;
  // See CpuSimulateErase and CpuSettleErasing.
  TCpuOutcome SimulateErase(TCpuField& f, int col, int row);
  void SettleErasing(TCpuField& f);

 private:
  // Busy blocks are taken as erasing when busyErases is set, else as blocks at rest.
  void Load(const TCpuField& f, bool busyErases);
  void Store(TCpuField& f) const;
  void RunChain(TCpuOutcome& out);

  TGameState state_;
  TGameConfig config_;
  TLevelTable levels_;
  int mode_ = 2;
  TRulesEvents events_;
  TRandom voices_;
  TRulesContext rules_;
  std::array<bool, kMaxCols * kFieldRows + 1> busy_{};  // by block serial
};

// An erase shot landing on the cell, then every fall and chain step as the rules run them.
// hazardNum[n] is the number sent when a fall step leaves the chain at n (3..7).
TCpuOutcome CpuSimulateErase(TCpuField& f, int col, int row, const std::array<int, 8>& hazardNum);

// The blocks in their erase animation go and the falls they cause run to the end (busy cells
// are taken as erasing, so only while nothing falls).
void CpuSettleErasing(TCpuField& f);

// How far the planner looks.
struct TCpuSearch {
  int Depth = 2;             // most change shots that build one group
  int Beam = 3;              // partial groups kept per step
  bool SeeChains = true;     // counts what the fall after an erase erases
  bool SetUpChains = false;  // tries one change more that makes the fall erase again
};

// What the player sees beside its field.
struct TCpuSituation {
  int SightCol = 3, SightRow = 6;
  double MoveMs = 150;      // one sight cell
  double ShotMs = 150;      // one shot press
  bool ComboAlive = false;  // an erase now continues the combo (a shot attack)
  int RivalStock = 0;       // hazards waiting for us
  std::array<int, 8> HazardNum{0, 0, 0, 10, 10, 10, 10, 10};
  int ShotChainAdd = 2;
};

struct TCpuPlan {
  std::vector<TCpuAction> Actions;  // change shots in order, then the erase shot
  double Score = 0;                 // gain per second
  TCpuOutcome Outcome;
  int Changes = 0;    // change shots
  double TimeMs = 0;  // estimated time to the erase press
};

// Best plans first (at most `keep`); empty when no group can be built within the search depth.
std::vector<TCpuPlan> CpuFindPlans(const TCpuField& f, const TCpuSituation& s, const TCpuSearch& search,
                                   int keep = 4);

// A raise makes sense: the field is low and safe.
bool CpuWantsRaise(const TCpuField& f, int pendingLines);

}  // namespace kq
