// Plain data: Python data that the engine may read in place.
//
// Data is plain when it holds nothing but exact dicts with exact str keys,
// lists, tuples, exact strs, ints and floats, bools and None; when every str
// has a UTF-8 form and every int lies within the range of a double; and when
// no container is nested more deeply than the conversion allows
// (nesting.hpp, the interpreter's recursion check included). Converting such
// data into PyJsonValue runs no Python code and cannot fail, and PyJsonView
// reads it exactly as it reads the copy: the engine then reads it where it
// lies, with the same results and errors.
//
// The checks themselves run no Python code and call no method of the objects
// they look at. On anything else they answer false before touching it, and the
// caller runs the copying conversion from the start, which then runs the
// objects' Python code just as it always does.
#pragma once

#include "py_compat.hpp"

namespace korvel::py {

// Whether `value` is plain data.
bool is_plain_data(PyObject* value);

// Whether `bindings` is an exact dict whose keys are exact strs with a UTF-8
// form and whose values are plain data.
bool is_plain_bindings(PyObject* bindings);

// While the engine reads plain data in place and until its results are
// built, no Python code may run, or the data could change under it. Before
// 3.12 the cyclic collector can run inside the allocation of any container,
// and with it finalizers, Python code; it is paused for as long as this lives.
// No other Python code runs meanwhile that could see the pause.
class CollectorPause {
 public:
  CollectorPause() {
#if PY_VERSION_HEX < 0x030C0000
    was_enabled_ = PyGC_Disable() != 0;
#endif
  }
  CollectorPause(const CollectorPause&) = delete;
  CollectorPause& operator=(const CollectorPause&) = delete;
  ~CollectorPause() {
    if (was_enabled_) PyGC_Enable();
  }

 private:
  bool was_enabled_ = false;
};

}  // namespace korvel::py
