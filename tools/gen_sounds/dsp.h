#pragma once
// A few building blocks for synthesising short effects: oscillators, envelopes, filters and a
// mono float buffer written out as 16-bit PCM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kq::gen {

inline constexpr int kRate = 44100;
inline constexpr double kPi = 3.14159265358979323846;

struct TSound {
  std::vector<float> S;
  explicit TSound(double seconds) : S(size_t(seconds * kRate), 0.0f) {}
  size_t Size() const { return S.size(); }
  double Time(size_t i) const { return double(i) / kRate; }
};

// Deterministic white noise in [-1, 1].
class TNoise {
 public:
  explicit TNoise(uint32_t seed) : state_(seed ? seed : 1) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return double(state_) / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

// Phase accumulator, so frequency may change from sample to sample.
class TOsc {
 public:
  double Sine(double hz) { return std::sin(2 * kPi * Step(hz)); }
  double Square(double hz) { return Step(hz) < 0.5 ? 1.0 : -1.0; }
  double Saw(double hz) { return 2.0 * Step(hz) - 1.0; }
  double Triangle(double hz) {
    double p = Step(hz);
    return p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
  }

 private:
  double Step(double hz) {
    double p = phase_;
    phase_ += hz / kRate;
    phase_ -= std::floor(phase_);
    return p;
  }
  double phase_ = 0;
};

// Linear attack, then exponential decay with the given time constant.
inline double AttackDecay(double t, double attack, double decay) {
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// Fades the last ms of a sound to silence, so no sound ends in a click.
inline void FadeOut(TSound& s, double seconds) {
  size_t n = std::min(s.Size(), size_t(seconds * kRate));
  for (size_t i = 0; i < n; ++i) s.S[s.Size() - 1 - i] *= float(double(i) / double(n));
}

// State-variable filter; cutoff may change per sample.
class TFilter {
 public:
  explicit TFilter(double q = 0.7) : damp_(1.0 / q) {}
  // Returns low, band and high outputs through the references.
  void Run(double in, double cutoff, double& low, double& band, double& high) {
    double f = 2 * std::sin(kPi * std::min(cutoff, kRate / 6.0) / kRate);
    low_ += f * band_;
    high = in - low_ - damp_ * band_;
    band_ += f * high;
    low = low_;
    band = band_;
  }
  double Low(double in, double cutoff) {
    double l, b, h;
    Run(in, cutoff, l, b, h);
    return l;
  }
  double Band(double in, double cutoff) {
    double l, b, h;
    Run(in, cutoff, l, b, h);
    return b;
  }

 private:
  double damp_;
  double low_ = 0, band_ = 0;
};

inline double NoteHz(double midi) {
  return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// Scales to the given peak (of 1.0 full scale).
inline void Normalize(TSound& s, double peak) {
  float m = 0;
  for (float v : s.S) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  float k = float(peak / m);
  for (float& v : s.S) v *= k;
}

inline std::vector<int16_t> ToPcm16(const TSound& s) {
  std::vector<int16_t> out(s.Size());
  for (size_t i = 0; i < s.Size(); ++i)
    out[i] = int16_t(std::lround(std::clamp(s.S[i], -1.0f, 1.0f) * 32767));
  return out;
}

}  // namespace kq::gen
