// The error boundary against an embedded interpreter.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "errors.hpp"

namespace korvel::py {
namespace {

using namespace std::string_literals;

// The pending exception, fetched and cleared.
struct Raised {
  Ref exception;

  std::string type_name() const {
    Ref name = Ref::steal(PyType_GetQualName(Py_TYPE(exception.get())));
    return PyUnicode_AsUTF8(name.get());
  }
  std::string module_name() const {
    Ref name = Ref::steal(PyObject_GetAttrString(
        reinterpret_cast<PyObject*>(Py_TYPE(exception.get())), "__module__"));
    return PyUnicode_AsUTF8(name.get());
  }
  std::string message() const {
    Ref text = Ref::steal(PyObject_Str(exception.get()));
    Py_ssize_t size;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text.get(), &size);
    return std::string(utf8, static_cast<std::size_t>(size));
  }
  bool is_instance(PyObject* type) const { return PyObject_IsInstance(exception.get(), type) == 1; }
};

Raised fetch() {
  EXPECT_NE(PyErr_Occurred(), nullptr);
  return Raised{Ref::steal(PyErr_GetRaisedException())};
}

template <class Body>
Raised guarded(Body body) {
  PyObject* result = guard<PyObject*>(nullptr, [&]() -> PyObject* {
    body();
    return Py_NewRef(Py_None);
  });
  EXPECT_EQ(result, nullptr);
  return fetch();
}

TEST(GuardTest, InternalStopBecomesPanicExceptionWithAReport) {
  testing::internal::CaptureStderr();
  Raised raised = guarded([] { internal_stop("Value stack underflow"); });
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "korvel: internal stop: Value stack underflow\n");

  EXPECT_EQ(raised.type_name(), "PanicException");
  EXPECT_EQ(raised.module_name(), "pyo3_runtime");
  EXPECT_EQ(raised.message(), "Value stack underflow");
  EXPECT_TRUE(raised.is_instance(PyExc_BaseException));
  EXPECT_FALSE(raised.is_instance(PyExc_Exception));

  // The type is made once.
  testing::internal::CaptureStderr();
  Raised again = guarded([] { internal_stop("Object key stack underflow"); });
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(Py_TYPE(again.exception.get()), Py_TYPE(raised.exception.get()));
}

TEST(GuardTest, ExhaustedMemoryBecomesMemoryError) {
  Raised raised = guarded([] { throw std::bad_alloc(); });
  EXPECT_TRUE(
      Py_IS_TYPE(raised.exception.get(), reinterpret_cast<PyTypeObject*>(PyExc_MemoryError)));
}

TEST(GuardTest, AnyOtherCppExceptionIsStoppedToo) {
  testing::internal::CaptureStderr();
  Raised raised = guarded([] { throw std::length_error("vector::reserve"); });
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(raised.type_name(), "PanicException");
  EXPECT_EQ(raised.message(), "vector::reserve");
  EXPECT_FALSE(raised.is_instance(PyExc_Exception));
}

TEST(GuardTest, AStopDuringDeallocationGoesToTheUnraisableHookAndKeepsThePendingError) {
  Ref sys = Ref::steal(PyImport_ImportModule("sys"));
  Ref seen = Ref::steal(PyList_New(0));
  Ref globals = Ref::steal(PyDict_New());
  PyDict_SetItemString(globals.get(), "seen", seen.get());
  PyDict_SetItemString(globals.get(), "__builtins__", PyEval_GetBuiltins());
  Ref hook = Ref::steal(PyRun_String("lambda info: seen.append((info.exc_value, info.object))",
                                     Py_eval_input, globals.get(), globals.get()));
  ASSERT_TRUE(hook);
  Ref old_hook = Ref::steal(PyObject_GetAttrString(sys.get(), "unraisablehook"));
  PyObject_SetAttrString(sys.get(), "unraisablehook", hook.get());

  PyErr_SetString(PyExc_KeyError, "pending");
  Ref object = Ref::steal(PyUnicode_FromString("dying object"));
  testing::internal::CaptureStderr();
  guard_dealloc(object.get(), [] { internal_stop("stop in dealloc"); });
  testing::internal::GetCapturedStderr();

  Raised pending = fetch();
  EXPECT_EQ(pending.type_name(), "KeyError");
  PyObject_SetAttrString(sys.get(), "unraisablehook", old_hook.get());

  ASSERT_EQ(PyList_GET_SIZE(seen.get()), 1);
  PyObject* entry = PyList_GET_ITEM(seen.get(), 0);
  Raised reported{Ref::new_ref(PyTuple_GET_ITEM(entry, 0))};
  EXPECT_EQ(reported.type_name(), "PanicException");
  EXPECT_EQ(reported.message(), "stop in dealloc");
  EXPECT_EQ(PyTuple_GET_ITEM(entry, 1), object.get());
}

struct TableCase {
  EvalError error;
  PyObject* type;
  std::string message;
};

TEST(PyKorvelErrorTest, EveryCaseRaisesItsExceptionTypeAndMessage) {
  auto call_error = [](EvalError inner) {
    return EvalError(FnCallError{"len", Box<EvalError>(std::move(inner))});
  };
  const TableCase cases[] = {
      {EvalError(VarAccessError(VarAccessError::VariableNotFound{"x"})), PyExc_NameError,
       "Variable not found: x"},
      {EvalError(VarAccessError(VarAccessError::Empty{})), PyExc_NameError,
       "Variable access is empty"},
      {EvalError(VarAccessError(VarAccessError::ConversionError{"Unsupported value type"})),
       PyExc_NameError, "Conversion error: Unsupported value type"},
      {EvalError(EvalError::UndefinedFunction{"f"}), PyExc_NameError, "Undefined function: f"},
      {EvalError(EvalError::TypeError{"bad type"}), PyExc_TypeError, "bad type"},
      {EvalError(EvalError::ValueError{"bad value"}), PyExc_ValueError, "bad value"},
      {EvalError(EvalError::RegexError{"Invalid regex pattern: ("}), PyExc_ValueError,
       "Invalid regex pattern: ("},
      {EvalError(EvalError::ArgumentError{1, 0}), PyExc_ValueError, "Expected 1 arguments, got 0"},
      {EvalError(EvalError::AsyncInSyncContext{}), PyExc_RuntimeError,
       "Cannot call an async function in a synchronous context"},
      {EvalError(EvalError::Custom{"custom"}), PyExc_Exception, "custom"},
      {call_error(EvalError::TypeError{"Expected a string, array, or object, got: 'int'"}),
       PyExc_TypeError, "Expected a string, array, or object, got: 'int'"},
      {call_error(EvalError::ArgumentError{1, 2}), PyExc_ValueError, "Expected 1 arguments, got 2"},
      {call_error(EvalError::AsyncInSyncContext{}), PyExc_RuntimeError,
       "Cannot call an async function in a synchronous context"},
      // Keys and messages may hold any text, NUL included.
      {EvalError(VarAccessError(VarAccessError::KeyNotFound{"<root>", "a\0b"s})), PyExc_NameError,
       "Object '<root>' does not contain key 'a\0b'"s},
  };
  for (const TableCase& c : cases) {
    PyKorvelError(c.error).raise();
    Raised raised = fetch();
    EXPECT_TRUE(Py_IS_TYPE(raised.exception.get(), reinterpret_cast<PyTypeObject*>(c.type)))
        << raised.type_name() << " for " << c.message;
    EXPECT_EQ(raised.message(), c.message);
  }
}

TEST(PyKorvelErrorTest, ParseErrorsAreValueErrorsWithKindAndRest) {
  std::string input = "1 2";
  PyKorvelError error(ParseError{std::string_view(input).substr(2), ErrorKind::Eof});
  input.assign("gone");  // the error holds its own copy
  error.raise();
  Raised raised = fetch();
  EXPECT_EQ(raised.type_name(), "ValueError");
  EXPECT_EQ(raised.message(), "error Eof at: 2");
}

}  // namespace
}  // namespace korvel::py

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Py_InitializeEx(0);
  const int result = RUN_ALL_TESTS();
  Py_FinalizeEx();
  return result;
}
