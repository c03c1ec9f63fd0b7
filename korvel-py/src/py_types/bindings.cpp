#include "py_types/bindings.hpp"

#include "errors.hpp"
#include "korvel/var-inl.hpp"
#include "py_text.hpp"

namespace korvel::py {
namespace {

std::optional<Bindings<PyJsonValue>> read_dict(Borrowed argument) {
  if (!PyDict_Check(argument.get())) {
    raise_cast_error(argument, "dict");
    return std::nullopt;
  }
  PyObject* dict = argument.get();
  const Py_ssize_t initial_size = PyDict_GET_SIZE(dict);
  Bindings<PyJsonValue> bindings;
  bindings.reserve(static_cast<std::size_t>(initial_size));
  Py_ssize_t unvisited = initial_size;
  Py_ssize_t position = 0;
  for (;;) {
    if (PyDict_GET_SIZE(dict) != initial_size) {
      PyErr_SetString(PyExc_RuntimeError, "dictionary changed size during iteration");
      return std::nullopt;
    }
    if (unvisited == -1) {
      PyErr_SetString(PyExc_RuntimeError, "dictionary keys changed during iteration");
      return std::nullopt;
    }
    PyObject *raw_key, *raw_value;
    if (!PyDict_Next(dict, &position, &raw_key, &raw_value)) break;
    --unvisited;
    // Held while the value converts: that may remove the entry.
    Ref key = Ref::new_ref(raw_key);
    Ref value = Ref::new_ref(raw_value);
    if (!PyUnicode_Check(key.get())) {
      raise_cast_error(key, "str");
      return std::nullopt;
    }
    const std::optional<std::string_view> name = utf8_text(key.get());
    if (!name) return std::nullopt;
    std::optional<PyJsonValue> converted = PyJsonValue::extract(value);
    if (!converted) return std::nullopt;
    bindings.insert_or_assign(std::string(*name), std::move(*converted));
  }
  return bindings;
}

}  // namespace

std::optional<Bindings<PyJsonValue>> read_bindings(Borrowed bindings) {
  std::optional<Bindings<PyJsonValue>> read = read_dict(bindings);
  if (!read) wrap_argument_error("bindings");
  return read;
}

Expected<const PyJsonView*, VarAccessError> access_in_place(BoundValues& bindings,
                                                            std::span<const VarName> names,
                                                            const PathKeys& keys) {
  PyObject* bound = bindings.find(keys.key(0));
  if (bound == nullptr) {
    return Unexpected(VarAccessError(VarAccessError::VariableNotFound{names.front().name}));
  }
  if (const PyJsonView* found = keys.find_names(bound)) return found;
  return VarAccess::access_names(names, PyJsonView::of(bound), /*first_done=*/true, keys);
}

Env<PyJsonValue> make_env(Bindings<PyJsonValue> bindings) {
  EnvBuilder<PyJsonValue> builder;
  builder.bind_multiple(std::move(bindings));
  // The builder is not used again, so its bindings move into the Env.
  return std::move(builder).build();
}

}  // namespace korvel::py
