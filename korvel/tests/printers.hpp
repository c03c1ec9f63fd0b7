// Values and errors in their own text forms, for expectations and for
// GoogleTest's messages.
#pragma once

#include <ostream>
#include <string>

#include "korvel/errors.hpp"
#include "korvel/value.hpp"

namespace korvel {

inline std::string debug_string(const Value& value) {
  std::string out;
  write_debug(out, value);
  return out;
}

inline void PrintTo(const Value& value, std::ostream* os) { *os << debug_string(value); }
inline void PrintTo(const EvalError& error, std::ostream* os) { *os << to_string(error); }

}  // namespace korvel
