// The "matches" builtin: whether a text matches a regular expression.
#include <string>

#include "korvel/functions.hpp"
#include "regex/regex.hpp"

namespace korvel::functions {
namespace {

EvalError type_error(std::string_view which, const Value& value) {
  std::string message = "Expected a string as the ";
  message.append(which).append(" argument, got: '").append(type_name(value.get_type()));
  message.push_back('\'');
  return EvalError::TypeError{std::move(message)};
}

}  // namespace

// The pattern is compiled on every call; nothing is cached.
FnResult matches(Arguments args) {
  if (args.size() != 2) return Unexpected(EvalError(EvalError::ArgumentError{2, args.size()}));
  const Text* text = args[0].get_if<Text>();
  if (text == nullptr) return Unexpected(type_error("first", args[0]));
  const Text* pattern = args[1].get_if<Text>();
  if (pattern == nullptr) return Unexpected(type_error("second", args[1]));
  auto regex = regex::Regex::compile(pattern->view());
  if (!regex) {
    return Unexpected(EvalError(
        EvalError::RegexError{"Invalid regex pattern: '" + std::move(regex).error() + "'"}));
  }
  return Value(regex->is_match(text->view()));
}

}  // namespace korvel::functions
