#pragma once
// The game's one random generator. Deterministic for a given seed on every platform, so a
// recorded seed and input replay the same game.
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

  // Uniform real in [0, 1).
  double RandomReal() { return (Next() >> 5) * (1.0 / 134217728.0); }

 private:
  uint64_t state_ = 0;
  uint64_t inc_ = 1;
};

}  // namespace kq
