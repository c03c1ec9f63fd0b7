// Exp: an expression compiled once and evaluated any number of times.

#include <string>
#include <vector>

#include "args.hpp"
#include "errors.hpp"
#include "korvel/compiled_exp.hpp"
#include "korvel/env.hpp"
#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "py_types/bindings.hpp"
#include "py_types/class_types.hpp"
#include "py_types/jsonobj.hpp"
#include "py_types/path_keys.hpp"
#include "py_types/plain_data.hpp"
#include "py_types/plain_value.hpp"
#include "py_types/value_to_python.hpp"

namespace korvel::py {
namespace {

// A compiled expression with ready keys for the steps of every variable it
// reads; equal by the expression alone.
struct CompiledExpression {
  explicit CompiledExpression(Exp tree) : exp(std::move(tree)) {
    keys.reserve(exp.variables().size());
    for (const VarAccess* path : exp.variables()) keys.emplace_back(*path);
  }

  CompiledExp exp;             // its tree owns all its text
  std::vector<PathKeys> keys;  // by the slot of the read

  friend bool operator==(const CompiledExpression& a, const CompiledExpression& b) {
    return a.exp == b.exp;
  }
};

struct PyExp {
  PyObject ob_base;
  CompiledExpression data;

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
    return new_instance<PyExp>(type, CompiledExpression(std::move(*parsed).into_owned()));
  });
}

constexpr const char* kEvalNames[] = {"bindings"};
constexpr Signature kEvalSignature{"Exp.eval()", kEvalNames, 0, 1};

// The result as new Python objects, or the evaluation's error raised. The
// result may borrow from the tree and the bindings, which outlive it.
PyObject* result_to_python(interpreter::EvalResult result) {
  if (!result) {
    PyKorvelError(std::move(result).error()).raise();
    return nullptr;
  }
  return value_to_python(result->get()).release();
}

// Plain bindings are read where they lie (plain_data.hpp): each variable is
// looked up in the dict with its ready keys.
PyObject* eval_in_place(const CompiledExpression& exp, PyObject* argument) {
  BoundValues bindings(argument);
  auto read = [&](std::size_t slot, const VarAccess& path) -> Expected<Value, EvalError> {
    auto found = access_in_place(bindings, path.names(), exp.keys[slot]);
    if (!found) return Unexpected(EvalError(std::move(found).error()));
    // Every value of plain data converts.
    Expected<Value, std::string> value = plain_to_value((*found)->object());
    if (!value) {
      return Unexpected(
          EvalError(VarAccessError(VarAccessError::ConversionError{std::move(value).error()})));
    }
    return std::move(*value);
  };
  return result_to_python(
      interpreter::eval(exp.exp, default_vtable(), interpreter::SlotReader(read)));
}

// Any other bindings are converted into PyJsonValue first.
PyObject* eval_copied(const CompiledExpression& exp, PyObject* argument) {
  std::optional<Bindings<PyJsonValue>> bindings = read_bindings(Borrowed(argument));
  if (!bindings) return nullptr;
  const Env<PyJsonValue> env = make_env(std::move(*bindings));
  return result_to_python(interpreter::eval(exp.exp, env));
}

PyObject* exp_eval(const PyExp& exp, std::span<PyObject* const> arguments) {
  {
    const CollectorPause pause;
    if (is_plain_bindings(arguments[0])) return eval_in_place(exp.data, arguments[0]);
  }
  return eval_copied(exp.data, arguments[0]);
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
