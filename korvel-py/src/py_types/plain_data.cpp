#include "py_types/plain_data.hpp"

#include <cstddef>

#include "inline_stack.hpp"
#include "py_types/nesting.hpp"

namespace korvel::py {
namespace {

// What the walk does with a value: descends into a container, accepts a
// plain leaf, or stops at anything else.
enum class Kind { kContainer, kLeaf, kOther };

// A str that has a UTF-8 form; the interpreter keeps the form it makes here
// for every later read.
inline bool has_utf8(PyObject* str) {
  if (PyUnicode_IS_ASCII(str)) return true;
  if (PyUnicode_AsUTF8AndSize(str, nullptr) != nullptr) return true;
  PyErr_Clear();
  return false;
}

// An exact int from -2^63 to 2^64-1, or beyond that within the range of a
// double.
bool int_converts(PyObject* number) {
  int overflow;
  PyLong_AsLongLongAndOverflow(number, &overflow);
  if (overflow == 0) return true;
  if (overflow > 0) {
    if (PyLong_AsUnsignedLongLong(number) != static_cast<unsigned long long>(-1) ||
        !PyErr_Occurred()) {
      return true;
    }
    PyErr_Clear();
  }
  if (PyLong_AsDouble(number) == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    return false;
  }
  return true;
}

// The kind of a value by its exact type, strs first as the most common. Of
// an object that is not plain nothing but the type is read.
inline Kind kind_of(PyObject* value) {
  PyTypeObject* type = Py_TYPE(value);
  if (type == &PyUnicode_Type) return has_utf8(value) ? Kind::kLeaf : Kind::kOther;
  if (type == &PyDict_Type || type == &PyList_Type || type == &PyTuple_Type) {
    return Kind::kContainer;
  }
  if (type == &PyLong_Type) return int_converts(value) ? Kind::kLeaf : Kind::kOther;
  if (type == &PyFloat_Type || type == &PyBool_Type || value == Py_None) return Kind::kLeaf;
  return Kind::kOther;
}

// The check of one value, with a stack of the containers being looked at.
class PlainCheck {
 public:
  PlainCheck() = default;
  PlainCheck(const PlainCheck&) = delete;
  PlainCheck& operator=(const PlainCheck&) = delete;
  ~PlainCheck() { leave_all(); }

  bool check(PyObject* root) {
    const Kind kind = kind_of(root);
    if (kind != Kind::kContainer) return kind == Kind::kLeaf;
    const bool plain = enter(root) && check_items();
    leave_all();
    return plain;
  }

 private:
  struct Frame {
    PyObject* container;
    Py_ssize_t position;  // of the next item, or PyDict_Next's position
    bool dict;
  };

  // Most data nests only a few levels: its frames need no heap.
  static constexpr std::size_t kInlineFrames = 32;

  bool check_items() {
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      PyObject* item;
      if (frame.dict) {
        PyObject* key;
        if (!PyDict_Next(frame.container, &frame.position, &key, &item)) {
          leave();
          continue;
        }
        if (!PyUnicode_CheckExact(key) || !has_utf8(key)) return false;
      } else {
        if (frame.position == PySequence_Fast_GET_SIZE(frame.container)) {
          leave();
          continue;
        }
        item = PySequence_Fast_GET_ITEM(frame.container, frame.position++);
      }
      switch (kind_of(item)) {
        case Kind::kContainer:
          if (!enter(item)) return false;
          break;
        case Kind::kLeaf: break;
        case Kind::kOther: return false;
      }
    }
    return true;
  }

  // The nesting rule of the conversion, at the same containers: a container
  // that it would refuse is no plain data.
  bool enter(PyObject* container) {
    if (!enter_nesting(frames_.size(), "a Python object")) {
      PyErr_Clear();
      return false;
    }
    try {
      frames_.emplace(Frame{container, 0, PyDict_CheckExact(container) != 0});
    } catch (...) {
      leave_nesting();
      throw;
    }
    return true;
  }

  void leave() {
    frames_.pop();
    leave_nesting();
  }

  void leave_all() {
    while (!frames_.empty()) leave();
  }

  InlineStack<Frame, kInlineFrames> frames_;
};

}  // namespace

#ifdef Py_GIL_DISABLED

// Without the interpreter lock, other threads may change the data at any
// moment: it is always copied.
bool is_plain_data(PyObject*) { return false; }
bool is_plain_bindings(PyObject*) { return false; }

#else

bool is_plain_data(PyObject* value) { return PlainCheck().check(value); }

bool is_plain_bindings(PyObject* bindings) {
  if (!PyDict_CheckExact(bindings)) return false;
  PlainCheck check;
  Py_ssize_t position = 0;
  PyObject *name, *value;
  while (PyDict_Next(bindings, &position, &name, &value)) {
    if (!PyUnicode_CheckExact(name) || !has_utf8(name) || !check.check(value)) return false;
  }
  return true;
}

#endif

}  // namespace korvel::py
