// The evaluator: an expression tree and an environment in, a value out.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "korvel/compiled_exp.hpp"
#include "korvel/env.hpp"
#include "korvel/errors.hpp"
#include "korvel/exp.hpp"
#include "korvel/function_ref.hpp"
#include "korvel/functions.hpp"
#include "korvel/maybe_owned.hpp"
#include "korvel/value-inl.hpp"
#include "korvel/value.hpp"
#include "korvel/var-inl.hpp"

namespace korvel::interpreter {

// The value of an expression: borrowed when it is a literal of the tree or a
// constant of the compiled expression, held otherwise. A held value's strings
// may still borrow from the tree or from the bound data, so both must outlive
// the result until it is copied or converted.
using EvalResult = Expected<MaybeOwned<Value>, EvalError>;

// Reads a variable: the Value its path designates. A non-owning reference to
// a callable, so that the evaluation loop is compiled once for every kind of
// bound data.
using VariableReader = FunctionRef<Expected<Value, EvalError>(const VarAccess& path)>;

// Reads a variable of a compiled expression: `path` is
// CompiledExp::variables()[slot].
using SlotReader = FunctionRef<Expected<Value, EvalError>(std::size_t slot, const VarAccess& path)>;

// Evaluates `root` by walking the tree, with explicit stacks instead of
// recursion, so nesting depth costs memory, not call frames. Every call is
// looked up by name in `functions`.
EvalResult eval(const Exp& root, const FunctionTable& functions, VariableReader read_variable);

// Evaluates a compiled expression: the same result or error as the walk of
// its tree, in less time. With the default table its calls go straight to
// the builtins found at compile time; with any other table each call is
// looked up by name, as the walk does.
EvalResult eval(const CompiledExp& exp, const FunctionTable& functions, SlotReader read_variable);

// The value bound at `path` in `env`; its strings view the bound data.
template <JsonLike V>
Expected<Value, EvalError> read_variable(const VarAccess& path, const Env<V>& env) {
  auto bound = VarAccess::access_from_bindings(path.names(), env);
  if (!bound) return Unexpected(EvalError(std::move(bound).error()));
  Expected<Value, std::string> value = bound->is_borrowed()
                                           ? Value::from_json_object_ref(bound->get())
                                           : Value::from_json_object(std::move(*bound).take());
  if (!value) {
    return Unexpected(
        EvalError(VarAccessError(VarAccessError::ConversionError{std::move(value).error()})));
  }
  return std::move(*value);
}

template <JsonLike V>
EvalResult eval(const Exp& root, const Env<V>& env) {
  auto read = [&env](const VarAccess& path) { return read_variable(path, env); };
  return eval(root, env.functions(), VariableReader(read));
}

template <JsonLike V>
EvalResult eval(const CompiledExp& exp, const Env<V>& env) {
  auto read = [&env](std::size_t, const VarAccess& path) { return read_variable(path, env); };
  return eval(exp, env.functions(), SlotReader(read));
}

}  // namespace korvel::interpreter
