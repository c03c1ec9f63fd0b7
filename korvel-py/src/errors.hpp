// Errors at the Python boundary: engine failures become Python exceptions,
// internal stops become PanicException, and no C++ exception ever reaches the
// interpreter.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "korvel/errors.hpp"
#include "korvel/internal_stop.hpp"
#include "korvel/parse_error.hpp"
#include "py_ref.hpp"

namespace korvel::py {

// An engine failure on its way to the caller: an evaluation or access error,
// or a parse error with its own copy of the remaining input.
class PyKorvelError {
 public:
  struct Parse {
    std::string input;
    ErrorKind kind;
  };

  explicit PyKorvelError(EvalError error) : error_(std::move(error)) {}
  explicit PyKorvelError(const ParseError& error)
      : error_(Parse{std::string(error.input), error.kind}) {}

  // Sets the Python exception of the case (NameError, TypeError, ValueError,
  // RuntimeError or Exception) with its message.
  void raise() const;

 private:
  std::variant<EvalError, Parse> error_;
};

// Raises `type` with a UTF-8 message (NUL bytes included).
void raise_message(PyObject* type, std::string_view message);

// TypeError "'{}' object is not an instance of '{}'" with the qualified name
// of the object's type, or "'None' is not an instance of '{}'".
void raise_cast_error(Borrowed object, const char* class_name);

// After a failed conversion of one argument: an exception of exactly
// TypeError becomes TypeError "argument '{name}': {message}" with the first
// exception's cause; any other exception stays as it is.
void wrap_argument_error(const char* name);

// PanicException with `message`, after a report on standard error.
void raise_panic(std::string_view message);

// Raises the C++ exception being handled in Python: an internal stop as
// PanicException, std::bad_alloc as MemoryError. Call only inside a catch.
void raise_current_exception() noexcept;

// Runs the body of an entry point and returns its result, or `failure` with
// the Python exception set; nothing is thrown past it.
template <class R, class Body>
R guard(R failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    raise_current_exception();
    return failure;
  }
}

// As guard(), for deallocation, where nothing can be raised: the exception
// goes to the interpreter's unraisable-exception hook with `object`, and an
// exception pending before is kept.
void write_unraisable_current_exception(PyObject* object) noexcept;

template <class Body>
void guard_dealloc(PyObject* object, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    write_unraisable_current_exception(object);
  }
}

}  // namespace korvel::py
