// Any bytes as a field file: at most 13 rows of at most 8 cells from the field alphabet, or the
// first bad line is named.
#include <cstdint>
#include <string>
#include <vector>

#include "app/headless.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> rows;
  std::string error;
  if (!ParseFieldFile(text, rows, error)) {
    KQ_FUZZ_CHECK(error.rfind("line ", 0) == 0);
    return 0;
  }
  KQ_FUZZ_CHECK(rows.size() <= 13);
  for (const std::string& r : rows) {
    KQ_FUZZ_CHECK(r.size() <= 8);
    for (char ch : r)
      KQ_FUZZ_CHECK(ch == '.' || (ch >= '0' && ch <= '5') || (ch >= 'a' && ch <= 'f') || ch == 'h');
  }
  return 0;
}
