// PathKeys: a ready Python str for each step of an access path, made once
// with the path, so that walking plain data looks each step up in a dict
// without making its key again.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "korvel/var.hpp"
#include "py_ref.hpp"
#include "py_types/jsonview.hpp"

namespace korvel::py {

class PathKeys {
 public:
  // The keys of `path`'s steps; throws std::bad_alloc, with the exception
  // cleared, when the interpreter cannot make one.
  explicit PathKeys(const VarAccess& path);
  PathKeys(PathKeys&&) noexcept = default;
  PathKeys& operator=(PathKeys&&) noexcept = default;

  // The member of `value` that step `i` names, or null when `value` is no
  // dict or has no such key; a MemberLookup of VarAccess::access_names.
  const PyJsonView* operator()(const PyJsonView& value, std::size_t i) const {
    if (!value.is_object()) return nullptr;
    PyObject* member = PyDict_GetItemWithError(value.object(), keys_[i].get());
    return member == nullptr ? nullptr : &PyJsonView::of(member);
  }

  // The key of step `i`.
  PyObject* key(std::size_t i) const { return keys_[i].get(); }

  // What a path of names alone designates in plain data, from `bound`, the
  // value of its first step, when every later step finds its member;
  // otherwise null, and the walk of VarAccess gives the value or the error.
  const PyJsonView* find_names(PyObject* bound) const {
    if (!names_only_) return nullptr;
    PyObject* current = bound;
    for (std::size_t i = 1; i < keys_.size(); ++i) {
      if (!PyDict_CheckExact(current)) return nullptr;
      current = PyDict_GetItemWithError(current, keys_[i].get());
      if (current == nullptr) return nullptr;
    }
    return &PyJsonView::of(current);
  }

 private:
  std::vector<Ref> keys_;
  bool names_only_ = true;  // no step has an index
};

}  // namespace korvel::py
