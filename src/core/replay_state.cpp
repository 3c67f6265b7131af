#include "core/replay_state.h"

#include "config/replay_store.h"
#include "core/context.h"

namespace kq {

void CanonicalActions(TKeyAssign& k) {
  k.J01 = 4;
  k.J02 = 5;
  k.J03 = 6;
  k.J04 = 7;
}

void TSavedSettings::Take(const GameContext& g) {
  Config = g.Config;
  Mode = g.GameMode;
  Cols = g.FieldCols;
  Rows = g.FieldRows;
  Field = g.StartField;
  HasField = g.HasStartField;
}

void TSavedSettings::Restore(GameContext& g) const {
  g.Config = Config;
  g.GameMode = Mode;
  g.FieldCols = Cols;
  g.FieldRows = Rows;
  g.StartField = Field;
  g.HasStartField = HasField;
}

// --- writer ------------------------------------------------------------------------------

void TReplayWriter::Save(std::vector<std::string> dirs, const TReplayHeader& h, std::string bytes,
                         const THiScoreTable& ranking) {
  if (worker_.joinable()) worker_.join();  // its error stays for Wait
  worker_ = std::thread([this, dirs = std::move(dirs), h, bytes = std::move(bytes), ranking] {
    std::string error;
    SaveReplay(dirs, h, bytes, ranking, error);
    if (error.empty()) return;
    std::lock_guard<std::mutex> lock(m_);
    error_ += (error_.empty() ? "" : "\n") + error;
  });
}

std::string TReplayWriter::Wait() {
  if (worker_.joinable()) worker_.join();
  std::lock_guard<std::mutex> lock(m_);
  std::string e;
  e.swap(error_);
  return e;
}

}  // namespace kq
