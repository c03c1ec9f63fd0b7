#include <utility>

#include "builtins/builtins.hpp"
#include "korvel/functions.hpp"

namespace korvel {
namespace {

FunctionTable build_default_vtable() {
  const std::pair<std::string_view, FnResult (*)(Arguments)> builtins[] = {
      {"matches", functions::matches},
      {"len", functions::len},
      {"startsWith", functions::starts_with},
      {"endsWith", functions::ends_with},
      {"contains", functions::contains},
      {"bool", functions::into_bool},
      {"string", functions::into_string},
      {"int", functions::into_int},
      {"float", functions::into_float},
      {"base64Encode", functions::base64_encode},
      {"base64Decode", functions::base64_decode},
      {"replace", functions::replace},
      {"format", functions::format},
      {"join", functions::join},
      {"split", functions::split},
  };
  FunctionTable table;
  table.reserve(std::size(builtins));
  for (const auto& [name, function] : builtins) {
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
