// Function tables: builtin names to callables, and the default table of the
// fifteen builtins.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "korvel/arguments.hpp"
#include "korvel/errors.hpp"
#include "korvel/expected.hpp"
#include "korvel/siphash.hpp"
#include "korvel/value.hpp"

namespace korvel {

using FnResult = Expected<Value, EvalError>;

// A builtin: argument values in, a new value or an error out. It never sees the
// environment, never changes its arguments and keeps no state, so one may be
// called from any thread at any time.
using SyncFunction = std::function<FnResult(Arguments)>;
// Nothing in the system builds or calls an asynchronous function; the
// evaluator refuses one. The result is handed to the given continuation.
using AsyncFunction = std::function<void(Arguments, std::function<void(FnResult)>)>;

// One entry of a function table: a shared handle to a callable.
class FnCallback {
 public:
  struct Sync {
    std::shared_ptr<const SyncFunction> function;
  };
  struct Async {
    std::shared_ptr<const AsyncFunction> function;
  };

  FnCallback(Sync sync) : callback_(std::move(sync)) {}     // NOLINT(google-explicit-constructor)
  FnCallback(Async async) : callback_(std::move(async)) {}  // NOLINT(google-explicit-constructor)

  const Sync* sync() const { return std::get_if<Sync>(&callback_); }
  const Async* async() const { return std::get_if<Async>(&callback_); }

 private:
  std::variant<Sync, Async> callback_;
};

// Builtin names to callables. Keys are static text; lookups match exactly.
using FunctionTable =
    std::unordered_map<std::string_view, FnCallback, RandomState, std::equal_to<>>;

// The process-wide table of the fifteen builtins, built on first use under a
// once-guard and never changed afterwards.
const FunctionTable& default_vtable();

}  // namespace korvel
