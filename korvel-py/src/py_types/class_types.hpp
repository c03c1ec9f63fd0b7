// The two class types, Exp and VarAccess, and what their methods and slots
// share: the receiver check, the method prologue, comparison, deallocation.
#pragma once

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>

#include "args.hpp"
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

// What a method does once its call is bound: `self` is known to be an
// instance, and `arguments` holds the bound arguments in parameter order.
template <class Instance>
using MethodBody = PyObject* (*)(const Instance& self, std::span<PyObject* const> arguments);

// A METH_FASTCALL | METH_KEYWORDS method: binds the arguments by `kSignature`,
// checks the receiver, then runs `kBody`; a C++ exception is raised in Python.
template <class Instance, const Signature& kSignature, MethodBody<Instance> kBody>
PyObject* method(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                 PyObject* kwnames) noexcept {
  return guard<PyObject*>(nullptr, [&]() -> PyObject* {
    std::array<PyObject*, kSignature.names.size()> arguments;
    // The common call gives every parameter by position and needs no binding.
    if (kwnames == nullptr && PyVectorcall_NARGS(nargs) == std::ssize(arguments)) {
      std::copy_n(args, arguments.size(), arguments.begin());
    } else if (!bind_arguments(kSignature, args, nargs, kwnames, arguments)) {
      return nullptr;
    }
    const Instance* instance = as_instance<Instance>(self);
    if (instance == nullptr) {
      raise_cast_error(Borrowed(self), Instance::kName);
      return nullptr;
    }
    return kBody(*instance, arguments);
  });
}

// That method as a method table stores it.
template <class Instance, const Signature& kSignature, MethodBody<Instance> kBody>
PyCFunction method_entry() {
  return reinterpret_cast<PyCFunction>(
      reinterpret_cast<void (*)()>(method<Instance, kSignature, kBody>));
}

// The rich comparison slot: == and != compare two instances by their data;
// anything else, a receiver or operand that is no instance included, is
// NotImplemented.
template <class Instance>
PyObject* richcompare(PyObject* self, PyObject* other, int op) noexcept {
  return guard<PyObject*>(nullptr, [&]() -> PyObject* {
    const Instance* instance = as_instance<Instance>(self);
    if (instance == nullptr || (op != Py_EQ && op != Py_NE)) return Py_NewRef(Py_NotImplemented);
    const Instance* other_instance = as_instance<Instance>(other);
    if (other_instance == nullptr) return Py_NewRef(Py_NotImplemented);
    const bool equal = instance->data == other_instance->data;
    return Py_NewRef(equal == (op == Py_EQ) ? Py_True : Py_False);
  });
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
