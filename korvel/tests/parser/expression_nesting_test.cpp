// Deeply nested expressions: the parser and the operations over the trees it
// builds take memory, not call frames, for each level of nesting.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvel/parser.hpp"
#include "small_stack.hpp"

namespace korvel::parser {
namespace {

using testing::kDeepNesting;
using testing::repeat;
using testing::run_on_small_stack;

// A way of nesting: `open`, repeated, then `inner`, then `close`, repeated.
struct Nesting {
  std::string_view name;
  std::string_view open;
  std::string_view inner;
  std::string_view close;

  std::string text(std::size_t n) const {
    return repeat(open, n) + std::string(inner) + repeat(close, n);
  }
};

const Nesting kNestings[] = {
    {"parentheses", "(", "a", ")"},
    {"arrays", "[", "", "]"},
    {"objects", "{\"k\": ", "1", "}"},
    {"calls", "f(", "", ")"},
    {"not", "!(", "a", ")"},
    {"or operands", "a || (", "b", ")"},
    {"comparison operands", "a < (", "b", ")"},
    {"eq operands", "a == (", "b", ")"},
    {"not call", "!f(", "", ")"},
    {"mixed", "[{\"a\": f(!(x || (y && ", "z", ")))}]"},
};

// Every way of nesting parses at any depth, even on a small stack, and the
// trees it gives differ from one depth to the next (but for parentheses,
// which create no node).
TEST(ExpressionNestingTest, DeepTextsParseOnASmallStack) {
  const std::size_t depth = kDeepNesting / 10;
  for (const Nesting& nesting : kNestings) {
    const std::string deep = nesting.text(depth);
    const std::string deeper = nesting.text(depth + 1);
    run_on_small_stack([&] {
      auto parsed = parse_exp(deep);
      ASSERT_TRUE(parsed) << nesting.name << ": " << to_string(parsed.error()).substr(0, 40);
      EXPECT_EQ(parsed->rest, "") << nesting.name;
      auto one_more = parse_exp(deeper);
      ASSERT_TRUE(one_more) << nesting.name;
      EXPECT_EQ(one_more->value == parsed->value, nesting.open == "(") << nesting.name;
    });
  }
}

// Failures come out of any depth as they do from the top, and the rules that
// absorb them (give-backs, list items, atom alternatives) apply at each level.
TEST(ExpressionNestingTest, FailuresAndGiveBacksAtDepth) {
  const std::size_t n = kDeepNesting / 10;
  struct Case {
    std::string text;
    bool parses;
    ErrorKind kind;
    std::size_t at;  // where the rest or the remaining input starts
  };
  const std::string eq_run = repeat("(", n) + "a == b == c" + repeat(")", n);
  const std::string give_backs = repeat("x == (", n) + "x == y == z" + repeat(")", n);
  const Case cases[] = {
      // Count at the innermost ")", passed out through every parenthesis.
      {eq_run, false, ErrorKind::Count, n + 11},
      // The innermost run fails, so each "==" gives its operand back, and
      // the ")" around it then fails to close: the top keeps only x.
      {give_backs, true, ErrorKind::Char, 2},
      // A missing ")" fails at the end, through every level.
      {repeat("(", n) + "a", false, ErrorKind::Char, n + 1},
      {repeat("!(", n) + "a", false, ErrorKind::Char, 2 * n + 1},
      {repeat("a || (", n) + "b", false, ErrorKind::Char, 6 * n + 1},
      // An array that cannot close fails as an atom, at its "[": as an item
      // of the array around it, that failure ends its list, and so on out.
      {repeat("[", n), false, ErrorKind::Char, 0},
      {repeat("{\"a\": ", n), false, ErrorKind::Char, 0},
      // A call that cannot close is read as the variable of its name.
      {repeat("f(", n), true, ErrorKind::Char, 1},
  };
  run_on_small_stack([&] {
    for (const Case& c : cases) {
      auto result = parse_exp(c.text);
      const std::string_view shown = std::string_view(c.text).substr(0, 20);
      ASSERT_EQ(result.has_value(), c.parses) << shown;
      if (c.parses) {
        EXPECT_EQ(result->rest.data(), c.text.data() + c.at) << shown;
      } else {
        EXPECT_EQ(error_kind_name(result.error().kind), error_kind_name(c.kind)) << shown;
        EXPECT_EQ(result.error().input.data(), c.text.data() + c.at) << shown;
      }
    }
  });
}

// A million unclosed constructs fail, quickly and on a small stack.
TEST(ExpressionNestingTest, AMillionOpeningsFail) {
  const std::pair<std::string_view, std::size_t> openings[] = {
      {"(", kDeepNesting},           {"[", kDeepNesting},         {"{\"a\":", kDeepNesting},
      {"!(", kDeepNesting},          {"a||(", kDeepNesting / 10}, {"[f(", kDeepNesting / 10},
      {"x == (", kDeepNesting / 10},
  };
  for (const auto& opening : openings) {
    const std::string_view open = opening.first;
    const std::string text = repeat(open, opening.second);
    run_on_small_stack([&] {
      auto result = parse_exp(text);
      if (result) {
        // "x == (" gives each operand back: x, with everything after it left.
        EXPECT_EQ(open, "x == (");
        EXPECT_EQ(result->rest.data(), text.data() + 2);
      } else {
        EXPECT_EQ(error_kind_name(result.error().kind), "Char") << open;
      }
    });
  }
}

// Chains of operators nest to the left and any number of siblings stand side
// by side.
TEST(ExpressionNestingTest, LengthIsNotDepth) {
  const std::size_t n = 100000;
  for (const std::string& text :
       {repeat("a || ", n) + "a", repeat("a && b < c || ", n) + "a", repeat("a < ", n) + "a",
        "[" + repeat("[[]], ", n) + "1]", "f(" + repeat("!(x), ", n) + "1)"}) {
    auto result = parse_exp(text);
    ASSERT_TRUE(result) << text.substr(0, 20);
    EXPECT_EQ(result->rest, "");
  }
}

// Copying, comparing, into_owned and release keep work lists, not call
// frames, for each level of a tree.
TEST(ExpressionNestingTest, DeepTreesFitASmallThreadStack) {
  std::vector<std::string> texts;
  for (const Nesting& nesting : kNestings) texts.push_back(nesting.text(kDeepNesting / 10));
  texts.push_back(repeat("[", kDeepNesting) + repeat("]", kDeepNesting));
  texts.push_back(repeat("r'x' || ", kDeepNesting) + "a");
  texts.push_back(repeat("a && ", kDeepNesting) + "a");

  for (const std::string& text : texts) {
    run_on_small_stack([&] {
      auto parsed = parse_exp(text);
      ASSERT_TRUE(parsed) << text.substr(0, 20);
      const Exp& tree = parsed->value;
      Exp copy = tree;
      EXPECT_TRUE(copy == tree) << text.substr(0, 20);
      const Exp owned = std::move(copy).into_owned();
      EXPECT_TRUE(owned == tree) << text.substr(0, 20);
    });
  }
}

}  // namespace
}  // namespace korvel::parser
