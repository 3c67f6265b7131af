#pragma once
// An invariant broken under the fuzzer is a crash it can report and minimise.
#include <cstdio>
#include <cstdlib>

#define KQ_FUZZ_CHECK(cond)                                                         \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)
