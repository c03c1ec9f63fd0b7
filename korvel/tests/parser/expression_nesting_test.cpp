// Deeply nested expressions: the parser's nesting limit, and the stack that
// parsing and the recursive operations over the deepest trees need.

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include "korvel/parser.hpp"

namespace korvel::parser {
namespace {

#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
// Instrumented and unoptimized code takes several times the stack per frame.
constexpr std::size_t kStackScale = 8;
#else
constexpr std::size_t kStackScale = 1;
#endif

// The stacks the deepest trees must fit in: a small thread's for the
// operations over a parsed tree, a modest one for the parse itself.
constexpr std::size_t kTreeStack = kStackScale * 256 * 1024;
constexpr std::size_t kParseStack = kStackScale * 1024 * 1024;

// Runs `work` on a new thread with a stack of `bytes` bytes; running out of
// it crashes the test.
void run_on_stack(std::size_t bytes, const std::function<void()>& work) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
  pthread_t thread;
  const auto start = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, start, const_cast<std::function<void()>*>(&work)), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attr);
}

std::string repeat(std::string_view part, std::size_t n) {
  std::string out;
  out.reserve(part.size() * n);
  for (std::size_t i = 0; i < n; ++i) out.append(part);
  return out;
}

// A way of nesting: `open`, repeated, then `inner`, then `close`, repeated.
// Each repetition is `cost` levels deeper than the one around it.
struct Nesting {
  std::string_view name;
  std::string_view open;
  std::string_view inner;
  std::string_view close;
  int cost;

  std::string text(std::size_t n) const {
    return repeat(open, n) + std::string(inner) + repeat(close, n);
  }
  // The deepest text the parser accepts.
  std::size_t deepest() const { return kMaxNestingDepth / cost; }
};

const Nesting kNestings[] = {
    {"parentheses", "(", "a", ")", 1},
    {"arrays", "[", "", "]", 1},
    {"objects", "{\"k\": ", "1", "}", 1},
    {"calls", "f(", "", ")", 1},
    {"not", "!(", "a", ")", 2},
    {"or operands", "a || (", "b", ")", 2},
    {"comparison operands", "a < (", "b", ")", 2},
    {"eq operands", "a == (", "b", ")", 2},
    {"not call", "!f(", "", ")", 2},
    {"mixed", "[{\"a\": f(!(x || (y && ", "z", ")))}]", 8},
};

TEST(ExpressionNestingTest, DeepestTextsParseAndOneLevelMoreFails) {
  for (const Nesting& nesting : kNestings) {
    const std::string deepest = nesting.text(nesting.deepest());
    auto parsed = parse_exp(deepest);
    ASSERT_TRUE(parsed) << nesting.name << ": " << to_string(parsed.error());
    EXPECT_EQ(parsed->rest, "") << nesting.name;

    const std::string too_deep = nesting.text(nesting.deepest() + 1);
    auto failed = parse_exp(too_deep);
    ASSERT_FALSE(failed) << nesting.name;
    EXPECT_EQ(error_kind_name(failed.error().kind), "TooLarge") << nesting.name;
    if (nesting.cost == 1) {
      // At the text of the first level beyond the limit.
      EXPECT_EQ(failed.error().input.data(),
                too_deep.data() + nesting.open.size() * (kMaxNestingDepth + 1))
          << nesting.name;
    }
  }
}

// The limit's failure is reported as such from within every construct that
// otherwise discards failures (alternatives, lists, members, "==" operands).
TEST(ExpressionNestingTest, TooLargeIsNeverAbsorbed) {
  const std::string deep = repeat("(", kMaxNestingDepth) + "a" + repeat(")", kMaxNestingDepth);
  for (const std::string& text :
       {"x == " + deep, "x != " + deep, "[1, " + deep + "]", "{\"a\": 1, \"b\": " + deep + "}",
        "f(x, " + deep + ")", "!" + deep, "x || " + deep}) {
    auto result = parse_exp(text);
    ASSERT_FALSE(result) << text.substr(0, 20);
    EXPECT_EQ(error_kind_name(result.error().kind), "TooLarge") << text.substr(0, 20);
  }
}

TEST(ExpressionNestingTest, AMillionOpeningsFailAtTheLimit) {
  for (std::string_view open : {"(", "[", "{\"a\":", "f(", "!(", "a||("}) {
    const std::string text = repeat(open, 1000000);
    auto result = parse_exp(text);
    ASSERT_FALSE(result) << open;
    EXPECT_EQ(error_kind_name(result.error().kind), "TooLarge") << open;
    EXPECT_LE(text.size() - result.error().input.size(), open.size() * (kMaxNestingDepth + 1))
        << open;
  }
}

// Chains of operators nest to the left and any number of siblings stand side
// by side; neither counts towards the limit.
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

TEST(ExpressionNestingTest, ParsingTheDeepestTextsFitsAModestStack) {
  for (const Nesting& nesting : kNestings) {
    const std::string deepest = nesting.text(nesting.deepest());
    const std::string too_deep = nesting.text(nesting.deepest() + 1);
    bool parsed = false;
    bool failed = false;
    run_on_stack(kParseStack, [&] {
      parsed = parse_exp(deepest).has_value();
      failed = !parse_exp(too_deep).has_value();
    });
    EXPECT_TRUE(parsed) << nesting.name;
    EXPECT_TRUE(failed) << nesting.name;
  }
}

// Copying, comparing, into_owned and release recurse over the nesting of a
// tree and loop over the left nesting of its operator chains.
TEST(ExpressionNestingTest, DeepestTreesFitASmallThreadStack) {
  std::vector<std::string> texts;
  for (const Nesting& nesting : kNestings) texts.push_back(nesting.text(nesting.deepest()));
  texts.push_back(repeat("r'x' || ", 100000) + "a");
  texts.push_back(repeat("a && ", 100000) + "a");

  for (const std::string& text : texts) {
    auto parsed = parse_exp(text);
    ASSERT_TRUE(parsed) << text.substr(0, 20);
    bool equal = false;
    bool owned_equal = false;
    run_on_stack(kTreeStack, [&] {
      const Exp& tree = parsed->value;
      Exp copy = tree;
      equal = copy == tree;
      const Exp owned = std::move(copy).into_owned();
      owned_equal = owned == tree;
    });
    EXPECT_TRUE(equal) << text.substr(0, 20);
    EXPECT_TRUE(owned_equal) << text.substr(0, 20);
    run_on_stack(kTreeStack, [&] { Exp released = std::move(parsed->value); });
  }
}

}  // namespace
}  // namespace korvel::parser
