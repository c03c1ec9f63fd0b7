#include "text/unicode_blanks.hpp"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(TrimUnicodeBlanksTest, TrimsWhiteSpaceAtBothEnds) {
  struct Case {
    std::string_view text;
    std::string_view trimmed;
  };
  const Case cases[] = {
      {"", ""},
      {" \t\n\r\v\f", ""},
      {"\u00a0a b\u3000", "a b"},
      {"\u2028\u2029\u0085x\u202f\u205f\u1680", "x"},
      {"\u2000\u200ax\u2009", "x"},
      // Not White_Space: zero width space, BOM, word joiner.
      {"\u200bx\ufeff", "\u200bx\ufeff"},
      {"x\u2060", "x\u2060"},
  };
  for (const Case& c : cases) EXPECT_EQ(trim_unicode_blanks(c.text), c.trimmed) << c.text;
}

TEST(TrimUnicodeBlanksTest, MalformedBytesAreNotBlanks) {
  // A lone continuation byte, a truncated NBSP, and NBSP's bytes reversed.
  EXPECT_EQ(trim_unicode_blanks(" \x80 "), "\x80");
  EXPECT_EQ(trim_unicode_blanks("a \xc2"), "a \xc2");
  EXPECT_EQ(trim_unicode_blanks("\xa0\xc2"), "\xa0\xc2");
}

}  // namespace
}  // namespace korvel
