// Any bytes as a packet from the rival or a spectator: decoding never trusts more than it holds,
// what decodes reads back the same after writing, and the rollback inputs and the spectator's
// store take any decoded message safely.
#include <cstdint>
#include <variant>

#include "fuzz_check.h"
#include "net/net_packet.h"
#include "net/rollback.h"
#include "net/watch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq::net;
  auto m = Decode(std::span(data, size));
  if (!m) return 0;
  auto again = Decode(Encode(*m));
  KQ_FUZZ_CHECK(again.has_value());
  KQ_FUZZ_CHECK(*again == *m);
  if (const auto* in = std::get_if<TInputs>(&*m)) {
    KQ_FUZZ_CHECK(in->States.size() <= kMaxInputTicks);
    TRollbackInputs a(0, 3, 0xf0, in->Round);
    a.Sample(1);
    a.Receive(*in);
    for (int n = 0; n < 100 && a.CanAdvance(); ++n) {
      a.Advance();
      a.TakeRollback();
      a.Sample(2);
    }
    KQ_FUZZ_CHECK(a.NextTick() <= 1 + kPredictionWindow + kMaxInputTicks + 3);
  }
  if (const auto* w = std::get_if<TWatchInputs>(&*m)) {
    KQ_FUZZ_CHECK(w->States.size() <= kMaxWatchTicks);
    TWatchFeed f;
    f.Receive(*w);
    f.Receive(*w);
    KQ_FUZZ_CHECK(f.Held(w->Round) <= kMaxWatchTicks);
    KQ_FUZZ_CHECK(f.Counters().Conflict == 0);
  }
  return 0;
}
