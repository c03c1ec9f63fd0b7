// The "matches" builtin: whether a text matches a regular expression.
#include <string>
#include <string_view>

#include "builtins/argument_checks.hpp"
#include "builtins/builtins.hpp"
#include "regex/regex.hpp"

namespace korvel::functions {
namespace {

// The text to test, once the count and then both types are checked.
Expected<std::string_view, EvalError> text_to_test(Arguments args) {
  if (args.size() != 2) return count_error(2, args.size());
  const Text* text = args[0].get_if<Text>();
  if (text == nullptr) return type_error(kFirstNotString, args[0]);
  if (args[1].get_if<Text>() == nullptr) return type_error(kSecondNotString, args[1]);
  return text->view();
}

FnResult test(std::string_view text, const CompiledPattern& pattern) {
  if (!pattern) return Unexpected(pattern.error());
  return Value(pattern->is_match(text));
}

}  // namespace

CompiledPattern compile_pattern(std::string_view pattern) {
  auto regex = regex::Regex::compile(pattern);
  if (!regex) {
    return Unexpected(EvalError(
        EvalError::RegexError{"Invalid regex pattern: '" + std::move(regex).error() + "'"}));
  }
  return std::move(*regex);
}

FnResult matches_compiled(Arguments args, const CompiledPattern& pattern) {
  const auto text = text_to_test(args);
  if (!text) return Unexpected(text.error());
  return test(*text, pattern);
}

// A pattern that is not known before the call is compiled for the call alone.
FnResult matches(Arguments args) {
  const auto text = text_to_test(args);
  if (!text) return Unexpected(text.error());
  return test(*text, compile_pattern(args[1].get_if<Text>()->view()));
}

}  // namespace korvel::functions
