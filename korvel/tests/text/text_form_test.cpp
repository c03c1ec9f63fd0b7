#include "text/text_form.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "builtins/builtin_calls.hpp"
#include "deep_value.hpp"
#include "printers.hpp"
#include "small_stack.hpp"
#include "text/json_escape.hpp"

namespace korvel {
namespace {

using builtin_test::arr;
using builtin_test::obj;
using builtin_test::str;

std::string text_form(const Value& value) {
  std::string out;
  write_text_form(out, value);
  return out;
}

TEST(TextFormTest, Scalars) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<Value, std::string> cases[] = {
      {Value(0), "0"},
      {Value(-42), "-42"},
      {Value(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {Value(std::numeric_limits<std::int64_t>::max()), "9223372036854775807"},
      {Value(3.0), "3"},
      {Value(2.5), "2.5"},
      {Value(0.1), "0.1"},
      {Value(-0.0), "-0"},
      {Value(0.0), "0"},
      {Value(1e21), "1" + std::string(21, '0')},
      {Value(1.5e-7), "0.00000015"},
      {Value(1e-7), "0.0000001"},
      {Value(123456.789), "123456.789"},
      {Value(std::numeric_limits<double>::quiet_NaN()), "NaN"},
      {Value(-std::numeric_limits<double>::quiet_NaN()), "NaN"},
      {Value(inf), "inf"},
      {Value(-inf), "-inf"},
      {Value(true), "true"},
      {Value(false), "false"},
      {Value(), "null"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(text_form(value), text) << debug_string(value);
}

TEST(TextFormTest, ExtremeFloatsArePositional) {
  const std::string largest = text_form(Value(std::numeric_limits<double>::max()));
  EXPECT_EQ(largest.size(), 309u);
  EXPECT_EQ(largest, "17976931348623157" + std::string(292, '0'));

  const double smallest = std::numeric_limits<double>::denorm_min();
  const std::string tiny = text_form(Value(smallest));
  EXPECT_EQ(tiny.size(), 326u);
  EXPECT_EQ(tiny, "0." + std::string(323, '0') + "5");
  EXPECT_EQ(text_form(Value(-smallest)), "-" + tiny);
}

TEST(TextFormTest, TopLevelStringIsRaw) {
  EXPECT_EQ(text_form(str("a\"b\\c\nd")), "a\"b\\c\nd");
  EXPECT_EQ(text_form(str("")), "");
}

TEST(TextFormTest, ArraysAndObjects) {
  const std::pair<Value, std::string> cases[] = {
      {arr({Value(1), str("a\"b"), Value(true), Value(), arr({}), obj({})}),
       R"([1, "a\"b", true, null, [], {}])"},
      {arr({arr({str("x")})}), R"([["x"]])"},
      {obj({{"b", Value(1)}, {"a", str("p\nq")}}), R"({"a": "p\nq", "b": 1})"},
      // Keys are not escaped, so such an object does not read back as JSON.
      {obj({{"k\"ey", Value(1)}}), R"({"k"ey": 1})"},
      {arr({str("it's")}), R"(["it's"])"},
      {arr({str("\t\b")}), "[\"\\t\b\"]"},
      {arr({str("")}), R"([""])"},
      {arr({Value(2.5), Value(-0.0)}), "[2.5, -0]"},
      {obj({{"o", obj({{"s", str("\\")}})}, {"a", arr({str("\r")})}}),
       R"({"a": ["\r"], "o": {"s": "\\"}})"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(text_form(value), text) << debug_string(value);
}

TEST(TextFormTest, DeepNestingNeedsNoDeepStack) {
  constexpr std::size_t kDepth = testing::kDeepNesting;
  const auto n = [](std::size_t i) { return std::to_string(i); };
  const std::string expected = testing::deep_text(
      kDepth, R"("\n")", [&](std::size_t i) { return "[" + n(i) + ", "; }, R"(, "t"])",
      [&](std::size_t i) { return R"({"a": )" + n(i) + R"(, "b": )"; }, R"(, "c": "t"})");
  testing::run_on_small_stack([&] {
    const Value value = testing::deep_value(kDepth, "t", str("\n"));
    EXPECT_TRUE(text_form(value) == expected);
  });
}

TEST(TextFormTest, WritesAfterWhatTheSinkHolds) {
  std::string out = "x=";
  write_text_form(out, arr({Value(1)}));
  EXPECT_EQ(out, "x=[1]");
}

TEST(TextFormTest, RenderValuesGivesOneTextPerValue) {
  const ArgumentValues values({str("a\"b"), Value(3.0), arr({str("x"), Value(1)}), Value()});
  const std::vector<std::string> texts = render_values(values);
  EXPECT_EQ(texts, (std::vector<std::string>{"a\"b", "3", R"(["x", 1])", "null"}));
  EXPECT_EQ(texts.capacity(), 4u);
  EXPECT_TRUE(render_values(Arguments()).empty());
}

TEST(EscapeStrForJsonTest, EscapesTheSixCharacters) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\t", "\\t"},
      {"\n", "\\n"},
      {"\r", "\\r"},
      {"\"", "\\\""},
      {"\\", "\\\\"},
      {"'", "'"},
      {"a\tb\"c\\\\d", "a\\tb\\\"c\\\\\\\\d"},
      // Other control characters, the solidus and non-ASCII text stay as they are.
      {std::string_view("\0\b\f/é\x7f", 7), std::string_view("\0\b\f/é\x7f", 7)},
      {"é\n", "é\\n"},
  };
  for (const auto& [input, escaped] : cases) {
    EXPECT_EQ(utils::escape_str_for_json(input).view(), escaped) << input;
  }
}

TEST(EscapeStrForJsonTest, BorrowsTheInputWhenNothingChanges) {
  const std::string_view input = "plain text, with \b and é";
  const Text result = utils::escape_str_for_json(input);
  ASSERT_TRUE(result.is_borrowed());
  EXPECT_EQ(result.view().data(), input.data());
  EXPECT_EQ(result.view().size(), input.size());
  EXPECT_TRUE(utils::escape_str_for_json("").is_borrowed());
  // An apostrophe is a match whose replacement is itself: the text is copied.
  EXPECT_FALSE(utils::escape_str_for_json("it's").is_borrowed());
}

}  // namespace
}  // namespace korvel
