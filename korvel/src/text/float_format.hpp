// A double in decimal: the shortest digits that read back as the same double,
// in the notation the caller asks for.
#pragma once

#include <string>

namespace korvel {

enum class FloatNotation {
  kPositional,              // 3, 2.5, -0, 0.0000001, 1e21 as a 1 and 21 zeros
  kPositionalWithFraction,  // 3.0, 2.5, -0.0, 0.0000001
  kExponent,                // 1e16, 1.5e-5, -2.5e20, 3e0
};

// NaN and the infinities are written NaN, inf and -inf in every notation.
void write_float(std::string& out, double x, FloatNotation notation);

}  // namespace korvel
