// Compiled expressions: with the default table their calls go straight to the
// builtins, with any other table by name; both must behave as the tree walk.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "korvel/compiled_exp.hpp"
#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "printers.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

CompiledExp compile(std::string_view text) {
  auto parsed = parser::parse_whole_exp(text);
  EXPECT_TRUE(parsed) << text << ": " << to_string(parsed.error());
  return CompiledExp(std::move(*parsed).into_owned());
}

Bindings<Json> sample_bindings() {
  Bindings<Json> bindings;
  bindings.emplace("s", "a,b,,c");
  bindings.emplace("n", 3);
  bindings.emplace("f", 2.5);
  bindings.emplace("t", true);
  bindings.emplace("nan", std::numeric_limits<double>::quiet_NaN());
  bindings.emplace("list", Json::array({1, "x", Json::array({}), nullptr}));
  bindings.emplace("user", Json::object({{"email", "admin@example.org"},
                                         {"roles", Json::array({})},
                                         {"tags", Json::array({"alpha", "beta"})}}));
  return bindings;
}

Env<Json> env_with(const FunctionTable* functions) {
  EnvBuilder<Json> builder = functions ? EnvBuilder<Json>(functions) : EnvBuilder<Json>();
  return std::move(builder.bind_multiple(sample_bindings())).build();
}

// The result as text, so that results holding a NaN compare too.
std::string describe(const interpreter::EvalResult& result) {
  if (!result) return "error: " + to_string(result.error());
  return debug_string(result->get());
}

// Expressions over every kind of node, every builtin and the errors they
// raise, in combinations where the order of evaluation decides which error
// is reported.
constexpr const char* kCorpus[] = {
    "1",
    "'text'",
    "null",
    "s",
    "list[1]",
    "user.email",
    "nope",
    "user.nope",
    "list[9]",
    "!t",
    "!nan",
    "n == 3 && f > 2.0 || s",
    "0 || 'x'",
    "0 && nope",
    "'' || nope",
    "n < f",
    "s >= s",
    "1 == 1.0",
    "nan != nan",
    "[]",
    "{}",
    "[1, 'a', [true, null], {'k': [2.5]}]",
    "{'b': [1, {'c': 'd'}], 'a': 'x'}",
    "[n, [1, 2], 'x']",
    "{'a': x, 'b': y}",
    "{'b': x, 'a': y}",
    "[x, y]",
    "[[[[n]]], {'k': {'l': [s]}}]",
    "{'a': n, 'b': [n, s], 'c': {'d': list}}",
    "startsWith(user.email, 'admin') && len(user.roles) > 0 || contains(user.tags, 'beta')",
    "len(s)",
    "len(list)",
    "len(user)",
    "len(n)",
    "len()",
    "len(s, s)",
    "endsWith(s, 'c')",
    "contains(s, ',,')",
    "contains(list, [])",
    "contains(user, 'tags')",
    "contains(n, s)",
    "replace(s, ',', ';')",
    "replace(s, '', '-')",
    "replace(s, 'zz', 'y')",
    "split(s, ',')",
    "split(s, '')",
    "split('', ',')",
    "split(s, n)",
    "join(split(s, ','), ';')",
    "join(list, '-')",
    "join(s, '-')",
    "join([], '-')",
    "join(['only'], '-')",
    "bool(list)",
    "string(s)",
    "string(list)",
    "string(split(s, ','))",
    "int('42')",
    "int(s)",
    "float('1e3')",
    "float(list)",
    "format('{0}/{1}/{0}', n, s)",
    "format('{2}', n)",
    "format(1)",
    "matches(s, '^a,')",
    "matches(s, 'z')",
    "matches(s, '(')",
    "matches(1, '(')",
    "matches(s, 1)",
    "matches(s)",
    "matches(s, '(', 1)",
    "matches(nope, '(')",
    "t || matches(s, '(')",
    "matches(s, s)",
    "matches(user.email, '^[a-z]+@')",
    "unknown(1)",
    "unknown(nope)",
    "Len(s)",
    "len(unknown(1))",
    "contains(['a', 'b'], user.tags[1])",
    "[split(s, ','), string(s)]",
    "{'x': split(s, ','), 'y': replace(s, ',', '')}",
};

TEST(CompiledExpTest, AgreesWithTheTreeWalkWithTheDefaultTableAndWithACopyOfIt) {
  const Env<Json> resolved = env_with(nullptr);
  const FunctionTable copy = default_vtable();
  const Env<Json> by_name = env_with(&copy);
  for (const char* text : kCorpus) {
    const CompiledExp exp = compile(text);
    const std::string walked = describe(interpreter::eval(exp.tree(), resolved));
    EXPECT_EQ(describe(interpreter::eval(exp, resolved)), walked) << text;
    EXPECT_EQ(describe(interpreter::eval(exp, by_name)), walked) << text;
    EXPECT_EQ(describe(interpreter::eval(exp.tree(), by_name)), walked) << text;
  }
}

FnCallback sync(FnResult (*function)(Arguments)) {
  return FnCallback::Sync{std::make_shared<const SyncFunction>(function)};
}

TEST(CompiledExpTest, AnotherTableIsAskedByNameAtEveryCall) {
  // "matches" and "len" of this table are not the builtins; "twice" is no
  // builtin at all, and the builtin "split" is missing.
  FunctionTable table;
  table.emplace("matches", sync([](Arguments) -> FnResult { return Value(Text::owned("own")); }));
  table.emplace("len", sync([](Arguments args) -> FnResult {
                  return Value(static_cast<std::int64_t>(args.size()) * 100);
                }));
  table.emplace("twice", sync([](Arguments args) -> FnResult {
                  return Value(Array{args.front(), args.front()});
                }));
  const Env<Json> env = env_with(&table);
  const std::pair<const char*, const char*> cases[] = {
      {"matches(s, '(')", "String(\"own\")"},
      {"len(s, s)", "Int(200)"},
      {"twice(s)", "Array([String(\"a,b,,c\"), String(\"a,b,,c\")])"},
      {"split(s, ',')", "error: Undefined function: split"},
      {"split(nope, ',')", "error: Variable not found: nope"},
  };
  for (const auto& [text, expected] : cases) {
    const CompiledExp exp = compile(text);
    EXPECT_EQ(describe(interpreter::eval(exp, env)), expected) << text;
    EXPECT_EQ(describe(interpreter::eval(exp.tree(), env)), expected) << text;
  }
}

TEST(CompiledExpTest, ALiteralPatternFailsWhereTheCallWould) {
  const Env<Json> env = env_with(nullptr);
  const CompiledExp exp = compile("matches(s, '(')");
  const interpreter::EvalResult result = interpreter::eval(exp, env);
  ASSERT_FALSE(result);
  const auto* call = std::get_if<FnCallError>(&result.error().error);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->name, "matches");
  EXPECT_EQ(*call->error, EvalError(EvalError::RegexError{"Invalid regex pattern: 'regex parse "
                                                          "error:\n    (\n    ^\nerror: "
                                                          "unclosed group'"}));
  // Evaluated again, the kept error is reported again.
  EXPECT_EQ(describe(interpreter::eval(exp, env)), describe(result));
}

TEST(CompiledExpTest, ConstantsAreBuiltOnceAndBorrowed) {
  const Env<Json> env = env_with(nullptr);
  const CompiledExp constant = compile("[1, 'a', {'k': [true]}]");
  const interpreter::EvalResult first = interpreter::eval(constant, env);
  const interpreter::EvalResult second = interpreter::eval(constant, env);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->is_borrowed());
  EXPECT_EQ(&first->get(), &second->get());

  const interpreter::EvalResult literal = interpreter::eval(compile("'a'"), env);
  ASSERT_TRUE(literal);
  EXPECT_TRUE(literal->is_borrowed());

  const interpreter::EvalResult built = interpreter::eval(compile("[1, n]"), env);
  ASSERT_TRUE(built);
  EXPECT_FALSE(built->is_borrowed());
}

TEST(CompiledExpTest, BuiltinResultsMayViewTheBoundData) {
  const Env<Json> env = env_with(nullptr);
  const std::string_view bound = *env.find("s")->as_str();
  const CompiledExp exp = compile("split(s, ',')");
  const interpreter::EvalResult result = interpreter::eval(exp, env);
  ASSERT_TRUE(result);
  for (const Value& piece : *result->get().get_if<Array>()) {
    const std::string_view text = piece.get_if<Text>()->view();
    EXPECT_TRUE(text.data() >= bound.data() && text.data() + text.size() <= bound.end());
  }

  // A table that is not the default one may hold any function, whose results
  // are made self-contained.
  const FunctionTable copy = default_vtable();
  const interpreter::EvalResult owned = interpreter::eval(exp, env_with(&copy));
  ASSERT_TRUE(owned);
  for (const Value& piece : *owned->get().get_if<Array>()) {
    EXPECT_FALSE(piece.get_if<Text>()->is_borrowed());
  }
}

TEST(CompiledExpTest, ReadersAreToldTheSlotOfEachRead) {
  // Members are evaluated by descending key, items from the last to the first.
  const CompiledExp exp = compile("{'a': [x, y.z], 'b': x}");
  ASSERT_EQ(exp.variables().size(), 3U);
  std::vector<std::string> reads;
  auto read = [&](std::size_t slot, const VarAccess& path) -> Expected<Value, EvalError> {
    EXPECT_EQ(&path, exp.variables()[slot]);
    reads.push_back(std::to_string(slot) + ":" +
                    VarAccess::resolve_name_until(path.names(), nullptr, path.names().size()));
    return Value(static_cast<std::int64_t>(slot));
  };
  const interpreter::EvalResult result =
      interpreter::eval(exp, default_vtable(), interpreter::SlotReader(read));
  ASSERT_TRUE(result);
  EXPECT_EQ(reads, (std::vector<std::string>{"0:x", "1:y.z", "2:x"}));
  EXPECT_EQ(debug_string(result->get()), "Object({\"a\": Array([Int(2), Int(1)]), \"b\": Int(0)})");
}

TEST(CompiledExpTest, DeepAndLongExpressions) {
  const Env<Json> env = env_with(nullptr);
  // Deeper than the stack kept inside the machine: every level waits for the
  // next one with a value pending.
  std::string nested = "n";
  for (int i = 0; i < 100; ++i) nested = "[n, " + nested + "]";
  // A chain whose last falsy operand decides, too long for any recursion.
  std::string chain = "n";
  for (int i = 0; i < 100'000; ++i) chain += i % 2 ? " || 0" : " && t";
  for (const std::string& text : {nested, chain}) {
    const CompiledExp exp = compile(text);
    EXPECT_EQ(describe(interpreter::eval(exp, env)), describe(interpreter::eval(exp.tree(), env)));
  }
}

TEST(CompiledExpTest, EqualityComparesTrees) {
  EXPECT_EQ(compile("{'b': 1, 'a': [x]}"), compile("({'a': [x], 'b': 1})"));
  EXPECT_NE(compile("[1]"), compile("[1.0]"));
}

}  // namespace
}  // namespace korvel
