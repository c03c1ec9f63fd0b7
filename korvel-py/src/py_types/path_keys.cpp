#include "py_types/path_keys.hpp"

#include <new>

namespace korvel::py {

PathKeys::PathKeys(const VarAccess& path) {
  keys_.reserve(path.names().size());
  for (const VarName& step : path.names()) {
    if (step.index) names_only_ = false;
    // Step names are UTF-8 by construction, so only memory can run short.
    PyObject* key =
        PyUnicode_FromStringAndSize(step.name.data(), static_cast<Py_ssize_t>(step.name.size()));
    if (key == nullptr) {
      PyErr_Clear();
      throw std::bad_alloc();
    }
    // Keys that callers write in Python source are interned too, and an
    // interned key is found by identity.
    PyUnicode_InternInPlace(&key);
    keys_.push_back(Ref::steal(key));
  }
}

}  // namespace korvel::py
