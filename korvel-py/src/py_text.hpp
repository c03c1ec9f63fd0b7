// The UTF-8 text of a str, read without copying, and a str made from UTF-8 text.
#pragma once

#include <optional>
#include <string_view>

#include "py_ref.hpp"

namespace korvel::py {

// The text of `str`, which must be a str; it stays valid as long as the str
// lives. Absent, with the interpreter's encoding error set, for a str that
// has no UTF-8 form (one holding a lone surrogate).
inline std::optional<std::string_view> utf8_text(PyObject* str) {
  Py_ssize_t size;
  const char* text = PyUnicode_AsUTF8AndSize(str, &size);
  if (text == nullptr) return std::nullopt;
  return std::string_view(text, static_cast<std::size_t>(size));
}

// A new str decoded from UTF-8 text, or null with the exception set.
inline Ref python_text(std::string_view text) {
  return Ref::steal(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr));
}

}  // namespace korvel::py
