#pragma once
// The final mix's level: every source (effects, voices, music) enters the mixer at half level,
// so the mixer's saturating sum keeps a whole full scale of headroom for overlaps; this limiter
// then gives the mix its level back and pulls the loud overlaps under a ceiling instead of
// letting them clip. Pure sample arithmetic, so it tests on plain buffers.
#include <cstddef>
#include <cstdint>

namespace kq {

class TMixLimiter {
 public:
  // What the sources lose on the way in and the limiter gives back.
  static constexpr double kMakeup = 2.0;
  // -1 dBFS: no output sample goes beyond it.
  static constexpr double kCeiling = 29204.0;

  explicit TMixLimiter(int rate = 44100, double releaseMs = 80.0);

  // Interleaved 16-bit frames, changed in place. One gain for all channels of a frame, so a
  // stereo image stays where it is. The gain drops at once to what the loudest sample of a frame
  // needs and recovers over the release time.
  void Process(int16_t* samples, size_t frames, int channels);

  double Gain() const { return gain_; }

 private:
  double gain_ = 1.0;
  double recover_;  // per frame: gap to the wanted gain kept
};

// Level figures of a stretch of 16-bit samples.
struct TLevelStats {
  uint64_t Samples = 0;
  uint64_t FullScale = 0;  // samples at +32767 or -32768
  int Peak = 0;            // largest magnitude (32768 for -32768)
  void Add(const int16_t* samples, size_t count);
  // Peak relative to full scale, in dB (-inf for silence).
  double PeakDbfs() const;
};

}  // namespace kq
