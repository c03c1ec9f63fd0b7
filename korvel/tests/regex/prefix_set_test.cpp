// The literals that every match of a pattern starts with one of.
#include "regex/prefix_set.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "regex/parser.hpp"
#include "regex/translator.hpp"

namespace korvel::regex {
namespace {

PrefixSet prefix_set(std::string_view pattern) {
  auto translation = translate(*parse(pattern));
  return prefixes_of(translation->root, translation->sets);
}

std::vector<std::string> prefixes(std::string_view pattern) { return prefix_set(pattern).literals; }

using Literals = std::vector<std::string>;

TEST(PrefixSetTest, BranchesSpellingsAndCuts) {
  const struct {
    const char* pattern;
    Literals literals;
  } cases[] = {
      {"apple|banana", {"apple", "banana"}},
      {"a(b|c)d", {"abd", "acd"}},
      {"(?i)ab", {"AB", "Ab", "aB", "ab"}},
      {"(?i)k", {"K", "k", "\xe2\x84\xaa"}},  // and KELVIN SIGN
      {"a+x|c", {"a", "c"}},
      {"ab*|cd", {"a", "cd"}},
      {"\\bab|c\\b", {"ab", "c"}},
      {"abcdefghijk|x", {"abcdefgh", "x"}},
      {"[ab]cdefghijk", {"acdefghi", "bcdefghi"}},
      {"[ab]c", {"ac", "bc"}},
      // No set: one literal, a class too large, a branch that may be empty.
      {"abc", {}},
      {"\\w+|a", {}},
      {"a|", {}},
      {"a*b|c", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(prefixes(c.pattern), c.literals) << c.pattern;
}

// Exact: every match is one of the literals, which were not cut short and
// hold without a look at the text around them.
TEST(PrefixSetTest, ExactWhenTheLiteralsAreTheMatches) {
  for (const char* pattern : {"apple|banana", "(?i)ab", "a(b|c)d", "(?:x|yy)(?:z|)"}) {
    EXPECT_TRUE(prefix_set(pattern).exact) << pattern;
  }
  for (const char* pattern : {"a+x|c", "ab*|cd", "\\bab|c", "abcdefghijk|x", "a$|b"}) {
    const PrefixSet set = prefix_set(pattern);
    EXPECT_FALSE(set.literals.empty()) << pattern;
    EXPECT_FALSE(set.exact) << pattern;
  }
}

TEST(PrefixSetTest, ManySpellingsAreCutShort) {
  // 64 spellings of "needle"; four words of 32 to 64 spellings each, cut to
  // their first letters until at most 64 remain.
  const Literals needle = prefixes("(?i)needle");
  EXPECT_EQ(needle.size(), 64u);
  const Literals words = prefixes("(?i)apple|banana|cherry|durian");
  ASSERT_FALSE(words.empty());
  EXPECT_LE(words.size(), kMaxPrefixes);
  for (const std::string& literal : words) EXPECT_LE(literal.size(), 4u) << literal;
  EXPECT_TRUE(prefixes("(?i)[a-h][a-h][a-h]").empty());
}

}  // namespace
}  // namespace korvel::regex
