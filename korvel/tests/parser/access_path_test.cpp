#include "parser/access_path.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvel/parser.hpp"

namespace korvel::parser {
namespace {

using Segments = std::vector<VarName>;
constexpr std::nullopt_t none = std::nullopt;

struct Success {
  std::string_view input;
  Segments segments;
  std::string_view rest;
};

TEST(AccessPathTest, Paths) {
  const Success cases[] = {
      {"a.b[2]", {{"a", none}, {"b", 2}}, ""},
      {"a[ 2 ]  .b", {{"a", 2}, {"b", none}}, ""},
      {"a[\t2\n]\r.b", {{"a", 2}, {"b", none}}, ""},
      {"a[007]", {{"a", 7}}, ""},
      {"a .b", {{"a", none}}, " .b"},
      {"a. b", {{"a", none}}, ". b"},
      {"a.", {{"a", none}}, "."},
      {"a..b", {{"a", none}}, "..b"},
      {"a[0][1]", {{"a", 0}}, "[1]"},
      {"a[-1]", {{"a", none}}, "[-1]"},
      {"a[x]", {{"a", none}}, "[x]"},
      {"a[1.5]", {{"a", none}}, "[1.5]"},
      {"a[1", {{"a", none}}, "[1"},
      {"a [0]", {{"a", none}}, " [0]"},
      {"'a b'.c", {{"a b", none}, {"c", none}}, ""},
      {"a.'b.c'[0]", {{"a", none}, {"b.c", 0}}, ""},
      {"\"x\\ty\"", {{"x\ty", none}}, ""},
      {"a.true", {{"a", none}}, ".true"},
      {"'true'", {{"true", none}}, ""},
      {"trueish", {{"trueish", none}}, ""},
      {"_1", {{"_1", none}}, ""},
      {"r'x'", {{"r", none}}, "'x'"},
      {"a.'\xd9\xa3'", {{"a", none}, {"\xd9\xa3", none}}, ""},  // Arabic-Indic digit is fine
      {"a[18446744073709551615]", {{"a", 18446744073709551615u}}, ""},
      {"a[0] ", {{"a", 0}}, ""},
      {"a[0] x", {{"a", 0}}, "x"},
      {"a ", {{"a", none}}, " "},
      // An index that does not fit in 64 bits is malformed like any other.
      {"a[18446744073709551616]", {{"a", none}}, "[18446744073709551616]"},
      // An empty quoted name is no segment.
      {"a.''", {{"a", none}}, ".''"},
  };
  for (const Success& c : cases) {
    auto result = parse_variable_name(c.input);
    ASSERT_TRUE(result) << c.input << ": " << to_string(result.error());
    EXPECT_EQ(result->value.names(), c.segments) << c.input;
    EXPECT_EQ(result->rest, c.rest) << c.input;
  }
}

struct Failure {
  std::string_view input;
  ErrorKind kind;
  std::string_view remaining;
};

TEST(AccessPathTest, Failures) {
  const Failure cases[] = {
      {"true", ErrorKind::Char, "true"},
      {"", ErrorKind::Char, ""},
      {" a", ErrorKind::Char, " a"},
      {".a", ErrorKind::Char, ".a"},
      {"\xc3\xa9t\xc3\xa9", ErrorKind::Char, "\xc3\xa9t\xc3\xa9"},
      {"\"open", ErrorKind::Char, ""},
      {"1a", ErrorKind::Digit, ""},
      {"a.0", ErrorKind::Digit, ""},
      {"a.'1x' z", ErrorKind::Digit, " z"},
      {"'9'.b[1] rest", ErrorKind::Digit, "rest"},
      {"''", ErrorKind::Char, "''"},
      {"\"\"[0]", ErrorKind::Char, "\"\"[0]"},
  };
  for (const Failure& c : cases) {
    auto result = parse_variable_name(c.input);
    ASSERT_FALSE(result) << c.input;
    EXPECT_EQ(result.error(), (ParseError{c.remaining, c.kind})) << c.input;
  }
}

TEST(AccessPathTest, ErrorDisplay) {
  auto result = parse_variable_name("1a");
  ASSERT_FALSE(result);
  EXPECT_EQ(to_string(result.error()), "error Digit at: ");
  EXPECT_EQ(to_string(ParseError{"x y", ErrorKind::Eof}), "error Eof at: x y");
}

TEST(NonKeywordTest, IdentifiersAndKeywords) {
  const std::pair<std::string_view, std::string_view> accepted[] = {
      {"abc def", "abc"},     {"_1", "_1"},         {"True", "True"},     {"nulls", "nulls"},
      {"trueish", "trueish"}, {"a1_b2.c", "a1_b2"}, {"9lives", "9lives"},
  };
  for (const auto& [input, word] : accepted) {
    auto result = parse_non_keyword(input);
    ASSERT_TRUE(result) << input;
    EXPECT_EQ(result->value, word);
    EXPECT_EQ(result->rest, input.substr(word.size()));
  }
  for (std::string_view input : {"", "true", "false", "null", "\xc3\xa9t\xc3\xa9", " a", "-"}) {
    auto result = parse_non_keyword(input);
    ASSERT_FALSE(result) << input;
    EXPECT_EQ(result.error(), (ParseError{input, ErrorKind::MapRes}));
  }
}

TEST(AccessPathTest, AWholePathTakesNoRest) {
  for (std::string_view text : {"a", "a[0] ", "a[ 1 ]\t", "a.'b.c'[00]"}) {
    EXPECT_TRUE(parse_whole_variable_name(text)) << text;
  }
  const std::pair<std::string_view, ParseError> failures[] = {
      {"", {"", ErrorKind::Char}},    {"a ", {" ", ErrorKind::Eof}},
      {"a.", {".", ErrorKind::Eof}},  {"a[x]", {"[x]", ErrorKind::Eof}},
      {"1a", {"", ErrorKind::Digit}}, {"r'x'", {"'x'", ErrorKind::Eof}},
  };
  for (const auto& [text, error] : failures) {
    auto result = parse_whole_variable_name(text);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(result.error(), error) << text;
  }
}

}  // namespace
}  // namespace korvel::parser
