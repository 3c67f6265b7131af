#pragma once
// An invariant broken under the fuzzer is a crash it can report and minimise.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The entry libFuzzer calls (replay_main.cpp without it), defined once in each target.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#define KQ_FUZZ_CHECK(cond)                                                         \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)
