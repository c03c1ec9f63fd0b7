/* The least that any conversion of bound data must do, as a yardstick for the
 * benchmark: visit every value with exact-type checks, enter the
 * interpreter's recursion check once per container, produce the UTF-8 form of
 * every str (keys included) and read every int as a C integer. It builds
 * nothing. bench.py compiles it; it is not part of the module. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

static int walk_value(PyObject *value, int depth);

static int walk_str(PyObject *text) {
  Py_ssize_t size;
  return PyUnicode_AsUTF8AndSize(text, &size) == NULL ? -1 : 0;
}

static int walk_int(PyObject *number) {
  int overflow;
  long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
  if (value == -1 && PyErr_Occurred()) return -1;
  if (overflow > 0) {
    PyLong_AsUnsignedLongLong(number);
    if (PyErr_Occurred()) return -1;
  } else if (overflow < 0) {
    PyErr_SetString(PyExc_TypeError, "Unsupported type for JSON value: int");
    return -1;
  }
  return 0;
}

static int walk_items(PyObject *const *items, Py_ssize_t size, int depth) {
  for (Py_ssize_t i = 0; i < size; ++i) {
    if (walk_value(items[i], depth) < 0) return -1;
  }
  return 0;
}

static int walk_dict(PyObject *dict, int depth) {
  Py_ssize_t position = 0;
  PyObject *key, *member;
  while (PyDict_Next(dict, &position, &key, &member)) {
    if (!PyUnicode_CheckExact(key)) {
      PyErr_SetString(PyExc_TypeError, "key is not a str");
      return -1;
    }
    if (walk_str(key) < 0 || walk_value(member, depth) < 0) return -1;
  }
  return 0;
}

static int walk_container(PyObject *value, int depth) {
  if (depth >= 1000) {
    PyErr_SetString(PyExc_RecursionError, "too deep");
    return -1;
  }
  if (Py_EnterRecursiveCall(" while walking bound data")) return -1;
  int result;
  if (PyDict_CheckExact(value)) {
    result = walk_dict(value, depth + 1);
  } else if (PyList_CheckExact(value)) {
    result = walk_items(PySequence_Fast_ITEMS(value), PyList_GET_SIZE(value), depth + 1);
  } else {
    result = walk_items(PySequence_Fast_ITEMS(value), PyTuple_GET_SIZE(value), depth + 1);
  }
  Py_LeaveRecursiveCall();
  return result;
}

static int walk_value(PyObject *value, int depth) {
  if (value == Py_None || PyBool_Check(value) || PyFloat_CheckExact(value)) return 0;
  if (PyUnicode_CheckExact(value)) return walk_str(value);
  if (PyLong_CheckExact(value)) return walk_int(value);
  if (PyDict_CheckExact(value) || PyList_CheckExact(value) || PyTuple_CheckExact(value)) {
    return walk_container(value, depth);
  }
  PyErr_Format(PyExc_TypeError, "Unsupported type for JSON value: %s", Py_TYPE(value)->tp_name);
  return -1;
}

static PyObject *walk(PyObject *module, PyObject *value) {
  (void)module;
  if (walk_value(value, 0) < 0) return NULL;
  Py_RETURN_NONE;
}

static PyMethodDef methods[] = {
    {"walk", walk, METH_O, "Visits every value of JSON-like data; returns None."},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef module = {PyModuleDef_HEAD_INIT, "c_walk", NULL, -1, methods};

PyMODINIT_FUNC PyInit_c_walk(void) { return PyModule_Create(&module); }
