// Lets GoogleTest show values and errors in their own text forms.
#pragma once

#include <ostream>

#include "korvel/errors.hpp"
#include "korvel/value.hpp"

namespace korvel {

inline void PrintTo(const Value& value, std::ostream* os) { *os << debug_string(value); }
inline void PrintTo(const EvalError& error, std::ostream* os) { *os << to_string(error); }

}  // namespace korvel
