// The fifteen builtins, each a function from its evaluated arguments to a
// value or an error; default_vtable() names them.
//
// A builtin's result owns its text or views text that an argument views, and
// never views text that an argument owns: arguments that view text of the
// expression tree or of the bound data (both outlive an evaluation) can come
// back as views into that text, while owned arguments, released after the
// call, are copied from.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "korvel/expected.hpp"
#include "korvel/functions.hpp"
#include "regex/regex.hpp"

namespace korvel::functions {

// Text builtins.
FnResult len(Arguments args);
FnResult starts_with(Arguments args);
FnResult ends_with(Arguments args);
FnResult contains(Arguments args);
FnResult replace(Arguments args);
FnResult split(Arguments args);
FnResult join(Arguments args);

// Conversion builtins.
FnResult into_bool(Arguments args);
FnResult into_string(Arguments args);
FnResult into_int(Arguments args);
FnResult into_float(Arguments args);
FnResult base64_encode(Arguments args);
FnResult base64_decode(Arguments args);

// Pattern builtins.
FnResult matches(Arguments args);
FnResult format(Arguments args);

using Builtin = FnResult (*)(Arguments);

struct NamedBuiltin {
  std::string_view name;
  Builtin function;
};

// The fifteen, in the order the default table is built.
std::span<const NamedBuiltin> builtins();

// The builtin of the default table with exactly this name, or null.
Builtin find_builtin(std::string_view name);

// A pattern of "matches" compiled ahead of the calls that use it, or the
// error its call reports: the compilation's report inside "Invalid regex
// pattern: '{}'".
using CompiledPattern = Expected<regex::Regex, EvalError>;
CompiledPattern compile_pattern(std::string_view pattern);

// "matches" with its pattern compiled already: `pattern` is the compilation
// of the text of args[1]. The count and the types are checked first, as
// "matches" checks them, so that every error arises where it would there.
FnResult matches_compiled(Arguments args, const CompiledPattern& pattern);

}  // namespace korvel::functions
