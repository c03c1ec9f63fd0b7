// The checks every builtin makes before it computes: the argument count first,
// then the argument types from left to right.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "builtins/builtins.hpp"

namespace korvel::functions {

inline Unexpected<EvalError> count_error(std::size_t expected, std::size_t given) {
  return Unexpected(EvalError(EvalError::ArgumentError{expected, given}));
}

// `message` with its one "{}" replaced by the type name of `value`.
inline Unexpected<EvalError> type_error(std::string_view message, const Value& value) {
  const std::size_t hole = message.find("{}");
  std::string text(message.substr(0, hole));
  text.append(type_name(value.get_type())).append(message.substr(hole + 2));
  return Unexpected(EvalError(EvalError::TypeError{std::move(text)}));
}

inline constexpr std::string_view kFirstNotString =
    "Expected a string as the first argument, got: '{}'";
inline constexpr std::string_view kSecondNotString =
    "Expected a string as the second argument, got: '{}'";
inline constexpr std::string_view kThirdNotString =
    "Expected a string as the third argument, got: '{}'";

}  // namespace korvel::functions
