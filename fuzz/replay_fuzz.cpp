// Any bytes as a replay file: the reader either refuses them with a reason or gives ticks that
// code back to a file it reads the same way.
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/replay_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TReplayHeader peek;
  PeekReplayHeader(bytes, peek);
  TReplayFile f;
  std::string error;
  if (!ParseReplay(bytes, f, error)) {
    KQ_FUZZ_CHECK(!error.empty());
    return 0;
  }
  std::vector<TReplayTick> ticks;
  TReplayCursor c(f.Stream);
  TReplayTick t;
  for (uint32_t i = 0; i < f.Ticks; ++i) {
    KQ_FUZZ_CHECK(c.Next(t));
    KQ_FUZZ_CHECK(t.Move <= 0x7FFFFFFF && t.Step <= 0x7FFFFFFF && (t.Controls & ~kReplayControlMask) == 0);
    ticks.push_back(t);
  }
  KQ_FUZZ_CHECK(c.AtEnd());
  KQ_FUZZ_CHECK(PeekReplayHeader(bytes, peek) && peek.Seed == f.Header.Seed);

  TReplayEncoder e;
  for (const TReplayTick& x : ticks) e.Add(x);
  TReplayFile back;
  KQ_FUZZ_CHECK(ParseReplay(FormatReplay(f.Header, e.Ticks(), e.Stream()), back, error));
  KQ_FUZZ_CHECK(back.Ticks == f.Ticks && back.Header.Seed == f.Header.Seed &&
                back.Header.Tuning == f.Header.Tuning && back.Header.StartField == f.Header.StartField);
  TReplayCursor c2(back.Stream);
  for (const TReplayTick& x : ticks) KQ_FUZZ_CHECK(c2.Next(t) && t == x);
  return 0;
}
