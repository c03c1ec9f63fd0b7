// The `bindings` argument: variable names to JSON-like data, and the Env
// built from them.
#pragma once

#include <optional>

#include "korvel/env.hpp"
#include "py_ref.hpp"
#include "py_types/jsonobj.hpp"

namespace korvel::py {

// Reads a dict (or dict subclass) with str keys through its own entries, so
// that methods a subclass overrides are not consulted; each value converts
// with PyJsonValue::extract. Converting can run Python code that changes the
// dict, which ends the read with RuntimeError "dictionary changed size during
// iteration" or "dictionary keys changed during iteration". nullopt with the
// exception set; a TypeError comes as "argument 'bindings': ...".
std::optional<Bindings<PyJsonValue>> read_bindings(Borrowed bindings);

// An Env over `bindings`, which it takes over, with the default function table.
Env<PyJsonValue> make_env(Bindings<PyJsonValue> bindings);

}  // namespace korvel::py
