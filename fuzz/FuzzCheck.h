#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a finding: say which one and abort, so that libFuzzer
// keeps the input that broke it.
#define CHECK(condition, ...)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: CHECK failed: %s\n  ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                                   \
      std::fprintf(stderr, "\n");                                                          \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
