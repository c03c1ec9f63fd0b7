// The two class types, Exp and VarAccess, and the receiver check.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "errors.hpp"
#include "korvel/internal_stop.hpp"
#include "once_cell.hpp"
#include "py_ref.hpp"

namespace korvel::py {

// Each type is made on first need and kept for the life of the process; null
// with the exception set when making it failed (the next call tries again).
PyTypeObject* exp_type();
PyTypeObject* var_access_type();

// An instance is the object header followed by one field, `data`, written by
// the constructor and only read afterwards. Instance types give their type
// getter as type() and their class name as kName.

// `object` as an instance of `Instance`, or null when it is none.
template <class Instance>
const Instance* as_instance(PyObject* object) {
  PyTypeObject* type = Instance::type();
  if (type == nullptr) {
    PyErr_WriteUnraisable(nullptr);
    internal_stop(std::string("failed to create type object for `") + Instance::kName + "`");
  }
  if (Py_IS_TYPE(object, type) || PyType_IsSubtype(Py_TYPE(object), type)) {
    return reinterpret_cast<const Instance*>(object);
  }
  return nullptr;
}

// Allocates an instance of `type` and moves `data` into its field; on failure
// `data` is released and the interpreter's error is raised.
template <class Instance, class Data>
PyObject* new_instance(PyTypeObject* type, Data&& data) {
  PyObject* object = type->tp_alloc(type, 0);
  if (object == nullptr) return nullptr;
  Instance* instance = reinterpret_cast<Instance*>(object);
  new (&instance->data) std::decay_t<Data>(std::forward<Data>(data));
  return object;
}

// A METH_FASTCALL | METH_KEYWORDS method as a method table stores it.
using FastcallMethod = PyObject* (*)(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                     PyObject* kwnames);
inline PyCFunction fastcall_method(FastcallMethod method) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(method));
}

// The deallocation slot: releases the field, then frees the object and the
// reference that every instance of a heap type holds to its type.
template <class Instance>
void dealloc_instance(PyObject* object) {
  // Released last, once the object is freed.
  Ref type = Ref::steal(reinterpret_cast<PyObject*>(Py_TYPE(object)));
  guard_dealloc(object, [object] { std::destroy_at(&reinterpret_cast<Instance*>(object)->data); });
  Py_TYPE(object)->tp_free(object);
}

}  // namespace korvel::py
