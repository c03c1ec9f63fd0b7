// The `bindings` argument: variable names to JSON-like data, and the Env
// built from them.
#pragma once

#include <optional>
#include <span>

#include "korvel/env.hpp"
#include "py_ref.hpp"
#include "py_types/jsonobj.hpp"
#include "py_types/jsonview.hpp"
#include "py_types/path_keys.hpp"

namespace korvel::py {

// Reads a dict (or dict subclass) with str keys through its own entries, so
// that methods a subclass overrides are not consulted; each value converts
// with PyJsonValue::extract. Converting can run Python code that changes the
// dict, which ends the read with RuntimeError "dictionary changed size during
// iteration" or "dictionary keys changed during iteration". nullopt with the
// exception set; a TypeError comes as "argument 'bindings': ...".
std::optional<Bindings<PyJsonValue>> read_bindings(Borrowed bindings);

// An Env over `bindings`, which it takes over, with the default function table.
Env<PyJsonValue> make_env(Bindings<PyJsonValue> bindings);

// The bindings of a dict of plain bindings (is_plain_bindings) by name. The
// dict cannot change while it is read in place, and the last name looked up
// is kept: the paths of a rule often start at the same binding.
class BoundValues {
 public:
  explicit BoundValues(PyObject* bindings) : bindings_(bindings) {}

  // The binding named by `key`, an interned str, or null.
  PyObject* find(PyObject* key) {
    if (key != last_key_) {
      last_key_ = key;
      last_value_ = PyDict_GetItemWithError(bindings_, key);
    }
    return last_value_;
  }

 private:
  PyObject* bindings_;
  PyObject* last_key_ = nullptr;
  PyObject* last_value_ = nullptr;
};

// The value that `names` designates in plain bindings, read in place as
// VarAccess::access_from_bindings reads an Env: the first step names a
// binding, the others are walked in it. `keys` holds the steps' keys.
Expected<const PyJsonView*, VarAccessError> access_in_place(BoundValues& bindings,
                                                            std::span<const VarName> names,
                                                            const PathKeys& keys);

}  // namespace korvel::py
