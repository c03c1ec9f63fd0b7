// The newer C API functions the binding uses, supplied for older interpreters.
//
// Each shim exists only where PY_VERSION_HEX says the interpreter lacks the
// function, so against current headers this file adds nothing.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>

#if PY_VERSION_HEX < 0x030B0000
#error "korvel needs Python 3.11 or newer"
#endif

#if PY_VERSION_HEX < 0x030C0000
// 3.12: the pending exception as one object.
inline PyObject* PyErr_GetRaisedException() {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  if (type == nullptr) return nullptr;
  PyErr_NormalizeException(&type, &value, &traceback);
  if (traceback != nullptr) PyException_SetTraceback(value, traceback);
  Py_XDECREF(traceback);
  Py_DECREF(type);
  return value;
}

// Steals `exception`, which may be null to clear the indicator.
inline void PyErr_SetRaisedException(PyObject* exception) {
  if (exception == nullptr) {
    PyErr_Clear();
    return;
  }
  PyObject* type = Py_NewRef(reinterpret_cast<PyObject*>(Py_TYPE(exception)));
  PyErr_Restore(type, exception, PyException_GetTraceback(exception));
}
#endif

#if PY_VERSION_HEX < 0x030D0000
// 3.13: compares a str with UTF-8 text; a str without a UTF-8 form is unequal
// to everything, and no exception is left behind.
inline int PyUnicode_EqualToUTF8AndSize(PyObject* unicode, const char* text, Py_ssize_t size) {
  Py_ssize_t length;
  const char* utf8 = PyUnicode_AsUTF8AndSize(unicode, &length);
  if (utf8 == nullptr) {
    PyErr_Clear();
    return 0;
  }
  return length == size && std::memcmp(utf8, text, static_cast<std::size_t>(size)) == 0;
}

// 3.13: the type's __module__.
inline PyObject* PyType_GetModuleName(PyTypeObject* type) {
  return PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__module__");
}
#endif

#if PY_VERSION_HEX < 0x030E0000
// 3.14: 1 with a new reference in *item, 0 at the end, -1 with an exception.
inline int PyIter_NextItem(PyObject* iterator, PyObject** item) {
  *item = PyIter_Next(iterator);
  if (*item != nullptr) return 1;
  return PyErr_Occurred() ? -1 : 0;
}
#endif
