// Evaluation results as Python objects.
#pragma once

#include "korvel/value.hpp"
#include "py_ref.hpp"

namespace korvel::py {

// New Python objects for `value` (None, True and False excepted): ints,
// floats, strs, lists, and dicts whose keys come in the Value's ascending
// byte order. Null with the exception set: RecursionError for a value nested
// too deeply (nesting.hpp), MemoryError, or the decoding error of a text that
// is not UTF-8. `value` may borrow text from anywhere that is still alive.
Ref value_to_python(const Value& value);

}  // namespace korvel::py
