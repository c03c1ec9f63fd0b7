// Checks shared by the fuzz targets: a failed check aborts, which libFuzzer
// reports as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "korvel/internal_stop.hpp"

namespace korvel::fuzz {

inline void check(bool condition) {
  if (!condition) std::abort();
}

// Whether `part` views the end of `whole` (the same bytes, not a copy).
inline bool is_suffix(std::string_view part, std::string_view whole) {
  return part.data() + part.size() == whole.data() + whole.size() && part.size() <= whole.size();
}

// Runs f; an internal stop is a broken invariant of the engine.
template <class F>
void abort_on_internal_stop(F&& f) {
  try {
    f();
  } catch (const InternalStop& stop) {
    std::fprintf(stderr, "internal stop: %s\n", stop.what());
    std::abort();
  }
}

}  // namespace korvel::fuzz
