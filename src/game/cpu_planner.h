#pragma once
// The computer player's planner. It plans on a copy of its player's record of the rules
// (TCpuBoard): the groups it can build with change shots it finds with the rules' flood fill on
// that copy; what an erase then does (falls, chains, the hazards they send) the rules' own erase,
// fall and chain procedures work out on a further copy, in a game state of the planner's own
// (TCpuRules). Nothing of the game's state is ever written, and the game's random stream never read.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/player.h"
#include "core/rules_context.h"

namespace kq {

constexpr int kCpuEmpty = -1;
constexpr int kCpuHazardKind = 6;  // an unturned hazard block

// What the player sees of its field, held as the rules hold it: a copy of its record with the
// blocks at rest in their cells (numbered in cell order), and the blocks it cannot aim at (busy:
// erasing or falling in the game).
struct TCpuBoard {
  TPlayerInfo Record;  // Cols and Rows are the playable field (fewer rows while trimmed)
  int Types = 6;       // colours in play
  int Limit = 4;       // smallest group that erases now (lower in rainbow mode)
  std::array<bool, kMaxCols * kFieldRows + 1> BusyBySerial{};

  int Cols() const { return Record.Cols; }
  int Rows() const { return Record.Rows; }
  bool Inside(int c, int r) const { return c >= 0 && c < Cols() && r >= 0 && r < Rows(); }
  // The block of a cell of the grid (inside the playable field or not), null for an empty one.
  const TBlock* BlockOf(int c, int r) const { return BlockAt(Record, c, r); }
  bool HasBlock(int c, int r) const { return Inside(c, r) && BlockOf(c, r); }
  // -1 empty, 0..5 colours, 6 unturned hazard.
  int Kind(int c, int r) const {
    const TBlock* b = BlockOf(c, r);
    return b ? b->Kind : kCpuEmpty;
  }
  bool Busy(int c, int r) const {
    const TBlock* b = BlockOf(c, r);
    return b && b->Serial < BusyBySerial.size() && BusyBySerial[b->Serial];
  }
  void SetBusy(int c, int r, bool busy);
  // A block a change shot recolours.
  bool Changeable(int c, int r) const {
    if (!Inside(c, r)) return false;
    const TBlock& b = Record.Cells[size_t(c)][size_t(r)];
    return b && b.Kind >= 0 && b.Kind < kCpuHazardKind && !b.Hard && !Busy(c, r);
  }
  int Height(int c) const;  // highest occupied playable row + 1
  int MaxHeight() const;
  int BlockCount() const;
  // The same blocks (kind, hard, busy) in every cell of the column.
  bool SameColumn(const TCpuBoard& o, int c) const;
  // What the player sees is the same.
  bool operator==(const TCpuBoard& o) const;
};

// What the player sees of its own field: a copy of its record (types and the erase limit from
// the settings).
TCpuBoard CpuBoardOf(const TGameConfig& config, const TPlayerInfo& p);

// Rows top first in the starting-field encoding ('.', '0'-'5', 'a'-'f' hard, 'h' hazard); the
// last string is row 0.
TCpuBoard CpuBoardFromRows(const std::vector<std::string>& rows, int cols, int types = 6, int limit = 4);

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
void CpuApplyChange(TCpuBoard& f, const TCpuAction& a);

// Blocks of the group joined to the cell, 0 for an empty cell or an unturned hazard.
int CpuGroupSize(const TCpuBoard& f, int col, int row);

struct TCpuOutcome {
  int Erased = 0;  // blocks erased by the shot and the chain it starts
  int Steps = 0;   // erasing fall steps after the shot
  int Chain = 0;   // chain level when the field settles
  int Sent = 0;    // hazard blocks the chain sends
};

// A game state of the planner's own in which the rules' procedures (EraseGroup, StartFalls,
// LandFalls, EraseLandedGroups, ChainStep) play on a copy of a board's record, with a rival whose
// stock is empty: what a chain sends is counted in full. One serves many simulations.
class TCpuRules {
 public:
  explicit TCpuRules(const std::array<int, 8>& hazardNum);
  TCpuRules(const TCpuRules&) = delete;
  TCpuRules& operator=(const TCpuRules&) = delete;

  // Takes a copy of the board to play on. Busy blocks are taken as erasing when busyErases is
  // set, else as blocks at rest.
  void Load(const TCpuBoard& f, bool busyErases = false);
  // A change shot has recoloured a block of the copy.
  void Recolour(int col, int row, int kind);
  // An erase shot lands on the cell of the copy, then every fall and chain step runs.
  TCpuOutcome Erase(int col, int row);
  // The erasing blocks go and the falls and chains they start run to the end.
  void Settle();
  // The copy as it lies now.
  const TPlayerInfo& Record() const { return state_.Players[0]; }
  // Puts the copy's field back into the board it came from.
  void Store(TCpuBoard& f) const;

 private:
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
TCpuOutcome CpuSimulateErase(TCpuBoard& f, int col, int row, const std::array<int, 8>& hazardNum);

// The blocks in their erase animation go and the falls they cause run to the end (busy cells
// are taken as erasing, so only while nothing falls).
void CpuSettleErasing(TCpuBoard& f);

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
std::vector<TCpuPlan> CpuFindPlans(const TCpuBoard& f, const TCpuSituation& s, const TCpuSearch& search,
                                   int keep = 4);

// A raise makes sense: the field is low and safe.
bool CpuWantsRaise(const TCpuBoard& f, int pendingLines);

}  // namespace kq
