#include "errors.hpp"

#include <cstdio>
#include <string>
#include <type_traits>

#include "once_cell.hpp"

namespace korvel::py {
namespace {

struct PythonError {
  PyObject* type;
  std::string message;
};

// The exception table. A failed call is raised as the error of the callee.
PythonError describe(const EvalError& error) {
  const EvalError* innermost = &error;
  while (const auto* call = std::get_if<FnCallError>(&innermost->error)) {
    innermost = &*call->error;
  }
  return std::visit(
      [innermost](const auto& c) -> PythonError {
        using Case = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<Case, VarAccessError>) {
          return {PyExc_NameError, to_string(c)};
        } else if constexpr (std::is_same_v<Case, EvalError::UndefinedFunction>) {
          return {PyExc_NameError, to_string(*innermost)};
        } else if constexpr (std::is_same_v<Case, EvalError::TypeError>) {
          return {PyExc_TypeError, c.message};
        } else if constexpr (std::is_same_v<Case, EvalError::ValueError> ||
                             std::is_same_v<Case, EvalError::RegexError>) {
          return {PyExc_ValueError, c.message};
        } else if constexpr (std::is_same_v<Case, EvalError::ArgumentError>) {
          return {PyExc_ValueError, "Expected " + std::to_string(c.expected) + " arguments, got " +
                                        std::to_string(c.given)};
        } else if constexpr (std::is_same_v<Case, EvalError::AsyncInSyncContext>) {
          return {PyExc_RuntimeError, "Cannot call an async function in a synchronous context"};
        } else if constexpr (std::is_same_v<Case, EvalError::Custom>) {
          return {PyExc_Exception, c.message};
        } else {
          static_assert(std::is_same_v<Case, FnCallError>);  // unwrapped above
          internal_stop("Failed to convert PyKorvelError to PyErr");
        }
      },
      innermost->error);
}

OnceCell panic_exception_cell;

PyObject* panic_exception_type() {
  return panic_exception_cell.get_or_init([] {
    return Ref::steal(PyErr_NewExceptionWithDoc(
        "pyo3_runtime.PanicException",
        "Raised when a call stops on a broken internal invariant of korvel.\n\n"
        "Derived from BaseException, so that handlers of Exception let it pass.",
        PyExc_BaseException, nullptr));
  });
}

// Writes without allocating: the report must get out even when memory is
// what ran short.
void report_stop(std::string_view message) {
  std::fputs("korvel: internal stop: ", stderr);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

void PyKorvelError::raise() const {
  if (const auto* parse = std::get_if<Parse>(&error_)) {
    raise_message(PyExc_ValueError, to_string(ParseError{parse->input, parse->kind}));
    return;
  }
  const PythonError error = describe(*std::get_if<EvalError>(&error_));
  raise_message(error.type, error.message);
}

void raise_message(PyObject* type, std::string_view message) {
  // Engine texts are UTF-8 by construction; "replace" keeps even a broken
  // one from turning into a second error.
  Ref text = Ref::steal(
      PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
  if (text) PyErr_SetObject(type, text.get());
}

void raise_cast_error(Borrowed object, const char* class_name) {
  if (object.is(Py_None)) {
    PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", class_name);
    return;
  }
  Ref qualname = Ref::steal(PyType_GetQualName(object.type()));
  if (!qualname) return;
  PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", qualname.get(),
               class_name);
}

void wrap_argument_error(const char* name) {
  Ref error = Ref::steal(PyErr_GetRaisedException());
  if (!error || !Py_IS_TYPE(error.get(), reinterpret_cast<PyTypeObject*>(PyExc_TypeError))) {
    PyErr_SetRaisedException(error.release());
    return;
  }
  Ref text = Ref::steal(PyObject_Str(error.get()));
  if (!text) {
    PyErr_Clear();
    text = Ref::steal(PyUnicode_FromString("<exception str() failed>"));
    if (!text) return;
  }
  Ref message = Ref::steal(PyUnicode_FromFormat("argument '%s': %U", name, text.get()));
  if (!message) return;
  Ref wrapped = Ref::steal(PyObject_CallOneArg(PyExc_TypeError, message.get()));
  if (!wrapped) return;
  // Setting the cause, even to none, also suppresses the context.
  PyException_SetCause(wrapped.get(), PyException_GetCause(error.get()));
  PyErr_SetRaisedException(wrapped.release());
}

void raise_panic(std::string_view message) {
  report_stop(message);
  // Without the type, the failure to make it is what the caller sees.
  if (PyObject* type = panic_exception_type()) raise_message(type, message);
}

void raise_current_exception() noexcept {
  try {
    throw;
  } catch (const InternalStop& stop) {
    raise_panic(stop.message());
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& error) {
    raise_panic(error.what());
  } catch (...) {
    raise_panic("unknown C++ exception");
  }
}

void write_unraisable_current_exception(PyObject* object) noexcept {
  Ref pending = Ref::steal(PyErr_GetRaisedException());
  raise_current_exception();
  PyErr_WriteUnraisable(object);
  PyErr_SetRaisedException(pending.release());
}

}  // namespace korvel::py
