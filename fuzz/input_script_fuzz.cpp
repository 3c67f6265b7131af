// Any bytes as the headless runner's input script: either every event is in range, or the
// first bad line is named.
#include <cstdint>
#include <string>
#include <vector>

#include "app/headless.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<TScriptEvent> events;
  std::string error;
  if (!ParseInputScript(text, events, error)) {
    KQ_FUZZ_CHECK(error.rfind("line ", 0) == 0);
    return 0;
  }
  for (const TScriptEvent& e : events) {
    KQ_FUZZ_CHECK(e.Tick >= 1 && e.Tick <= 0x7FFFFFFFu);
    KQ_FUZZ_CHECK(e.Pad >= 0 && e.Pad <= 7);
    switch (e.What) {
      case TScriptEvent::KeyDown:
      case TScriptEvent::KeyUp:
        KQ_FUZZ_CHECK(e.A >= 1 && e.A <= 255);
        break;
      case TScriptEvent::PadButton:
        KQ_FUZZ_CHECK(e.A >= 1 && e.A <= 32 && (e.B == 0 || e.B == 1));
        break;
      case TScriptEvent::PadAxis:
        KQ_FUZZ_CHECK(e.A >= 0 && e.A <= 5 && e.B >= -32768 && e.B <= 32767);
        break;
      case TScriptEvent::PadHat:
        KQ_FUZZ_CHECK(e.A >= 0 && e.A <= 4);
        break;
      case TScriptEvent::PadAttach:
        KQ_FUZZ_CHECK(!e.Name.empty() && e.Name.find('\n') == std::string::npos);
        KQ_FUZZ_CHECK(e.Name.find('#') == std::string::npos);
        break;
      case TScriptEvent::PadDetach:
      case TScriptEvent::Close:
        break;
      case TScriptEvent::Clipboard:
        KQ_FUZZ_CHECK(!e.Name.empty() && e.Name.find('\n') == std::string::npos);
        KQ_FUZZ_CHECK(e.Name.find('#') == std::string::npos);
        break;
    }
  }
  return 0;
}
