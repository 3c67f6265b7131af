#pragma once
// The rules' groups, falls and chain steps over any field: the play field (TPlayerInfo) and the
// computer player's working copies run the very same code.
#include <algorithm>
#include <cstdint>

#include "core/player.h"

namespace kq {

// One bit per cell of a field, index col * 13 + row.
struct TCellMask {
  uint64_t Lo = 0, Hi = 0;
  static int Index(int c, int r) { return c * kFieldRows + r; }
  bool Test(int c, int r) const {
    const int i = Index(c, r);
    return i < 64 ? (Lo >> i) & 1u : (Hi >> (i - 64)) & 1u;
  }
  void Set(int c, int r) {
    const int i = Index(c, r);
    if (i < 64)
      Lo |= uint64_t(1) << i;
    else
      Hi |= uint64_t(1) << (i - 64);
  }
  void Add(const TCellMask& o) {
    Lo |= o.Lo;
    Hi |= o.Hi;
  }
  bool operator==(const TCellMask&) const = default;
};

// The group joined to (col, row): the blocks of its kind reached through edges (never corners)
// inside the first `cols` columns and `rows` rows. kindAt(c, r) is the kind of the block in a
// cell, negative for an empty one. Adds the group to `mask` (cells already in it are not entered)
// and returns its size; 0 for an empty start cell.
template <class KindAt>
int FloodGroup(const KindAt& kindAt, int cols, int rows, int col, int row, TCellMask& mask) {
  cols = std::min(cols, kMaxCols);
  rows = std::min(rows, kFieldRows);
  if (col < 0 || col >= cols || row < 0 || row >= rows) return 0;
  const int kind = kindAt(col, row);
  if (kind < 0) return 0;
  int stack[kMaxCols * kFieldRows];
  int top = 0, n = 0;
  stack[top++] = TCellMask::Index(col, row);
  mask.Set(col, row);
  while (top > 0) {
    const int i = stack[--top];
    const int c = i / kFieldRows, r = i % kFieldRows;
    ++n;
    const int nb[4][2] = {{c, r + 1}, {c, r - 1}, {c - 1, r}, {c + 1, r}};
    for (const auto& q : nb) {
      if (q[0] < 0 || q[0] >= cols || q[1] < 0 || q[1] >= rows || mask.Test(q[0], q[1])) continue;
      if (kindAt(q[0], q[1]) != kind) continue;
      mask.Set(q[0], q[1]);
      stack[top++] = TCellMask::Index(q[0], q[1]);
    }
  }
  return n;
}

// After an erase, every block above a gap of its column falls onto what is below it. Calls
// fall(col, fromRow, toRow) for each block that moves, column by column, each from the bottom up
// (the order in which the landed blocks are then tested for groups). occupied(c, r) tells a block
// that stays on the field.
template <class Occupied, class Fall>
void ForEachFall(int cols, int rows, const Occupied& occupied, const Fall& fall) {
  for (int c = 0; c < cols; ++c) {
    int gap = 0;
    for (int r = 0; r < rows; ++r) {
      if (!occupied(c, r)) {
        ++gap;
        continue;
      }
      if (gap != 0) fall(c, r, r - gap);
    }
  }
}

// The chain level after a fall step that erased `groups` groups.
inline int NextChain(int chain, int groups) {
  return std::min(chain + groups, 7);
}

// A chain this long sends hazard blocks to the rival (HazardBlockNum of the chain).
inline bool ChainAttacks(int chain) {
  return chain > 2;
}

}  // namespace kq
