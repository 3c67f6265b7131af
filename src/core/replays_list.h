#pragma once
// What the replays screen keeps while it is shown: the folder's files (headers read as rows come
// into view), the highlighted row, the first row shown and the delete question.
#include <string>
#include <vector>

#include "config/replay_store.h"

namespace kq {

struct TReplaysList {
  std::vector<TReplayEntry> Entries;
  int Cursor = 0;
  int Top = 0;
  bool Asking = false;   // "delete?" waits for its answer
  std::string Notice;    // the outcome of the last action, or why a file cannot be played
  bool NoticeBad = false;
};

}  // namespace kq
