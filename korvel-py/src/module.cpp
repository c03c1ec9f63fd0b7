// The extension module korvel: multi-phase initialisation whose execution
// step publishes the classes Exp and VarAccess.
#include "errors.hpp"
#include "py_ref.hpp"
#include "py_types/class_types.hpp"

namespace korvel::py {
namespace {

// The module's __all__ list, made and set when the module has none yet.
Ref all_list(PyObject* module) {
  Ref all = Ref::steal(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return Ref();
    PyErr_Clear();
    all = Ref::steal(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return Ref();
  }
  if (!PyList_Check(all.get())) {
    raise_cast_error(all, "list");
    return Ref();
  }
  return all;
}

// Lists the class in __all__ and sets it as an attribute of the module.
bool add_class(PyObject* module, const char* name, PyTypeObject* type) {
  if (type == nullptr) return false;
  Ref all = all_list(module);
  if (!all) return false;
  Ref text = Ref::steal(PyUnicode_FromString(name));
  if (!text) {
    PyErr_Clear();
    internal_stop("could not make the name of a class");
  }
  if (PyList_Append(all.get(), text.get()) < 0) {
    PyErr_Clear();
    internal_stop(std::string("could not append __name__ to __all__: ") + name);
  }
  return PyObject_SetAttr(module, text.get(), reinterpret_cast<PyObject*>(type)) == 0;
}

int exec_module(PyObject* module) {
  return guard(-1, [module] {
    if (!PyModule_Check(module)) {
      raise_cast_error(Borrowed(module), "module");
      return -1;
    }
    if (!add_class(module, "Exp", exp_type())) return -1;
    if (!add_class(module, "VarAccess", var_access_type())) return -1;
    return 0;
  });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_mod_gil
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "korvel", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace korvel::py

PyMODINIT_FUNC PyInit_korvel() { return PyModuleDef_Init(&korvel::py::module_def); }
