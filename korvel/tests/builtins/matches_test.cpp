// The "matches" builtin.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/builtins.hpp"

namespace korvel::functions {
namespace {

Value text(const char* s) { return Value(Text::borrowed(s)); }

// "matches", checked against matches_compiled given the pattern compiled
// ahead: both must give the same result or error.
FnResult call(std::vector<Value> args) {
  const ArgumentValues values(std::move(args));
  const Arguments view = values;
  FnResult result = matches(view);
  const Text* pattern = view.size() > 1 ? view[1].get_if<Text>() : nullptr;
  const CompiledPattern compiled = compile_pattern(pattern != nullptr ? pattern->view() : "(");
  const FnResult ahead = matches_compiled(view, compiled);
  EXPECT_EQ(result.has_value(), ahead.has_value());
  if (result && ahead) {
    EXPECT_EQ(*result, *ahead);
  } else if (!result && !ahead) {
    EXPECT_EQ(result.error(), ahead.error());
  }
  return result;
}

TEST(MatchesTest, TestsTheTextAnywhere) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"abc", "b", true},        {"abc", "^b", false},     {"abc", "^abc$", true},
      {"ABC", "abc", false},     {"ABC", "(?i)abc", true}, {"", "", true},
      {"\xc3\xa9", "\\w", true}, {"a\nb", "a.b", false},
  };
  for (const auto& [t, pattern, expected] : cases) {
    const FnResult result = call({text(t), text(pattern)});
    ASSERT_TRUE(result) << pattern;
    EXPECT_EQ(*result, Value(expected)) << t << " " << pattern;
  }
}

TEST(MatchesTest, RefusedPatternIsARegexError) {
  const FnResult result = call({text("abc"), text("(")});
  ASSERT_FALSE(result);
  EXPECT_EQ(
      result.error(),
      EvalError(EvalError::RegexError{
          "Invalid regex pattern: 'regex parse error:\n    (\n    ^\nerror: unclosed group'"}));
  const FnResult too_big = call({text(""), text("\\w{1000}")});
  ASSERT_FALSE(too_big);
  EXPECT_EQ(too_big.error(),
            EvalError(EvalError::RegexError{
                "Invalid regex pattern: 'Compiled regex exceeds size limit of 10485760 bytes.'"}));
}

TEST(MatchesTest, ChecksCountThenTypesInOrder) {
  EXPECT_EQ(call({text("a")}).error(), EvalError(EvalError::ArgumentError{2, 1}));
  EXPECT_EQ(call({}).error(), EvalError(EvalError::ArgumentError{2, 0}));
  EXPECT_EQ(call({Value(1), Value(2), text("(")}).error(),
            EvalError(EvalError::ArgumentError{2, 3}));
  EXPECT_EQ(call({Value(1), text("(")}).error(),
            EvalError(EvalError::TypeError{"Expected a string as the first argument, got: 'int'"}));
  EXPECT_EQ(call({Value(1), Value(true)}).error(),
            EvalError(EvalError::TypeError{"Expected a string as the first argument, got: 'int'"}));
  EXPECT_EQ(
      call({text("a"), Value(Null{})}).error(),
      EvalError(EvalError::TypeError{"Expected a string as the second argument, got: 'null'"}));
  EXPECT_EQ(
      call({text("a"), Value(Array{})}).error(),
      EvalError(EvalError::TypeError{"Expected a string as the second argument, got: 'array'"}));
}

TEST(MatchesTest, IsInTheDefaultTable) {
  const FnCallback& callback = default_vtable().at("matches");
  ASSERT_NE(callback.sync(), nullptr);
  const ArgumentValues args({text("xyz"), text("y")});
  EXPECT_EQ(*(*callback.sync()->function)(args), Value(true));
}

}  // namespace
}  // namespace korvel::functions
