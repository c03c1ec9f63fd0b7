// Building argument values and calling builtins in tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builtins/builtins.hpp"
#include "korvel/errors.hpp"
#include "korvel/value.hpp"
#include "printers.hpp"

namespace korvel::builtin_test {

inline Value str(std::string_view s) { return Value(Text::borrowed(s)); }

inline Value arr(std::initializer_list<Value> elements) { return Value(Array(elements)); }

inline Value obj(std::initializer_list<std::pair<const char*, Value>> entries) {
  Object object;
  for (const auto& [key, value] : entries) object.insert_or_assign(key, value);
  return Value(std::move(object));
}

using Builtin = FnResult (*)(Arguments);

inline FnResult call(Builtin builtin, std::vector<Value> args) {
  return builtin(ArgumentValues(std::move(args)));
}

inline EvalError type_error(std::string message) {
  return EvalError::TypeError{std::move(message)};
}
inline EvalError value_error(std::string message) {
  return EvalError::ValueError{std::move(message)};
}
inline EvalError count_error(std::uint64_t expected, std::uint64_t given) {
  return EvalError::ArgumentError{expected, given};
}

// The result for gtest messages: the value's debug form or the error's display.
inline std::string describe(const FnResult& result) {
  return result ? debug_string(*result) : "error: " + to_string(result.error());
}

// A call and what it must return.
struct Case {
  std::vector<Value> args;
  Value expected;
};

struct ErrorCase {
  std::vector<Value> args;
  EvalError expected;
};

// Whether no text anywhere in `value` is borrowed: results never borrow from
// their arguments.
inline bool owns_all_text(const Value& value) {
  if (const Text* text = value.get_if<Text>()) return !text->is_borrowed();
  if (const Array* array = value.get_if<Array>()) {
    for (const Value& element : *array) {
      if (!owns_all_text(element)) return false;
    }
  }
  if (const Object* object = value.get_if<Object>()) {
    for (const ObjectEntry& entry : *object) {
      if (!owns_all_text(entry.value)) return false;
    }
  }
  return true;
}

inline std::string describe_args(const std::vector<Value>& args) {
  std::string text;
  for (const Value& arg : args) text.append(text.empty() ? "" : ", ").append(debug_string(arg));
  return "(" + text + ")";
}

inline void expect_results(Builtin builtin, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const FnResult result = call(builtin, c.args);
    ASSERT_TRUE(result) << describe_args(c.args) << " " << describe(result);
    EXPECT_EQ(*result, c.expected) << describe_args(c.args) << " gave " << describe(result);
    EXPECT_TRUE(owns_all_text(*result)) << describe_args(c.args);
  }
}

inline void expect_errors(Builtin builtin, const std::vector<ErrorCase>& cases) {
  for (const ErrorCase& c : cases) {
    const FnResult result = call(builtin, c.args);
    ASSERT_FALSE(result) << describe_args(c.args) << " gave " << describe(result);
    EXPECT_EQ(result.error(), c.expected)
        << describe_args(c.args) << " gave " << to_string(result.error());
  }
}

}  // namespace korvel::builtin_test
