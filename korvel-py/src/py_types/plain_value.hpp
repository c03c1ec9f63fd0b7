// The Value that plain data (plain_data.hpp) converts into, read where it lies.
#pragma once

#include <string>

#include "korvel/expected.hpp"
#include "korvel/value.hpp"
#include "py_compat.hpp"

namespace korvel::py {

// `value`, which must be plain data, as a Value whose texts borrow the strs'
// UTF-8 forms: exactly what the conversion of its PyJsonView gives. Most
// values that rules read are scalars or arrays of scalars, which are built
// here without the conversion's frames; anything else is left to it.
Expected<Value, std::string> plain_to_value(PyObject* value);

}  // namespace korvel::py
