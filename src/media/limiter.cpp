#include "media/limiter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kq {

TMixLimiter::TMixLimiter(int rate, double releaseMs)
    : recover_(std::exp(-1000.0 / (double(std::max(rate, 1)) * std::max(releaseMs, 0.001)))) {}

void TMixLimiter::Process(int16_t* samples, size_t frames, int channels) {
  if (channels <= 0) return;
  for (size_t f = 0; f < frames; ++f) {
    int16_t* s = samples + f * size_t(channels);
    int peak = 0;
    for (int c = 0; c < channels; ++c) peak = std::max(peak, std::abs(int(s[c])));
    const double wanted = peak == 0 ? 1.0 : std::min(1.0, kCeiling / (kMakeup * peak));
    gain_ = wanted < gain_ ? wanted : wanted + (gain_ - wanted) * recover_;
    const double k = kMakeup * gain_;
    for (int c = 0; c < channels; ++c) {
      const double v = std::clamp(std::round(s[c] * k), -kCeiling, kCeiling);
      s[c] = int16_t(v);
    }
  }
}

void TLevelStats::Add(const int16_t* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const int v = samples[i];
    if (v == 32767 || v == -32768) ++FullScale;
    Peak = std::max(Peak, std::abs(v));
  }
  Samples += count;
}

double TLevelStats::PeakDbfs() const {
  if (Peak == 0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(double(Peak) / 32768.0);
}

}  // namespace kq
