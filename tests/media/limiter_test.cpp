#include "media/limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace kq {
namespace {

// A stereo sine of the given peak, in the mixer's format.
std::vector<int16_t> Sine(double peak, size_t frames, double hz = 440, int rate = 44100) {
  std::vector<int16_t> v(frames * 2);
  for (size_t f = 0; f < frames; ++f) {
    const auto s = int16_t(std::lround(peak * std::sin(2 * M_PI * hz * double(f) / rate)));
    v[2 * f] = s;
    v[2 * f + 1] = int16_t(-s);
  }
  return v;
}

TEST(MixLimiter, QuietMixGetsItsLevelBackUnchanged) {
  TMixLimiter lim;
  std::vector<int16_t> in = Sine(6000, 4410), out = in;
  lim.Process(out.data(), out.size() / 2, 2);
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], 2 * in[i]) << i;
  EXPECT_EQ(lim.Gain(), 1.0);
}

TEST(MixLimiter, LoudOverlapsStayUnderTheCeilingAndNeverReachFullScale) {
  TMixLimiter lim;
  // Half-level sources summed to the very edge of the mixer's range, even saturated samples.
  std::vector<int16_t> loud = Sine(32767, 8820, 97);
  loud[100] = -32768;
  lim.Process(loud.data(), loud.size() / 2, 2);
  TLevelStats st;
  st.Add(loud.data(), loud.size());
  EXPECT_EQ(st.FullScale, 0u);
  EXPECT_LE(st.Peak, int(TMixLimiter::kCeiling));
  EXPECT_GT(st.Peak, int(TMixLimiter::kCeiling) - 200);  // limited, not muted
  EXPECT_NEAR(st.PeakDbfs(), -1.0, 0.1);
}

TEST(MixLimiter, OneGainForBothChannelsAndRecoveryAfterABurst) {
  TMixLimiter lim(44100, 80);
  std::vector<int16_t> buf(2 * 44100, 0);
  buf[0] = 30000;  // left only: the right channel of that frame follows the same gain
  buf[1] = 10000;
  for (size_t f = 1; f < 44100; ++f) buf[2 * f] = buf[2 * f + 1] = 4000;
  lim.Process(buf.data(), 1, 2);
  EXPECT_LE(std::abs(int(buf[0])), int(TMixLimiter::kCeiling));
  EXPECT_NEAR(double(buf[0]) / buf[1], 3.0, 0.01);
  const double dipped = lim.Gain();
  EXPECT_LT(dipped, 0.5);
  // In blocks, as the mixer hands them over: state carries from one call to the next.
  for (size_t f = 1; f < 44100; f += 1024)
    lim.Process(buf.data() + 2 * f, std::min<size_t>(1024, 44100 - f), 2);
  EXPECT_LT(buf[2], 2 * 4000);          // still recovering just after the burst
  EXPECT_EQ(buf[2 * 44099], 2 * 4000);  // back to full makeup within a second
  EXPECT_GT(lim.Gain(), 0.999);
}

TEST(LevelStats, CountsFullScaleSamplesAndPeakInDb) {
  TLevelStats st;
  EXPECT_TRUE(std::isinf(st.PeakDbfs()));
  const int16_t s[] = {0, 32767, -32768, -16384, 100};
  st.Add(s, 5);
  EXPECT_EQ(st.Samples, 5u);
  EXPECT_EQ(st.FullScale, 2u);
  EXPECT_EQ(st.Peak, 32768);
  EXPECT_NEAR(st.PeakDbfs(), 0.0, 1e-9);
  TLevelStats half;
  half.Add(s + 3, 1);
  EXPECT_NEAR(half.PeakDbfs(), -6.02, 0.01);
}

}  // namespace
}  // namespace kq
