// The "matches" builtin: whether a text matches a regular expression.
#include <string>

#include "builtins/argument_checks.hpp"
#include "builtins/builtins.hpp"
#include "regex/regex.hpp"

namespace korvel::functions {

// The pattern is compiled on every call; nothing is cached.
FnResult matches(Arguments args) {
  if (args.size() != 2) return count_error(2, args.size());
  const Text* text = args[0].get_if<Text>();
  if (text == nullptr) return type_error(kFirstNotString, args[0]);
  const Text* pattern = args[1].get_if<Text>();
  if (pattern == nullptr) return type_error(kSecondNotString, args[1]);
  auto regex = regex::Regex::compile(pattern->view());
  if (!regex) {
    return Unexpected(EvalError(
        EvalError::RegexError{"Invalid regex pattern: '" + std::move(regex).error() + "'"}));
  }
  return Value(regex->is_match(text->view()));
}

}  // namespace korvel::functions
