// The evaluator: an expression tree and an environment in, a value out.
#pragma once

#include <utility>

#include "korvel/env.hpp"
#include "korvel/errors.hpp"
#include "korvel/exp.hpp"
#include "korvel/functions.hpp"
#include "korvel/maybe_owned.hpp"
#include "korvel/value-inl.hpp"
#include "korvel/value.hpp"
#include "korvel/var-inl.hpp"

namespace korvel::interpreter {

// The value of an expression: borrowed when it is a literal of the tree, held
// otherwise. A held value's strings may still borrow from the tree or from the
// bound data, so both must outlive the result until it is copied or converted.
using EvalResult = Expected<MaybeOwned<Value>, EvalError>;

// Reads a variable: the Value its path designates. A non-owning reference to
// a callable, so that the evaluation loop is compiled once for every kind of
// bound data.
class VariableReader {
 public:
  template <class F>
  explicit VariableReader(const F& read)
      : context_(&read), read_([](const void* context, const VarAccess& path) {
          return (*static_cast<const F*>(context))(path);
        }) {}

  Expected<Value, EvalError> operator()(const VarAccess& path) const {
    return read_(context_, path);
  }

 private:
  const void* context_;
  Expected<Value, EvalError> (*read_)(const void*, const VarAccess&);
};

// Evaluates `root` with explicit stacks instead of recursion, so nesting
// depth costs memory, not call frames.
EvalResult eval(const Exp& root, const FunctionTable& functions, VariableReader read_variable);

template <JsonLike V>
EvalResult eval(const Exp& root, const Env<V>& env) {
  auto read = [&env](const VarAccess& path) -> Expected<Value, EvalError> {
    auto bound = VarAccess::access_from_bindings(path.names(), env);
    if (!bound) return Unexpected(EvalError(std::move(bound).error()));
    // The strings of a borrowed binding stay views into it.
    Expected<Value, std::string> value = bound->is_borrowed()
                                             ? Value::from_json_object_ref(bound->get())
                                             : Value::from_json_object(std::move(*bound).take());
    if (!value) {
      return Unexpected(
          EvalError(VarAccessError(VarAccessError::ConversionError{std::move(value).error()})));
    }
    return std::move(*value);
  };
  return eval(root, env.functions(), VariableReader(read));
}

}  // namespace korvel::interpreter
