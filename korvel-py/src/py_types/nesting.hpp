// The nesting rule that every conversion between Python objects and the
// engine's data keeps: a container one level deeper than kMaxDepth is refused
// with RecursionError, and each level entered also counts against the
// interpreter's own recursion limit. The conversions walk with stacks of their
// own, so the rule bounds their memory and keeps any later recursive walk of
// the data (a copy, a release, a text form) within its stack, whatever the
// interpreter's recursion limit is.
#pragma once

#include "py_compat.hpp"

namespace korvel::py {

inline constexpr int kMaxDepth = 1000;

// Enters a container at `depth` (the number of containers around it): true,
// or false with RecursionError set. `what` completes the message of the
// depth rule: "a Python object" or "a JSON value to a Python object".
inline bool enter_nesting(std::size_t depth, const char* what) {
  if (depth >= static_cast<std::size_t>(kMaxDepth)) {
    PyErr_Format(PyExc_RecursionError, "maximum nesting depth of %d exceeded while converting %s",
                 kMaxDepth, what);
    return false;
  }
  return Py_EnterRecursiveCall(" while converting nested data") == 0;
}

// Leaves a container that enter_nesting() entered.
inline void leave_nesting() { Py_LeaveRecursiveCall(); }

}  // namespace korvel::py
