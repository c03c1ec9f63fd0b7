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

// Calls f(text) for every text anywhere in `value`.
template <class F>
void for_each_text(const Value& value, F&& f) {
  if (const Text* text = value.get_if<Text>()) f(*text);
  if (const Array* array = value.get_if<Array>()) {
    for (const Value& element : *array) for_each_text(element, f);
  }
  if (const Object* object = value.get_if<Object>()) {
    for (const ObjectEntry& entry : *object) for_each_text(entry.value, f);
  }
}

// Whether no text anywhere in `value` is borrowed.
inline bool owns_all_text(const Value& value) {
  bool owns = true;
  for_each_text(value, [&](const Text& text) { owns = owns && !text.is_borrowed(); });
  return owns;
}

// Whether every text that `result` views lies inside text that one of `args`
// views: a result may view what outlives the call, never what an argument
// owns.
inline bool views_only_viewed_text(const Value& result, const std::vector<Value>& args) {
  std::vector<std::string_view> viewed;
  for (const Value& arg : args) {
    for_each_text(arg, [&](const Text& text) {
      if (text.is_borrowed()) viewed.push_back(text.view());
    });
  }
  bool inside = true;
  for_each_text(result, [&](const Text& text) {
    if (!text.is_borrowed()) return;
    const char* begin = text.view().data();
    const char* end = begin + text.view().size();
    bool found = false;
    for (std::string_view source : viewed) {
      found = found || (begin >= source.data() && end <= source.data() + source.size());
    }
    inside = inside && found;
  });
  return inside;
}

// The same arguments with every text owned.
inline std::vector<Value> owned_copies(const std::vector<Value>& args) {
  std::vector<Value> copies;
  for (const Value& arg : args) copies.push_back(Value(arg).into_owned());
  return copies;
}

inline std::string describe_args(const std::vector<Value>& args) {
  std::string text;
  for (const Value& arg : args) text.append(text.empty() ? "" : ", ").append(debug_string(arg));
  return "(" + text + ")";
}

// Each case is called twice: with its arguments as given, and with every text
// of them owned, after which the result must own all of its text.
inline void expect_results(Builtin builtin, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const FnResult result = call(builtin, c.args);
    ASSERT_TRUE(result) << describe_args(c.args) << " " << describe(result);
    EXPECT_EQ(*result, c.expected) << describe_args(c.args) << " gave " << describe(result);
    EXPECT_TRUE(views_only_viewed_text(*result, c.args)) << describe_args(c.args);

    const FnResult from_owned = call(builtin, owned_copies(c.args));
    ASSERT_TRUE(from_owned) << describe_args(c.args) << " " << describe(from_owned);
    EXPECT_EQ(*from_owned, c.expected) << describe_args(c.args);
    EXPECT_TRUE(owns_all_text(*from_owned)) << describe_args(c.args);
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
