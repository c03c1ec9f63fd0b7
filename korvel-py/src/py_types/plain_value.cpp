#include "py_types/plain_value.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "korvel/value-inl.hpp"
#include "py_types/jsonview.hpp"

namespace korvel::py {
namespace {

// The UTF-8 form of a plain str. An ASCII str is its own UTF-8 form; any
// other keeps the form that the check made.
std::string_view str_text(PyObject* str) {
  if (PyUnicode_IS_COMPACT_ASCII(str)) {
    return {static_cast<const char*>(PyUnicode_DATA(str)),
            static_cast<std::size_t>(PyUnicode_GET_LENGTH(str))};
  }
  Py_ssize_t size;
  const char* text = PyUnicode_AsUTF8AndSize(str, &size);
  return {text, static_cast<std::size_t>(size)};
}

// A scalar whose Value needs none of the conversion's range rules, or
// nothing for a container and for an int beyond 64 signed bits.
std::optional<Value> simple_scalar(PyObject* value) {
  if (PyUnicode_CheckExact(value)) return Value(Text::borrowed(str_text(value)));
  if (PyLong_CheckExact(value)) {
    int overflow;
    const long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
    if (overflow != 0) return std::nullopt;
    return Value(static_cast<std::int64_t>(number));
  }
  if (PyFloat_CheckExact(value)) return Value(PyFloat_AS_DOUBLE(value));
  if (PyBool_Check(value)) return Value(value == Py_True);
  if (value == Py_None) return Value();
  return std::nullopt;
}

}  // namespace

Expected<Value, std::string> plain_to_value(PyObject* value) {
  if (std::optional<Value> scalar = simple_scalar(value)) return std::move(*scalar);
  if (PyList_CheckExact(value) || PyTuple_CheckExact(value)) {
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(value);
    PyObject* const* items = PySequence_Fast_ITEMS(value);
    Array array;
    array.reserve(static_cast<std::size_t>(size));
    for (Py_ssize_t i = 0; i < size; ++i) {
      std::optional<Value> item = simple_scalar(items[i]);
      if (!item) return Value::from_json_object_ref(PyJsonView::of(value));
      array.push_back(std::move(*item));
    }
    return Value(std::move(array));
  }
  return Value::from_json_object_ref(PyJsonView::of(value));
}

}  // namespace korvel::py
