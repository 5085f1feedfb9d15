#pragma once
// Invariant checks in fuzz targets: a broken one is a crash libFuzzer keeps.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                                               \
  do {                                                                                                                 \
    if (!(cond)) {                                                                                                     \
      std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                               \
      std::abort();                                                                                                    \
    }                                                                                                                  \
  } while (0)
