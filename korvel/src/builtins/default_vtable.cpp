#include <memory>

#include "builtins/builtins.hpp"
#include "korvel/functions.hpp"

namespace korvel {
namespace functions {

std::span<const NamedBuiltin> builtins() {
  static constexpr NamedBuiltin kBuiltins[] = {
      {"matches", matches},
      {"len", len},
      {"startsWith", starts_with},
      {"endsWith", ends_with},
      {"contains", contains},
      {"bool", into_bool},
      {"string", into_string},
      {"int", into_int},
      {"float", into_float},
      {"base64Encode", base64_encode},
      {"base64Decode", base64_decode},
      {"replace", replace},
      {"format", format},
      {"join", join},
      {"split", split},
  };
  return kBuiltins;
}

Builtin find_builtin(std::string_view name) {
  for (const NamedBuiltin& builtin : builtins()) {
    if (builtin.name == name) return builtin.function;
  }
  return nullptr;
}

}  // namespace functions

namespace {

FunctionTable build_default_vtable() {
  FunctionTable table;
  table.reserve(functions::builtins().size());
  for (const auto& [name, function] : functions::builtins()) {
    table.emplace(name, FnCallback::Sync{std::make_shared<const SyncFunction>(function)});
  }
  return table;
}

}  // namespace

const FunctionTable& default_vtable() {
  // A function-local static is initialised exactly once, and concurrent first
  // callers wait for it.
  static const FunctionTable DEFAULT_VTABLE = build_default_vtable();
  return DEFAULT_VTABLE;
}

}  // namespace korvel
