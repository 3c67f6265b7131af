// Any bytes as a packet from the rival: decoding never trusts more than it holds, what decodes
// reads back the same after writing, and the lockstep window takes any decoded inputs safely.
#include <cstdint>
#include <variant>

#include "fuzz_check.h"
#include "net/lockstep.h"
#include "net/net_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq::net;
  auto m = Decode(std::span(data, size));
  if (!m) return 0;
  auto again = Decode(Encode(*m));
  KQ_FUZZ_CHECK(again.has_value());
  KQ_FUZZ_CHECK(*again == *m);
  if (const auto* in = std::get_if<TInputs>(&*m)) {
    KQ_FUZZ_CHECK(in->States.size() <= kMaxInputTicks);
    TLockstep a(0, 3, 0xf0, in->Round);
    a.Sample(1);
    a.Receive(*in);
    while (a.Ready()) {
      a.Advance();
      a.Sample(2);
    }
    KQ_FUZZ_CHECK(a.NextTick() <= 1 + 3 + kInputWindow);
  }
  return 0;
}
