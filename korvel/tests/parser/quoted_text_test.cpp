#include "parser/quoted_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace korvel::parser {
namespace {

struct Success {
  std::string_view input;
  std::string_view text;
  std::string_view rest;
};

TEST(QuotedTextTest, ReadsTheFourForms) {
  const Success cases[] = {
      {"''", "", ""},
      {"\"\"", "", ""},
      {"r''", "", ""},
      {"r\"\"", "", ""},
      {"'abc' rest", "abc", " rest"},
      {"\"it's\"", "it's", ""},
      {"'say \"hi\"'", "say \"hi\"", ""},
      {R"('it\'s')", "it's", ""},
      {R"("a\"b")", "a\"b", ""},
      {R"('\\ \n \r \t')", "\\ \n \r \t", ""},
      {std::string_view("'\\0'", 4), std::string_view("\0", 1), ""},
      {"'line\nbreak'", "line\nbreak", ""},
      {"'\xc3\xa9\xe6\x97\xa5'", "\xc3\xa9\xe6\x97\xa5", ""},
      {R"(r'C:\temp')", R"(C:\temp)", ""},
      {R"(r'a\'b')", R"(a\'b)", ""},
      {R"(r'ab\'')", R"(ab\')", ""},
      {R"(r"\n")", R"(\n)", ""},
      {R"(r"a\"b")", R"(a\"b)", ""},
      {"'a''b'", "a", "'b'"},
  };
  for (const Success& c : cases) {
    auto result = parse_quoted_text(c.input);
    ASSERT_TRUE(result) << c.input;
    EXPECT_EQ(result->value.view(), c.text) << c.input;
    EXPECT_EQ(result->rest, c.rest) << c.input;
  }
}

TEST(QuotedTextTest, RawFormsBorrowAndEscapedFormsOwn) {
  const std::string input = "r'raw' 'esc'";
  auto raw = parse_quoted_text(input);
  ASSERT_TRUE(raw);
  EXPECT_TRUE(raw->value.is_borrowed());
  EXPECT_EQ(raw->value.view().data(), input.data() + 2);
  auto escaped = parse_quoted_text(raw->rest.substr(1));
  ASSERT_TRUE(escaped);
  EXPECT_FALSE(escaped->value.is_borrowed());
}

struct Failure {
  std::string_view input;
  std::string_view remaining;
};

TEST(QuotedTextTest, FailuresReportTheDoubleQuotedForm) {
  const Failure cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"R'x'", "R'x'"},
      {"'unterminated", "'unterminated"},
      {R"('bad \q')", R"('bad \q')"},
      {R"('a\"')", R"('a\"')"},       // a double quote needs no escape in apostrophes
      {R"("a\'")", R"(a\'")"},        // nor an apostrophe in double quotes
      {R"("bad \q")", R"(bad \q")"},  // unreadable body: right after the opening quote
      {"\"\\", "\\"},                 // a backslash that ends the input
      {"\"\\\xc3\xa9\"", "\\\xc3\xa9\""},
      {"\"unterminated", ""},  // missing closing quote: at the end
      {"r'x", "r'x"},
  };
  for (const Failure& c : cases) {
    auto result = parse_quoted_text(c.input);
    ASSERT_FALSE(result) << c.input;
    EXPECT_EQ(result.error().kind, ErrorKind::Char) << c.input;
    EXPECT_EQ(result.error().input, c.remaining) << c.input;
  }
}

}  // namespace
}  // namespace korvel::parser
