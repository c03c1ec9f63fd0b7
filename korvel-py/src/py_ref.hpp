// Handles for Python object references.
//
// Ref owns one strong reference and releases it when it goes; Borrowed names
// an object that someone else keeps alive for as long as the handle is used.
// Reference counts change here and nowhere else in the binding.
#pragma once

#include <utility>

#include "py_compat.hpp"

namespace korvel::py {

class Borrowed;

class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : object_(other.release()) {}
  Ref& operator=(Ref&& other) noexcept {
    Ref old(std::move(*this));
    object_ = other.release();
    return *this;
  }
  ~Ref() { Py_XDECREF(object_); }

  // Takes over a new reference, as C API calls return it (null on failure).
  static Ref steal(PyObject* object) { return Ref(object); }
  // Takes a reference of its own to an object that is only borrowed.
  static Ref new_ref(PyObject* object) {
    Py_XINCREF(object);
    return Ref(object);
  }
  static Ref new_ref(PyTypeObject* type) { return new_ref(reinterpret_cast<PyObject*>(type)); }

  PyObject* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  inline operator Borrowed() const;  // NOLINT(google-explicit-constructor)

  // Hands the reference to the caller, as the C API expects of a result.
  PyObject* release() { return std::exchange(object_, nullptr); }

 private:
  explicit Ref(PyObject* object) : object_(object) {}

  PyObject* object_ = nullptr;
};

class Borrowed {
 public:
  explicit Borrowed(PyObject* object) : object_(object) {}

  PyObject* get() const { return object_; }
  PyTypeObject* type() const { return Py_TYPE(object_); }
  bool is(PyObject* other) const { return object_ == other; }
  Ref new_ref() const { return Ref::new_ref(object_); }

 private:
  PyObject* object_;
};

inline Ref::operator Borrowed() const { return Borrowed(object_); }

}  // namespace korvel::py
