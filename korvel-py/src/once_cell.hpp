// A process-wide Python object made on its first need and kept for good.
#pragma once

#include <atomic>

#include "py_ref.hpp"

namespace korvel::py {

// The maker runs with the interpreter lock held, but it may run Python code
// that lets another thread in, and that thread may make an object of its
// own. The first object stored is the one every caller gets; a later one is
// released. No thread ever waits for another, so no lock order can deadlock.
class OnceCell {
 public:
  // The object, or null with a Python exception set when making it failed
  // (the next call tries again). Make: () -> Ref.
  template <class Make>
  PyObject* get_or_init(Make&& make) {
    if (PyObject* object = object_.load(std::memory_order_acquire)) return object;
    Ref made = make();
    if (!made) return nullptr;
    PyObject* expected = nullptr;
    if (object_.compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel)) {
      return made.release();
    }
    return expected;
  }

 private:
  std::atomic<PyObject*> object_{nullptr};
};

}  // namespace korvel::py
