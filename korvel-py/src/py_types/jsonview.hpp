// PyJsonView: live Python data read in place by the engine.
//
// Data that is_plain_data() accepted (plain_data.hpp) answers every reading
// operation exactly as its PyJsonValue copy would, so the engine's walks, its
// debug form and its conversion into Value read it where it lies instead of
// reading a copy. A PyJsonView is the Python object itself, seen through
// another type: `const PyJsonView&` and `PyObject*` name the same object, and
// no PyJsonView is ever made or copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

#include "korvel/json_like.hpp"
#include "py_compat.hpp"

namespace korvel::py {

class PyJsonView {
 public:
  class ArrayType;
  class ObjectType;

  static const PyJsonView& of(PyObject* object) {
    return *reinterpret_cast<const PyJsonView*>(object);
  }
  PyObject* object() const { return reinterpret_cast<PyObject*>(const_cast<PyJsonView*>(this)); }

  PyJsonView(const PyJsonView&) = delete;
  PyJsonView& operator=(const PyJsonView&) = delete;

  // JsonView. An exact int reads as a PyJsonValue::UInt from 0 to 2^64-1, as
  // a PyJsonValue::Int from -2^63 to -1 and as a PyJsonValue::Float beyond.
  bool is_null() const { return object() == Py_None; }
  std::optional<bool> as_bool() const {
    if (!PyBool_Check(object())) return std::nullopt;
    return object() == Py_True;
  }
  std::optional<std::int64_t> as_i64() const {
    if (!PyLong_CheckExact(object())) return std::nullopt;
    int overflow;
    const long long value = PyLong_AsLongLongAndOverflow(object(), &overflow);
    if (overflow != 0) return std::nullopt;
    return value;
  }
  std::optional<std::uint64_t> as_u64() const {
    if (!PyLong_CheckExact(object())) return std::nullopt;
    int overflow;
    const long long value = PyLong_AsLongLongAndOverflow(object(), &overflow);
    if (overflow == 0) {
      if (value < 0) return std::nullopt;
      return static_cast<std::uint64_t>(value);
    }
    if (overflow < 0) return std::nullopt;
    return above_i64();
  }
  std::optional<double> as_f64() const {
    if (PyFloat_CheckExact(object())) return PyFloat_AS_DOUBLE(object());
    if (!PyLong_CheckExact(object())) return std::nullopt;
    int overflow;
    PyLong_AsLongLongAndOverflow(object(), &overflow);
    if (overflow == 0 || (overflow > 0 && above_i64())) return std::nullopt;
    // Accepted data holds no int beyond the range of a double.
    return PyLong_AsDouble(object());
  }
  bool is_string() const { return PyUnicode_CheckExact(object()); }
  std::optional<std::string_view> as_str() const {
    if (!is_string()) return std::nullopt;
    // Accepted data holds no str without a UTF-8 form, and the interpreter
    // keeps the form it made during the check.
    Py_ssize_t size;
    const char* text = PyUnicode_AsUTF8AndSize(object(), &size);
    return std::string_view(text, static_cast<std::size_t>(size));
  }
  bool is_array() const { return PyList_CheckExact(object()) || PyTuple_CheckExact(object()); }
  inline const ArrayType* as_array() const;
  bool is_object() const { return PyDict_CheckExact(object()); }
  inline const ObjectType* as_object() const;

 private:
  PyJsonView() = default;

  // An exact int above 2^63-1 as an unsigned 64-bit integer, or nullopt
  // from 2^64 on.
  std::optional<std::uint64_t> above_i64() const {
    const unsigned long long value = PyLong_AsUnsignedLongLong(object());
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
      PyErr_Clear();
      return std::nullopt;
    }
    return value;
  }
};

// A list or a tuple, as a random-access range of its items.
class PyJsonView::ArrayType {
 public:
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = PyJsonView;
    using difference_type = std::ptrdiff_t;
    using pointer = const PyJsonView*;
    using reference = const PyJsonView&;

    const_iterator() = default;
    explicit const_iterator(PyObject* const* item) : item_(item) {}

    reference operator*() const { return of(*item_); }
    pointer operator->() const { return &of(*item_); }
    reference operator[](difference_type n) const { return of(item_[n]); }
    const_iterator& operator++() {
      ++item_;
      return *this;
    }
    const_iterator operator++(int) { return const_iterator(item_++); }
    const_iterator& operator--() {
      --item_;
      return *this;
    }
    const_iterator operator--(int) { return const_iterator(item_--); }
    const_iterator& operator+=(difference_type n) {
      item_ += n;
      return *this;
    }
    const_iterator& operator-=(difference_type n) {
      item_ -= n;
      return *this;
    }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const_iterator a, const_iterator b) {
      return a.item_ - b.item_;
    }
    friend auto operator<=>(const_iterator, const_iterator) = default;

   private:
    PyObject* const* item_ = nullptr;
  };
  using iterator = const_iterator;
  using value_type = PyJsonView;
  using size_type = std::size_t;

  ArrayType(const ArrayType&) = delete;
  ArrayType& operator=(const ArrayType&) = delete;

  std::size_t size() const {
    return static_cast<std::size_t>(PySequence_Fast_GET_SIZE(sequence()));
  }
  bool empty() const { return size() == 0; }
  const PyJsonView& operator[](std::size_t i) const {
    return *(begin() + static_cast<std::ptrdiff_t>(i));
  }
  const_iterator begin() const { return const_iterator(PySequence_Fast_ITEMS(sequence())); }
  const_iterator end() const { return begin() + static_cast<std::ptrdiff_t>(size()); }

 private:
  friend class PyJsonView;
  ArrayType() = default;

  PyObject* sequence() const { return reinterpret_cast<PyObject*>(const_cast<ArrayType*>(this)); }
};

// A dict, as its members in the dict's order: pairs of the key's UTF-8 text
// and the member.
class PyJsonView::ObjectType {
 public:
  using value_type = std::pair<std::string_view, const PyJsonView&>;

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = ObjectType::value_type;
    using difference_type = std::ptrdiff_t;
    using reference = value_type;

    struct pointer {
      value_type member;
      const value_type* operator->() const { return &member; }
    };

    const_iterator() = default;
    // At the first member of `dict` at or after `position`.
    const_iterator(PyObject* dict, Py_ssize_t position) : dict_(dict), next_(position) {
      advance();
    }

    reference operator*() const {
      Py_ssize_t size;
      const char* text = PyUnicode_AsUTF8AndSize(key_, &size);
      return value_type(std::string_view(text, static_cast<std::size_t>(size)), of(value_));
    }
    pointer operator->() const { return pointer{**this}; }
    const_iterator& operator++() {
      advance();
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      advance();
      return old;
    }
    // Iterators of one dict are equal at the same member; the end is past
    // the last one.
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.key_ == b.key_;
    }

   private:
    void advance() {
      if (!PyDict_Next(dict_, &next_, &key_, &value_)) key_ = nullptr;
    }

    PyObject* dict_ = nullptr;
    Py_ssize_t next_ = 0;
    PyObject* key_ = nullptr;
    PyObject* value_ = nullptr;
  };
  using iterator = const_iterator;

  ObjectType(const ObjectType&) = delete;
  ObjectType& operator=(const ObjectType&) = delete;

  std::size_t size() const { return static_cast<std::size_t>(PyDict_GET_SIZE(dict())); }
  bool empty() const { return size() == 0; }
  const_iterator begin() const { return const_iterator(dict(), 0); }
  const_iterator end() const { return const_iterator(); }

 private:
  friend class PyJsonView;
  ObjectType() = default;

  PyObject* dict() const { return reinterpret_cast<PyObject*>(const_cast<ObjectType*>(this)); }
};

inline const PyJsonView::ArrayType* PyJsonView::as_array() const {
  return is_array() ? reinterpret_cast<const ArrayType*>(this) : nullptr;
}

inline const PyJsonView::ObjectType* PyJsonView::as_object() const {
  return is_object() ? reinterpret_cast<const ObjectType*>(this) : nullptr;
}

static_assert(JsonView<PyJsonView>);

}  // namespace korvel::py
