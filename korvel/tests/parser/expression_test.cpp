#include "parser/expression.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "korvel/parser.hpp"

namespace korvel::parser {
namespace {

// Trees written the way the grammar's documentation writes them.
Exp V(std::string name) { return VarAccess({VarName{std::move(name), std::nullopt}}); }
Exp Path(std::vector<VarName> names) { return VarAccess(std::move(names)); }
Exp Int(std::int64_t i) { return Value(i); }
Exp Float(double d) { return Value(d); }
Exp Str(std::string_view s) { return Value(Text::owned(std::string(s))); }
Exp Bool(bool b) { return Value(b); }
Exp Nul() { return Value(); }
Exp Not(Exp e) { return Exp::Not{Box<Exp>(std::move(e))}; }
Exp Or(Exp l, Exp r) { return Exp::binary(Exp::kOr, std::move(l), std::move(r)); }
Exp And(Exp l, Exp r) { return Exp::binary(Exp::kAnd, std::move(l), std::move(r)); }
Exp Eq(Exp l, Exp r) { return Exp::binary(Exp::kEq, std::move(l), std::move(r)); }
Exp Neq(Exp l, Exp r) { return Exp::binary(Exp::kNeq, std::move(l), std::move(r)); }
Exp Gt(Exp l, Exp r) { return Exp::gt(std::move(l), std::move(r)); }
Exp Lt(Exp l, Exp r) { return Exp::lt(std::move(l), std::move(r)); }
Exp Geq(Exp l, Exp r) { return Exp::geq(std::move(l), std::move(r)); }
Exp Leq(Exp l, Exp r) { return Exp::leq(std::move(l), std::move(r)); }
Exp Call(std::string_view name, std::vector<Exp> args = {}) { return FunctionItem(name, args); }
Exp Arr(std::vector<Exp> items = {}) { return Exp::Array{std::move(items)}; }
// Members in key order, as the parser stores them.
Exp Obj(std::vector<ExpMember> members = {}) { return Exp::Object{std::move(members)}; }

const std::string kNbsp = "\xc2\xa0";
const std::string kIdeographicSpace = "\xe3\x80\x80";

struct Success {
  std::string input;
  Exp tree;
  std::string_view rest;
};

struct Failure {
  std::string input;
  ErrorKind kind;
  std::string remaining;
};

bool is_suffix(std::string_view part, std::string_view whole) {
  return part.data() + part.size() == whole.data() + whole.size() && part.size() <= whole.size();
}

void expect_successes(const std::vector<Success>& cases) {
  for (const Success& c : cases) {
    auto result = parse_exp(c.input);
    ASSERT_TRUE(result) << c.input << ": " << to_string(result.error());
    EXPECT_EQ(result->value, c.tree) << c.input;
    EXPECT_EQ(result->rest, c.rest) << c.input;
    EXPECT_TRUE(is_suffix(result->rest, c.input)) << c.input;
  }
}

void expect_failures(const std::vector<Failure>& cases) {
  for (const Failure& c : cases) {
    auto result = parse_exp(c.input);
    ASSERT_FALSE(result) << c.input;
    EXPECT_EQ(error_kind_name(result.error().kind), error_kind_name(c.kind)) << c.input;
    EXPECT_EQ(result.error().input, c.remaining) << c.input;
    EXPECT_TRUE(is_suffix(result.error().input, c.input)) << c.input;
  }
}

TEST(ExpressionTest, Precedence) {
  expect_successes({
      {"a || b || c", Or(Or(V("a"), V("b")), V("c")), ""},
      {"a && b || c && d", Or(And(V("a"), V("b")), And(V("c"), V("d"))), ""},
      {"a || b && c", Or(V("a"), And(V("b"), V("c"))), ""},
      {"a && b && c", And(And(V("a"), V("b")), V("c")), ""},
      {"!a && b", And(Not(V("a")), V("b")), ""},
      {"a == b != c", Eq(V("a"), Neq(V("b"), V("c"))), ""},
      {"a != b == c", Eq(Neq(V("a"), V("b")), V("c")), ""},
      {"a > b == c > d", Eq(Gt(V("a"), V("b")), Gt(V("c"), V("d"))), ""},
      {"!a == b", Eq(Not(V("a")), V("b")), ""},
      {"a != b < c", Neq(V("a"), Lt(V("b"), V("c"))), ""},
      {"a < b < c", Lt(Lt(V("a"), V("b")), V("c")), ""},
      {"a <= b >= c > d", Gt(Geq(Leq(V("a"), V("b")), V("c")), V("d")), ""},
      {"a == b && c != d || e", Or(And(Eq(V("a"), V("b")), Neq(V("c"), V("d"))), V("e")), ""},
      {"(a || b) && c", And(Or(V("a"), V("b")), V("c")), ""},
      {"!(a || b)", Not(Or(V("a"), V("b"))), ""},
      {"!(!a)", Not(Not(V("a"))), ""},
      {"! a", Not(V("a")), ""},
      {"!\na", Not(V("a")), ""},
  });
}

TEST(ExpressionTest, OperatorTokens) {
  expect_successes({
      {"a>=b", Geq(V("a"), V("b")), ""},
      {"a >= b", Geq(V("a"), V("b")), ""},
      {"a >=b", Geq(V("a"), V("b")), ""},
      {"a<=b", Leq(V("a"), V("b")), ""},
      {"a>b", Gt(V("a"), V("b")), ""},
      {"a<b", Lt(V("a"), V("b")), ""},
      {"a&&b", And(V("a"), V("b")), ""},
      {"a||b", Or(V("a"), V("b")), ""},
      {"a==b", Eq(V("a"), V("b")), ""},
      {"a!=b", Neq(V("a"), V("b")), ""},
      {"a ||\n\tb", Or(V("a"), V("b")), ""},
      // An operand after "==" or "!=" that cannot be read gives its operator back.
      {"a == ", V("a"), "== "},
      {"a == b ==", Eq(V("a"), V("b")), "=="},
      {"a === b", V("a"), "=== b"},
      {"a !== b", V("a"), "!== b"},
      {"a == b != c != d", V("a"), "== b != c != d"},
      {"a == (b", V("a"), "== (b"},
      // No single "=", "&" or "|" is an operator.
      {"a = b", V("a"), "= b"},
      {"a & b", V("a"), "& b"},
      {"a | b", V("a"), "| b"},
      {"a => b", V("a"), "=> b"},
      {"a b", V("a"), "b"},
      {"a || b c", Or(V("a"), V("b")), "c"},
  });
}

TEST(ExpressionTest, OperatorFailures) {
  expect_failures({
      {"a == b == c", ErrorKind::Count, ""},
      {"a == b == c == d", ErrorKind::Count, ""},
      {"x || a == b == c", ErrorKind::Count, ""},
      {"x && a == b == c", ErrorKind::Count, ""},
      {"a == b == c || d", ErrorKind::Count, "|| d"},
      {"a == b == c ==", ErrorKind::Count, "=="},
      {"a != b != c", ErrorKind::Count, ""},
      {"a != b != c != d", ErrorKind::Count, ""},
      {"(a == b == c)", ErrorKind::Count, ")"},
      {"a || ", ErrorKind::Char, ""},
      {"a && ", ErrorKind::Char, ""},
      {"a < ", ErrorKind::Char, ""},
      {"a ||| b", ErrorKind::Char, "| b"},
      {"a &&& b", ErrorKind::Char, "& b"},
      {"a <> b", ErrorKind::Char, "> b"},
      {"a > = b", ErrorKind::Char, "= b"},
      {"!!a", ErrorKind::Char, "!a"},
      {"!", ErrorKind::Char, ""},
      {"!= b", ErrorKind::Char, "= b"},
      {"!(a", ErrorKind::Char, ""},
  });
}

TEST(ExpressionTest, NumberLiterals) {
  const std::string digits400(400, '9');
  expect_successes({
      {"1.5", Float(1.5), ""},
      {"-1.5", Float(-1.5), ""},
      {"+1.5", Float(1.5), ""},
      {"00.50", Float(0.5), ""},
      {"1", Int(1), ""},
      {"+7", Int(7), ""},
      {"-0", Int(0), ""},
      {"007", Int(7), ""},
      {"1 == 1.0", Eq(Int(1), Float(1.0)), ""},
      {"9007199254740993.0", Float(9007199254740992.0), ""},
      {"9007199254740995.0", Float(9007199254740996.0), ""},
      {"0.1", Float(0.1), ""},
      {digits400 + ".0", Float(std::numeric_limits<double>::infinity()), ""},
      {"-" + digits400 + ".5", Float(-std::numeric_limits<double>::infinity()), ""},
      {"0." + std::string(400, '0') + "1", Float(0.0), ""},
      {"9223372036854775807", Int(std::numeric_limits<std::int64_t>::max()), ""},
      {"-9223372036854775808", Int(std::numeric_limits<std::int64_t>::min()), ""},
      {"9223372036854775808.0", Float(9223372036854775808.0), ""},
      {"1.", Int(1), "."},
      {"1e5", Int(1), "e5"},
      {"1.5.3", Float(1.5), ".3"},
      {"1-1", Int(1), "-1"},
      {"1.5 ", Float(1.5), ""},
  });
  expect_failures({
      {"9223372036854775808", ErrorKind::Char, "9223372036854775808"},
      {"-9223372036854775809", ErrorKind::Char, "-9223372036854775809"},
      {".5", ErrorKind::Char, ".5"},
      {"-.5", ErrorKind::Char, "-.5"},
      {"- 1", ErrorKind::Char, "- 1"},
      {"-a", ErrorKind::Char, "-a"},
      {"+-1", ErrorKind::Char, "+-1"},
      {"a || 99999999999999999999", ErrorKind::Char, "99999999999999999999"},
  });
}

// Equality of trees treats 0.0 and -0.0 alike, so the sign is checked apart.
TEST(ExpressionTest, SignedZeros) {
  const struct {
    std::string input;
    bool negative;
  } cases[] = {
      {"0.0", false},
      {"-0.0", true},
      {"+0.0", false},
      {"-0." + std::string(400, '0') + "1", true},
      {"0." + std::string(400, '0') + "1", false},
  };
  for (const auto& c : cases) {
    auto result = parse_exp(c.input);
    ASSERT_TRUE(result) << c.input;
    const Value* value = result->value.get_if<Value>();
    ASSERT_NE(value, nullptr) << c.input;
    const double* d = value->get_if<double>();
    ASSERT_NE(d, nullptr) << c.input;
    EXPECT_EQ(*d, 0.0) << c.input;
    EXPECT_EQ(std::signbit(*d), c.negative) << c.input;
  }
}

TEST(ExpressionTest, KeywordAndTextLiterals) {
  expect_successes({
      {"true", Bool(true), ""},
      {"false", Bool(false), ""},
      {"null", Nul(), ""},
      {"true_x", Bool(true), "_x"},
      {"nullable", Nul(), "able"},
      {"false1", Bool(false), "1"},
      {"true(1)", Bool(true), "(1)"},
      {"True", V("True"), ""},
      {"NULL", V("NULL"), ""},
      {"xtrue", V("xtrue"), ""},
      {"'a' 'b'", Str("a"), "'b'"},
      {"\"a\\tb\"", Str("a\tb"), ""},
      {"r'x\\n'", Str("x\\n"), ""},
      {"r", V("r"), ""},
      {"r (x)", Call("r", {V("x")}), ""},
      {"'' == \"\"", Eq(Str(""), Str("")), ""},
  });
}

TEST(ExpressionTest, RawTextLiteralsBorrowFromTheInput) {
  const std::string input = "r'raw' == 'escaped'";
  auto result = parse_exp(input);
  ASSERT_TRUE(result);
  const Exp::Operands* operands = result->value.operands();
  ASSERT_NE(operands, nullptr);
  const Text* raw = operands->left->get_if<Value>()->get_if<Text>();
  const Text* escaped = operands->right->get_if<Value>()->get_if<Text>();
  ASSERT_NE(raw, nullptr);
  ASSERT_NE(escaped, nullptr);
  EXPECT_TRUE(raw->is_borrowed());
  EXPECT_EQ(raw->view().data(), input.data() + 2);
  EXPECT_FALSE(escaped->is_borrowed());
}

TEST(ExpressionTest, Arrays) {
  expect_successes({
      {"[]", Arr(), ""},
      {"[ ]", Arr(), ""},
      {"[1, 2]", Arr({Int(1), Int(2)}), ""},
      {"[ 1 , 2 ]", Arr({Int(1), Int(2)}), ""},
      {"[\n1,\n2\n]", Arr({Int(1), Int(2)}), ""},
      {"[[], [a], 'x']", Arr({Arr(), Arr({V("a")}), Str("x")}), ""},
      {"[a || b, !c]", Arr({Or(V("a"), V("b")), Not(V("c"))}), ""},
      {"[" + kNbsp + "1," + kNbsp + "2]", Arr({Int(1), Int(2)}), ""},
      {"[1] == [1]", Eq(Arr({Int(1)}), Arr({Int(1)})), ""},
  });
  // A failing item never surfaces: the array fails at its start.
  expect_failures({
      {"[1,]", ErrorKind::Char, "[1,]"},
      {"[,]", ErrorKind::Char, "[,]"},
      {"[1 2]", ErrorKind::Char, "[1 2]"},
      {"[1", ErrorKind::Char, "[1"},
      {"[a == b == c]", ErrorKind::Char, "[a == b == c]"},
      {"[" + kNbsp + "]", ErrorKind::Char, "[" + kNbsp + "]"},
      {"x || [1,]", ErrorKind::Char, "[1,]"},
  });
}

TEST(ExpressionTest, Objects) {
  expect_successes({
      {"{}", Obj(), ""},
      {"{ }", Obj(), ""},
      {"{\"a\": 1}", Obj({{"a", Int(1)}}), ""},
      {"{\"a\":1}", Obj({{"a", Int(1)}}), ""},
      {"{\"a\":" + kNbsp + "1}", Obj({{"a", Int(1)}}), ""},
      {"{'b': 1, \"a\": 2}", Obj({{"a", Int(2)}, {"b", Int(1)}}), ""},
      {"{r'k': 1}", Obj({{"k", Int(1)}}), ""},
      {"{'': 1}", Obj({{"", Int(1)}}), ""},
      {"{'k\\n': x}", Obj({{"k\n", V("x")}}), ""},
      // Keys sort by their bytes: upper case before lower, a prefix first,
      // non-ASCII last.
      {"{'\xc3\xa9': 1, 'ab': 2, 'b': 3, 'a': 4, 'B': 5}",
       Obj({{"B", Int(5)}, {"a", Int(4)}, {"ab", Int(2)}, {"b", Int(3)}, {"\xc3\xa9", Int(1)}}),
       ""},
      // The member written last wins.
      {"{\"a\": 1, \"a\": 2}", Obj({{"a", Int(2)}}), ""},
      {"{\"a\": g(), \"a\": 2}", Obj({{"a", Int(2)}}), ""},
      {"{'a': 1, 'b': 2, 'a': 3, 'a': 4, 'b': 5, 'c': 6}",
       Obj({{"a", Int(4)}, {"b", Int(5)}, {"c", Int(6)}}), ""},
      {"{'a': {'b': [1]}}", Obj({{"a", Obj({{"b", Arr({Int(1)})}})}}), ""},
      {"{'a': 1} x", Obj({{"a", Int(1)}}), "x"},
  });
  expect_failures({
      {"{\"a\" : 1}", ErrorKind::Char, "{\"a\" : 1}"},
      {"{a: 1}", ErrorKind::Char, "{a: 1}"},
      {"{\"a\": 1,}", ErrorKind::Char, "{\"a\": 1,}"},
      {"{\"a\": 1 \"b\": 2}", ErrorKind::Char, "{\"a\": 1 \"b\": 2}"},
      {"{\"k\": a == b == c}", ErrorKind::Char, "{\"k\": a == b == c}"},
      {"{\"k\": }", ErrorKind::Char, "{\"k\": }"},
      {"{\"a\": 1", ErrorKind::Char, "{\"a\": 1"},
  });
}

TEST(ExpressionTest, Calls) {
  const Exp f = Call("f");
  expect_successes({
      {"f()", f, ""},
      {"f( )", f, ""},
      {"f(,)", f, ""},
      {"f( , )", f, ""},
      {"f(a,)", Call("f", {V("a")}), ""},
      {"f(a ,)", Call("f", {V("a")}), ""},
      {"f(a, b)", Call("f", {V("a"), V("b")}), ""},
      {"f(1, 'x', [y], g())", Call("f", {Int(1), Str("x"), Arr({V("y")}), Call("g")}), ""},
      {"f(,a)", V("f"), "(,a)"},
      {"f(a,,)", V("f"), "(a,,)"},
      {"f(a b)", V("f"), "(a b)"},
      {"f(a == b == c)", V("f"), "(a == b == c)"},
      {"len (x)", Call("len", {V("x")}), ""},
      {"len" + kNbsp + "(x)", Call("len", {V("x")}), ""},
      {"len\n(x)", Call("len", {V("x")}), ""},
      {"a (b)", Call("a", {V("b")}), ""},
      {"f(" + kNbsp + "a)", Call("f", {V("a")}), ""},
      {"f(a," + kNbsp + "b)", Call("f", {V("a"), V("b")}), ""},
      {"f(a" + kNbsp + ")", Call("f", {V("a")}), ""},
      {"f(a," + kNbsp + ")", Call("f", {V("a")}), ""},
      {"f(x)(y)", Call("f", {V("x")}), "(y)"},
      {"a.b(x)", Path({{"a", std::nullopt}, {"b", std::nullopt}}), "(x)"},
      {"'s'(x)", Str("s"), "(x)"},
      {"startsWith(a, b)", Call("startsWith", {V("a"), V("b")}), ""},
      {"f_x(1)", V("f_x"), "(1)"},
      {"base64Encode(x)", V("base64Encode"), "(x)"},
      {"\xc3\xa9t\xc3\xa9(1)", Call("\xc3\xa9t\xc3\xa9", {Int(1)}), ""},
      {"\xe6\x97\xa5(1)", Call("\xe6\x97\xa5", {Int(1)}), ""},
      {"f(g(h(x)))", Call("f", {Call("g", {Call("h", {V("x")})})}), ""},
      {"f(x) > 1", Gt(Call("f", {V("x")}), Int(1)), ""},
  });
  expect_failures({
      {"\xc3\xa9t\xc3\xa9", ErrorKind::Char, "\xc3\xa9t\xc3\xa9"},
      {"\xc3\xa9(", ErrorKind::Char, "\xc3\xa9("},
  });
}

TEST(ExpressionTest, Blanks) {
  expect_successes({
      {" \t\r\na", V("a"), ""},
      {kNbsp + "a", V("a"), ""},
      {"\v\f" + kIdeographicSpace + "a", V("a"), ""},
      {"(" + kNbsp + "a)", V("a"), ""},
      {"( a )", V("a"), ""},
      {"a ", V("a"), ""},
      {"a" + kNbsp + "|| b", V("a"), kNbsp + "|| b"},
      {"a\v|| b", V("a"), "\v|| b"},
  });
  expect_failures({
      {"", ErrorKind::Char, ""},
      {" \t\n", ErrorKind::Char, ""},
      {kNbsp, ErrorKind::Char, ""},
      {"a ||" + kNbsp + "b", ErrorKind::Char, kNbsp + "b"},
      {"(a" + kNbsp + ")", ErrorKind::Char, kNbsp + ")"},
      {"(a", ErrorKind::Char, ""},
      {"()", ErrorKind::Char, ")"},
      {"(", ErrorKind::Char, ""},
      {")", ErrorKind::Char, ")"},
      {"a || \xff", ErrorKind::Char, "\xff"},
  });
}

TEST(ExpressionTest, Variables) {
  expect_successes({
      {"a.b[0] > 1", Gt(Path({{"a", std::nullopt}, {"b", 0}}), Int(1)), ""},
      {"a[ 1 ] .b", Path({{"a", 1}, {"b", std::nullopt}}), ""},
      {"a.'x y'", Path({{"a", std::nullopt}, {"x y", std::nullopt}}), ""},
      // Literals come first, so a path cannot begin with a quoted segment.
      {"'x y'.z", Str("x y"), ".z"},
      {"_1 || a.true", Or(V("_1"), V("a")), ".true"},
  });
  // The path's own failure (here Digit) is never reported.
  expect_failures({
      {"a.0", ErrorKind::Char, "a.0"},
      {"x && a.'1'", ErrorKind::Char, "a.'1'"},
  });
}

// Layout does not matter to the tree; grouping does.
TEST(ExpressionTest, EqualTreesFromDifferentTexts) {
  const auto tree = [](std::string_view input) {
    auto result = parse_exp(input);
    EXPECT_TRUE(result && result->rest.empty()) << input;
    return result ? std::move(result->value) : Exp(Value());
  };
  EXPECT_EQ(tree("a>b"), tree("a > b"));
  EXPECT_EQ(tree("a>b"), tree("(a > b)"));
  EXPECT_EQ(tree("{'a': 1, 'b': 2}"), tree("{'b': 2, 'a': 1}"));
  EXPECT_EQ(tree("[r'x']"), tree("[\"x\"]"));
  EXPECT_NE(tree("1"), tree("1.0"));
  EXPECT_NE(tree("a || (b || c)"), tree("a || b || c"));
}

TEST(ExpressionTest, ParseAtomReadsOneOperand) {
  auto result = parse_atom("f(x) || y");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->value, Call("f", {V("x")}));
  EXPECT_EQ(result->rest, "|| y");

  result = parse_atom("!a");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), (ParseError{"!a", ErrorKind::Char}));

  // No blanks are skipped before an atom.
  result = parse_atom(" a");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), (ParseError{" a", ErrorKind::Char}));
}

TEST(ExpressionTest, AWholeExpressionMayEndInUnicodeBlanks) {
  for (std::string_view text : {"a", "a ", " a", "\u00a0a", "a\u00a0", "a \u3000\u2028\u205f"}) {
    EXPECT_TRUE(parse_whole_exp(text)) << text;
  }
  // Any other rest is reported as it stood, blanks included.
  const std::pair<std::string_view, ParseError> failures[] = {
      {"", {"", ErrorKind::Char}},
      {"1 2", {"2", ErrorKind::Eof}},
      {"a \u00a0 b", {"\u00a0 b", ErrorKind::Eof}},
      {"a == ", {"== ", ErrorKind::Eof}},
      {"a == b == c", {"", ErrorKind::Count}},
  };
  for (const auto& [text, error] : failures) {
    auto result = parse_whole_exp(text);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(result.error(), error) << text;
  }
}

TEST(ExpressionTest, OwnedTreeOutlivesItsInput) {
  auto input = std::make_unique<std::string>("[r'raw', {'k': f(r\"x\")}] == a.b");
  auto result = parse_exp(*input);
  ASSERT_TRUE(result);
  Exp owned = std::move(result->value).into_owned();
  input.reset();
  EXPECT_EQ(owned, Eq(Arr({Str("raw"), Obj({{"k", Call("f", {Str("x")})}})}),
                      Path({{"a", std::nullopt}, {"b", std::nullopt}})));
}

}  // namespace
}  // namespace korvel::parser
