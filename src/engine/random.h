#pragma once
// The game's random generators. Deterministic for a given seed on every platform, so a recorded
// seed and input replay the same game.
#include <cstdint>

namespace kq {

class TRandom {
 public:
  explicit TRandom(uint64_t seed = 1) { Seed(seed); }

  void Seed(uint64_t seed) {
    state_ = 0;
    inc_ = (seed << 1u) | 1u;
    Next();
    state_ += seed;
    Next();
  }

  // PCG32 (XSH RR).
  uint32_t Next() {
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + inc_;
    uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((-rot) & 31));
  }

  // Uniform integer in [0, n); 0 when n <= 0.
  int Random(int n) {
    if (n <= 0) return 0;
    uint32_t bound = static_cast<uint32_t>(n);
    uint32_t threshold = (0u - bound) % bound;  // rejection keeps it unbiased
    for (;;) {
      uint32_t r = Next();
      if (r >= threshold) return static_cast<int>(r % bound);
    }
  }

  // Two draws as one 64-bit value (a fresh seed).
  uint64_t Next64() {
    const uint64_t hi = Next();
    return (hi << 32) | Next();
  }

  // Where the stream stands (two machines compare it to prove they agree).
  uint64_t State() const { return state_ ^ (inc_ << 1); }

  // The generator's two words (a hash of the state it belongs to takes both).
  uint64_t Word() const { return state_; }
  uint64_t Increment() const { return inc_; }

  // Uniform real in [0, 1).
  double RandomReal() { return (Next() >> 5) * (1.0 / 134217728.0); }

 private:
  uint64_t state_ = 0;
  uint64_t inc_ = 1;
};

// SplitMix64 finaliser: derives independent seeds from one seed and a stream number.
inline uint64_t MixSeed(uint64_t seed, uint64_t stream) {
  uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (stream + 1);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace kq
