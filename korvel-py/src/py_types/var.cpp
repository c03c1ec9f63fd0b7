// VarAccess: an access path that reads or replaces a value inside JSON-like
// data, compared and hashed by its steps.

#include "korvel/var.hpp"

#include <type_traits>
#include <utility>

#include "args.hpp"
#include "errors.hpp"
#include "korvel/env.hpp"
#include "korvel/parser.hpp"
#include "korvel/var-inl.hpp"
#include "py_types/bindings.hpp"
#include "py_types/class_types.hpp"
#include "py_types/jsonobj.hpp"
#include "py_types/jsonview.hpp"
#include "py_types/path_keys.hpp"
#include "py_types/plain_data.hpp"
#include "py_types/view_to_python.hpp"

namespace korvel::py {
namespace {

// A path with a ready key for each of its steps; equal by the path alone.
struct CompiledPath {
  explicit CompiledPath(VarAccess parsed) : path(std::move(parsed)), keys(path) {}

  VarAccess path;
  PathKeys keys;

  friend bool operator==(const CompiledPath& a, const CompiledPath& b) { return a.path == b.path; }
};

struct PyVarAccess {
  PyObject ob_base;
  CompiledPath data;

  static constexpr const char* kName = "VarAccess";
  static PyTypeObject* type() { return var_access_type(); }
};

void raise_access_error(VarAccessError error) {
  PyKorvelError(EvalError(std::move(error))).raise();
}

std::optional<PyJsonValue> json_argument(PyObject* argument, const char* name) {
  std::optional<PyJsonValue> value = PyJsonValue::extract(Borrowed(argument));
  if (!value) wrap_argument_error(name);
  return value;
}

PyObject* var_access_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guard<PyObject*>(nullptr, [&]() -> PyObject* {
    static constexpr const char* kNames[] = {"accessor"};
    static constexpr Signature kSignature{"VarAccess.__new__()", kNames, 1, 1};
    PyObject* arguments[1];
    if (!bind_arguments(kSignature, args, kwargs, arguments)) return nullptr;
    const std::optional<std::string_view> text = text_argument(Borrowed(arguments[0]), "accessor");
    if (!text) return nullptr;

    Expected<VarAccess, ParseError> parsed = parser::parse_whole_variable_name(*text);
    if (!parsed) {
      raise_message(PyExc_ValueError, to_string(parsed.error()));
      return nullptr;
    }
    return new_instance<PyVarAccess>(type, CompiledPath(std::move(*parsed)));
  });
}

// Each method reads plain data where it lies (plain_data.hpp) and converts
// anything else into a PyJsonValue first.

// The value found, copied into new Python objects, or the access error raised.
template <class V>
PyObject* found_to_python(Expected<const V*, VarAccessError> found) {
  if (!found) {
    raise_access_error(std::move(found).error());
    return nullptr;
  }
  if constexpr (std::is_same_v<V, PyJsonView>) {
    return view_to_python(**found).release();
  } else {
    return (*found)->into_pyobject().release();
  }
}

constexpr const char* kAccessNames[] = {"value"};
constexpr Signature kAccessSignature{"VarAccess.access()", kAccessNames, 1, 1};

PyObject* var_access_access(const PyVarAccess& path, std::span<PyObject* const> arguments) {
  const std::span<const VarName> names(path.data.path.names());
  {
    const CollectorPause pause;
    if (is_plain_data(arguments[0])) {
      return found_to_python(VarAccess::access_names(names, PyJsonView::of(arguments[0]),
                                                     /*first_done=*/false, path.data.keys));
    }
  }
  const std::optional<PyJsonValue> root = json_argument(arguments[0], "value");
  if (!root) return nullptr;
  return found_to_python(VarAccess::access_names(names, *root, /*first_done=*/false));
}

constexpr const char* kReplaceNames[] = {"value", "replacement"};
constexpr Signature kReplaceSignature{"VarAccess.replace()", kReplaceNames, 2, 2};

PyObject* var_access_replace(const PyVarAccess& path, std::span<PyObject* const> arguments) {
  {
    const CollectorPause pause;
    if (is_plain_data(arguments[0]) && is_plain_data(arguments[1])) {
      // Nothing is changed: the copy is built with the replacement in place.
      const PyJsonView& root = PyJsonView::of(arguments[0]);
      auto target = path.data.path.replace_target(root, path.data.keys);
      if (!target) {
        raise_access_error(std::move(target).error());
        return nullptr;
      }
      return replaced_to_python(root, path.data.path, PyJsonView::of(arguments[1])).release();
    }
  }
  // All work is done on these copies; the caller's objects never change.
  std::optional<PyJsonValue> root = json_argument(arguments[0], "value");
  if (!root) return nullptr;
  std::optional<PyJsonValue> replacement = json_argument(arguments[1], "replacement");
  if (!replacement) return nullptr;
  auto replaced = path.data.path.replace(*root, std::move(*replacement));
  if (!replaced) {
    raise_access_error(std::move(replaced).error());
    return nullptr;
  }
  return root->into_pyobject().release();
}

constexpr const char* kAccessFromBindingsNames[] = {"bindings"};
constexpr Signature kAccessFromBindingsSignature{"VarAccess.access_from_bindings()",
                                                 kAccessFromBindingsNames, 1, 1};

PyObject* var_access_access_from_bindings(const PyVarAccess& path,
                                          std::span<PyObject* const> arguments) {
  const std::span<const VarName> names(path.data.path.names());
  {
    const CollectorPause pause;
    if (is_plain_bindings(arguments[0])) {
      BoundValues bindings(arguments[0]);
      return found_to_python(access_in_place(bindings, names, path.data.keys));
    }
  }
  std::optional<Bindings<PyJsonValue>> bindings = read_bindings(Borrowed(arguments[0]));
  if (!bindings) return nullptr;
  const Env<PyJsonValue> env = make_env(std::move(*bindings));
  auto found = VarAccess::access_from_bindings(names, env);
  if (!found) {
    raise_access_error(std::move(found).error());
    return nullptr;
  }
  return found->get().into_pyobject().release();
}

Py_hash_t var_access_hash(PyObject* self) {
  return guard<Py_hash_t>(-1, [&]() -> Py_hash_t {
    const PyVarAccess* path = as_instance<PyVarAccess>(self);
    if (path == nullptr) {
      raise_cast_error(Borrowed(self), PyVarAccess::kName);
      return -1;
    }
    // -1 is the slot's error value.
    const auto hash = static_cast<Py_hash_t>(path->data.path.hash());
    return hash == -1 ? -2 : hash;
  });
}

PyMethodDef var_access_methods[] = {
    {"access", method_entry<PyVarAccess, kAccessSignature, var_access_access>(),
     METH_FASTCALL | METH_KEYWORDS,
     "access($self, value, /)\n--\n\n"
     "Reads the variable that the path designates from the given JSON value.\n\n"
     "Args:\n"
     "    value: The JSON value to read from; the path's first name is one of\n"
     "        its keys.\n\n"
     "Returns:\n"
     "    The accessed value.\n\n"
     "Raises:\n"
     "    NameError: When the access fails, for example on a missing variable\n"
     "        or a type mismatch; the message describes the failure."},
    {"replace", method_entry<PyVarAccess, kReplaceSignature, var_access_replace>(),
     METH_FASTCALL | METH_KEYWORDS,
     "replace($self, value, replacement, /)\n--\n\n"
     "Replaces the variable that the path designates in the given JSON value.\n\n"
     "The value passed in is left unchanged: the result is an updated copy.\n"
     "(The engine's own replace operation on a path instead replaces in place\n"
     "and returns the old value.)\n\n"
     "Args:\n"
     "    value: The JSON value to replace in.\n"
     "    replacement: The new value.\n\n"
     "Returns:\n"
     "    The updated value.\n\n"
     "Raises:\n"
     "    NameError: When the access fails; the message describes the failure."},
    {"access_from_bindings",
     method_entry<PyVarAccess, kAccessFromBindingsSignature, var_access_access_from_bindings>(),
     METH_FASTCALL | METH_KEYWORDS,
     "access_from_bindings($self, bindings, /)\n--\n\n"
     "Reads the variable that the path designates from the given variable\n"
     "bindings.\n\n"
     "Args:\n"
     "    bindings: A dict mapping variable names to JSON values.\n\n"
     "Returns:\n"
     "    The accessed value.\n\n"
     "Raises:\n"
     "    NameError: When the access fails, for example on a missing variable\n"
     "        or a type mismatch; the message describes the failure."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot var_access_slots[] = {
    {Py_tp_doc, const_cast<char*>("VarAccess(accessor, /)\n--\n\n")},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare<PyVarAccess>)},
    {Py_tp_hash, reinterpret_cast<void*>(var_access_hash)},
    {Py_tp_new, reinterpret_cast<void*>(var_access_new)},
    {Py_tp_methods, var_access_methods},
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<PyVarAccess>)},
    {0, nullptr},
};

PyType_Spec var_access_spec = {"builtins.VarAccess", sizeof(PyVarAccess), 0, Py_TPFLAGS_DEFAULT,
                               var_access_slots};

OnceCell var_access_type_cell;

}  // namespace

PyTypeObject* var_access_type() {
  return reinterpret_cast<PyTypeObject*>(var_access_type_cell.get_or_init(
      [] { return Ref::steal(PyType_FromSpec(&var_access_spec)); }));
}

}  // namespace korvel::py
