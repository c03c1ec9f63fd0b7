// Exp: an expression compiled once and evaluated any number of times.

#include "args.hpp"
#include "errors.hpp"
#include "korvel/compiled_exp.hpp"
#include "korvel/env.hpp"
#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "py_types/bindings.hpp"
#include "py_types/class_types.hpp"
#include "py_types/jsonobj.hpp"
#include "py_types/value_to_python.hpp"

namespace korvel::py {
namespace {

struct PyExp {
  PyObject ob_base;
  CompiledExp data;  // its tree owns all its text

  static constexpr const char* kName = "Exp";
  static PyTypeObject* type() { return exp_type(); }
};

PyObject* exp_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guard<PyObject*>(nullptr, [&]() -> PyObject* {
    static constexpr const char* kNames[] = {"exp"};
    static constexpr Signature kSignature{"Exp.__new__()", kNames, 1, 1};
    PyObject* arguments[1];
    if (!bind_arguments(kSignature, args, kwargs, arguments)) return nullptr;
    const std::optional<std::string_view> text = text_argument(Borrowed(arguments[0]), "exp");
    if (!text) return nullptr;

    Expected<Exp, ParseError> parsed = parser::parse_whole_exp(*text);
    if (!parsed) {
      PyKorvelError(parsed.error()).raise();
      return nullptr;
    }
    return new_instance<PyExp>(type, CompiledExp(std::move(*parsed).into_owned()));
  });
}

constexpr const char* kEvalNames[] = {"bindings"};
constexpr Signature kEvalSignature{"Exp.eval()", kEvalNames, 0, 1};

PyObject* exp_eval(const PyExp& exp, std::span<PyObject* const> arguments) {
  std::optional<Bindings<PyJsonValue>> bindings = read_bindings(Borrowed(arguments[0]));
  if (!bindings) return nullptr;

  const Env<PyJsonValue> env = make_env(std::move(*bindings));
  interpreter::EvalResult value = interpreter::eval(exp.data, env);
  if (!value) {
    PyKorvelError(std::move(value).error()).raise();
    return nullptr;
  }
  // The result may borrow from the tree and the bindings, which outlive it.
  return value_to_python(value->get()).release();
}

PyMethodDef exp_methods[] = {
    {"eval", method_entry<PyExp, kEvalSignature, exp_eval>(), METH_FASTCALL | METH_KEYWORDS,
     "eval($self, bindings)\n--\n\n"
     "Evaluates the expression with the given variable bindings.\n\n"
     "Args:\n"
     "    bindings: A dict mapping variable names to JSON values.\n\n"
     "Returns:\n"
     "    The result of the evaluation, as a JSON value.\n\n"
     "Raises:\n"
     "    Exception: When the evaluation fails, for example on an undefined\n"
     "        variable or a type error; the message describes the failure."},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot exp_slots[] = {
    {Py_tp_doc, const_cast<char*>("Exp(exp, /)\n--\n\n")},
    {Py_tp_richcompare, reinterpret_cast<void*>(richcompare<PyExp>)},
    {Py_tp_new, reinterpret_cast<void*>(exp_new)},
    {Py_tp_methods, exp_methods},
    {Py_tp_base, &PyBaseObject_Type},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<PyExp>)},
    {0, nullptr},
};

PyType_Spec exp_spec = {"builtins.Exp", sizeof(PyExp), 0, Py_TPFLAGS_DEFAULT, exp_slots};

OnceCell exp_type_cell;

}  // namespace

PyTypeObject* exp_type() {
  return reinterpret_cast<PyTypeObject*>(
      exp_type_cell.get_or_init([] { return Ref::steal(PyType_FromSpec(&exp_spec)); }));
}

}  // namespace korvel::py
