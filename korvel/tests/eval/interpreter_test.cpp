#include "korvel/interpreter.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "korvel/parser.hpp"
#include "printers.hpp"
#include "small_stack.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

Exp parse(std::string_view text) {
  auto parsed = parser::parse_exp(text);
  EXPECT_TRUE(parsed) << text << ": " << to_string(parsed.error());
  EXPECT_TRUE(parsed->rest.empty()) << text << " leaves " << parsed->rest;
  return std::move(parsed->value);
}

Env<Json> env_of(std::initializer_list<std::pair<std::string, Json>> pairs,
                 const FunctionTable* functions = nullptr) {
  Bindings<Json> bindings;
  for (const auto& [name, value] : pairs) bindings.emplace(name, value);
  EnvBuilder<Json> builder = functions ? EnvBuilder<Json>(functions) : EnvBuilder<Json>();
  return builder.bind_multiple(std::move(bindings)).build();
}

FnCallback sync(FnResult (*function)(Arguments)) {
  return FnCallback::Sync{std::make_shared<const SyncFunction>(function)};
}

// A table of its own, so that these tests do not depend on the builtins.
const FunctionTable& test_functions() {
  static const FunctionTable table = [] {
    FunctionTable t;
    t.emplace("count", sync([](Arguments args) -> FnResult {
                return Value(static_cast<std::int64_t>(args.size()));
              }));
    t.emplace("first", sync([](Arguments args) -> FnResult { return args.front(); }));
    t.emplace("fail", sync([](Arguments) -> FnResult {
                return Unexpected(EvalError(EvalError::TypeError{"bad argument"}));
              }));
    t.emplace("later", FnCallback::Async{std::make_shared<const AsyncFunction>(
                           [](Arguments, std::function<void(FnResult)>) {})});
    return t;
  }();
  return table;
}

const Env<Json>& bindings() {
  static const Env<Json> env = env_of({{"t", true},
                                       {"zero", 0},
                                       {"nan", std::numeric_limits<double>::quiet_NaN()},
                                       {"big", Json(Json::UInt{1ULL << 63})},
                                       {"s", "text"},
                                       {"list", Json::array({1, "a"})},
                                       {"obj", Json::object({{"b", 1}, {"a", 2}})}},
                                      &test_functions());
  return env;
}

Expected<Value, EvalError> owned_outcome(interpreter::EvalResult result) {
  if (!result) return Unexpected(std::move(result).error());
  return std::move(*result).take().into_owned();
}

// The walk of the tree, checked against its compiled program: every case of
// these tests must give the same result or error both ways.
Expected<Value, EvalError> evaluate(std::string_view text, const Env<Json>& env = bindings()) {
  const Exp tree = parse(text);
  Expected<Value, EvalError> walked = owned_outcome(interpreter::eval(tree, env));
  const Expected<Value, EvalError> run = owned_outcome(interpreter::eval(CompiledExp(tree), env));
  EXPECT_EQ(walked.has_value(), run.has_value()) << text;
  if (walked && run) {
    EXPECT_EQ(debug_string(*walked), debug_string(*run)) << text;
  } else if (!walked && !run) {
    EXPECT_EQ(walked.error(), run.error()) << text;
  }
  return walked;
}

Value str(std::string_view s) { return Value(Text::borrowed(s)); }

TEST(InterpreterTest, Results) {
  const std::pair<const char*, Value> cases[] = {
      // || yields the deciding value itself, && yields false for a falsy left
      {"0 || 'x'", str("x")},
      {"'s' || x", str("s")},
      {"0 && x", Value(false)},
      {"1 && 'y'", str("y")},
      {"[] || null", Value()},
      {"'' && 1", Value(false)},
      {"zero || s", str("text")},
      {"t && list", Value(Array{Value(1), str("a")})},
      // negation by truthiness
      {"!0", Value(true)},
      {"!'a'", Value(false)},
      {"!null", Value(true)},
      {"!-0.0", Value(true)},
      {"!nan", Value(false)},
      // equality needs the same variant; NaN equals nothing
      {"1 == 1.0", Value(false)},
      {"1 != 1.0", Value(true)},
      {"nan == nan", Value(false)},
      {"nan != nan", Value(true)},
      {"[1, 'a'] == list", Value(true)},
      {"{'a': 2, 'b': 1} == obj", Value(true)},
      // ordering of two ints or two floats
      {"-1 < 0", Value(true)},
      {"2 >= 2", Value(true)},
      {"-0.0 < 0.0", Value(false)},
      {"-0.0 <= 0.0", Value(true)},
      {"nan < 1.0", Value(false)},
      {"nan >= 1.0", Value(false)},
      {"1.0 > nan", Value(false)},
      {"1.5 > 1.25", Value(true)},
      // reads convert the designated part only
      {"obj.b", Value(1)},
      {"list[1]", str("a")},
      {"big", Value(9223372036854775808.0)},
      // literals
      {"[]", Value(Array{})},
      {"{}", Value(Object{})},
      {"[1, [2], {'k': null}]", Value(Array{Value(1), Value(Array{Value(2)}),
                                            [] {
                                              Object o;
                                              o.insert_or_assign("k", Value());
                                              return Value(std::move(o));
                                            }()})},
      // calls get their arguments in written order
      {"count()", Value(0)},
      {"count(1, 'a', [])", Value(3)},
      {"first(s, 1)", str("text")},
  };
  for (const auto& [text, expected] : cases) {
    auto result = evaluate(text);
    ASSERT_TRUE(result) << text << ": " << to_string(result.error());
    EXPECT_EQ(*result, expected) << text << " gave " << debug_string(*result);
  }
}

TEST(InterpreterTest, TheFirstFailureInEvaluationOrderIsReported) {
  const std::pair<const char*, const char*> cases[] = {
      {"[a, b]", "Variable not found: b"},            // items from the last to the first
      {"{'a': x, 'b': y}", "Variable not found: y"},  // members by descending key
      {"{'b': x, 'a': y}", "Variable not found: x"},
      {"f(x)", "Variable not found: x"},  // arguments before the name
      {"g(1)", "Undefined function: g"},
      {"count(x, y)", "Variable not found: x"},
      {"x == y", "Variable not found: x"},
      {"x < y", "Variable not found: x"},
      {"zero && x", ""},  // never read
      {"fail(1) || x", "Error calling function 'fail': Type Error: bad argument"},
      {"later()",
       "Error calling function 'later': Cannot call an async function in a sync context"},
      {"Count()", "Undefined function: Count"},
      {"1 < 2.5", "Type Error: Cannot compare values of different types: int and float"},
      {"'a' < 'b'", "Type Error: Cannot compare values of different types: string and string"},
      {"null <= null", "Type Error: Cannot compare values of different types: null and null"},
      {"t > t", "Type Error: Cannot compare values of different types: bool and bool"},
      {"[] >= []", "Type Error: Cannot compare values of different types: array and array"},
      {"big > 1", "Type Error: Cannot compare values of different types: float and int"},
      {"1 < 2 < 3", "Type Error: Cannot compare values of different types: bool and int"},
      {"list[2]", "Index out of bounds: Index out of bounds at 'list[2]' (index: 2, length: 2)"},
  };
  for (const auto& [text, message] : cases) {
    auto result = evaluate(text);
    if (*message == '\0') {
      EXPECT_TRUE(result) << text;
      continue;
    }
    ASSERT_FALSE(result) << text << " gave " << debug_string(*result);
    EXPECT_EQ(to_string(result.error()), message) << text;
  }
}

TEST(InterpreterTest, FailedCallsWrapTheBuiltinsError) {
  auto result = evaluate("fail()");
  ASSERT_FALSE(result);
  const auto* call = std::get_if<FnCallError>(&result.error().error);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->name, "fail");
  EXPECT_EQ(*call->error, EvalError(EvalError::TypeError{"bad argument"}));
}

TEST(InterpreterTest, TheDefaultTableServesCallsByTheirExactNames) {
  const Env<Json> env = env_of({{"items", Json::array({1, 2, 3})}, {"name", "Ada"}});
  const std::pair<const char*, Value> results[] = {
      {"len(items) == 3 && startsWith(name, 'A')", Value(true)},
      {"format('{0}-{1}', name, len(name))", Value(Text::borrowed("Ada-3"))},
      {"matches(name, '^A')", Value(true)},
  };
  for (const auto& [text, expected] : results) {
    auto result = evaluate(text, env);
    ASSERT_TRUE(result) << text << ": " << to_string(result.error());
    EXPECT_EQ(*result, expected) << text;
  }
  const std::pair<const char*, const char*> failures[] = {
      {"len(1)",
       "Error calling function 'len': Type Error: Expected a string, array, or object, got: 'int'"},
      {"startswith(name, 'A')", "Undefined function: startswith"},
  };
  for (const auto& [text, message] : failures) {
    auto result = evaluate(text, env);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(to_string(result.error()), message);
  }
}

TEST(InterpreterTest, LiteralResultsAreBorrowedFromTheTree) {
  const Exp literal = parse("'lit'");
  auto borrowed = interpreter::eval(literal, bindings());
  ASSERT_TRUE(borrowed);
  EXPECT_TRUE(borrowed->is_borrowed());
  EXPECT_EQ(&borrowed->get(), literal.get_if<Value>());

  const Exp variable = parse("s");
  auto held = interpreter::eval(variable, bindings());
  ASSERT_TRUE(held);
  EXPECT_FALSE(held->is_borrowed());
  // ...whose text still views the bound data.
  EXPECT_EQ(held->get().get_if<Text>()->view().data(), bindings().find("s")->as_str()->data());
}

TEST(InterpreterTest, BuiltinResultsAreMadeSelfContained) {
  const Exp call = parse("first(s)");
  auto result = interpreter::eval(call, bindings());
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->get().get_if<Text>()->is_borrowed());
}

TEST(InterpreterTest, LongChainsNeedNoRecursion) {
  // (zero && t) || (zero && t) || ... || zero: the last falsy operand decides.
  std::string text = "zero";
  for (int i = 0; i < 100'000; ++i) text += i % 2 ? " || zero" : " && t";
  auto result = evaluate(text);
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, Value(0));
}

// Bound data of any depth is read, compared, held and released without a
// call per level.
TEST(InterpreterTest, DeepDataNeedsNoDeepStack) {
  testing::run_on_small_stack([] {
    constexpr std::size_t kDepth = testing::kDeepNesting;
    Bindings<Json> bound;  // built without copying: the test data's copies recurse
    bound.emplace("v", testing::deep_json(kDepth, Json(1)));
    bound.emplace("w", testing::deep_json(kDepth, Json(1)));
    EnvBuilder<Json> builder;
    builder.bind_multiple(std::move(bound));
    const Env<Json> env = std::move(builder).build();
    const auto result = evaluate("[v] == [w]", env);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, Value(true));
  });
}

TEST(InterpreterTest, OneTreeEvaluatesAgainstManyEnvironments) {
  const Exp tree = parse("x == 1");
  for (int i = 0; i < 3; ++i) {
    auto env = env_of({{"x", i}});
    auto result = interpreter::eval(tree, env);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->get(), Value(i == 1));
  }
}

}  // namespace
}  // namespace korvel
