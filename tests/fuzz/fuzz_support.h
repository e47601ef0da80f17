// What the fuzz targets share: reading the fuzzer's bytes one at a time, and stopping
// the run with a named reason when an invariant breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline void Check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

// The input, byte by byte; 0 once it is used up.
struct ByteReader {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Next() {
    if (size == 0) {
      return 0;
    }
    --size;
    return *data++;
  }
};
