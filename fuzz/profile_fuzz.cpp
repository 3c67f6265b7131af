// Any bytes as the INI file: the settings stay in range, and writing them back changes nothing
// that reading sees.
#include <cstdint>
#include <string>

#include "config/config_file.h"
#include "config/profile.h"
#include "fuzz_check.h"

namespace {

// A line break in a value is written as a blank.
bool RoundTrips(const std::string& s) {
  return s.find('\r') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  TProfile ini(std::string(reinterpret_cast<const char*>(data), size));
  const TGameConfig a = ReadConfig(ini);
  KQ_FUZZ_CHECK(a.TotalBlockType >= 3 && a.TotalBlockType <= 6);
  KQ_FUZZ_CHECK(a.BlockStartLine >= 0 && a.BlockStartLine <= 10);
  KQ_FUZZ_CHECK(a.EraseLowerLimit >= 2 && a.EraseLowerLimit <= 7);
  KQ_FUZZ_CHECK(a.LineTrimingPeriod >= 1000 && a.LineTrimingPeriod <= 1000000);
  KQ_FUZZ_CHECK(a.PowerIncPerBlock >= 0.01 && a.PowerIncPerBlock <= 100);
  KQ_FUZZ_CHECK(a.RainbowIncPerBlock >= 0.01 && a.RainbowIncPerBlock <= 100);
  for (int n = 3; n <= 7; ++n) KQ_FUZZ_CHECK(a.HazardBlockNum[n] >= 1 && a.HazardBlockNum[n] <= 99);

  WriteConfig(ini, a);
  const std::string once = ini.Text();
  TGameConfig b = ReadConfig(TProfile(once));
  KQ_FUZZ_CHECK(ReadConfig(ini) == b);  // the index kept up by the writes matches a new parse
  if (!RoundTrips(a.JoyName1P)) b.JoyName1P = a.JoyName1P;
  if (!RoundTrips(a.JoyName2P)) b.JoyName2P = a.JoyName2P;
  KQ_FUZZ_CHECK(a == b);

  WriteConfig(ini, a);  // the same values again: not one byte may change
  KQ_FUZZ_CHECK(ini.Text() == once);
  return 0;
}
