#pragma once
// Sounds of a game that can go back in time (rollback): which were heard, on which tick. After a
// re-run of ticks, a sound that no longer happens is stopped, one that now happens plays if its
// tick was at most kLateSoundMs ago, and one that happens again as before is not played twice.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

constexpr uint32_t kLateSoundMs = 100;

class TSoundLedger {
 public:
  // A tick runs for the first time at wall time nowMs (the clock a late sound is judged by).
  void TickRuns(uint32_t tick, uint32_t nowMs);
  // The rules ask for a sound on `tick`. True: play it now. During a re-run it is only noted.
  bool Request(uint32_t tick, std::string_view name);
  // Ticks from fromTick on run again.
  void BeginRerun(uint32_t fromTick);
  struct TChanges {
    std::vector<std::string> Stop;  // heard, but their ticks no longer make them
    std::vector<std::string> Play;  // made by the re-run, recent enough to be heard late
    bool operator==(const TChanges&) const = default;
  };
  TChanges EndRerun(uint32_t nowMs);
  // Ticks up to here are final.
  void ForgetThrough(uint32_t tick);
  bool Rerunning() const { return rerunFrom_ != 0; }

 private:
  struct TCue {
    uint32_t Tick;
    std::string Name;
    bool Heard;  // played (or a re-run found it already played)
  };
  std::vector<TCue> cues_;    // in the order asked
  std::vector<TCue> before_;  // the cues of re-run ticks as they stood before the re-run
  std::map<uint32_t, uint32_t> tickMs_;
  uint32_t rerunFrom_ = 0;
};

}  // namespace kq
