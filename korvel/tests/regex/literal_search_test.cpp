// The vectorised literal searches against a plain search, at every offset
// and length around their block sizes, on texts where candidates are rare
// and where they are everywhere.
#include "regex/literal_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "regex/literal_set_search.hpp"

namespace korvel::regex {
namespace {

constexpr std::size_t npos = std::string_view::npos;

std::size_t plain_find(std::string_view text, const std::vector<std::string>& literals,
                       std::size_t from) {
  for (std::size_t at = from; at <= text.size(); ++at) {
    for (const std::string& literal : literals) {
      if (text.substr(at).starts_with(literal)) return at;
    }
  }
  return npos;
}

std::string random_text(std::mt19937& random, std::string_view alphabet, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text += alphabet[random() % alphabet.size()];
  return text;
}

TEST(LiteralSearchTest, FindsWhatAPlainSearchFinds) {
  std::mt19937 random(11);
  // Few letters: candidate pairs everywhere; the literal's bytes rare or not.
  for (const std::string_view alphabet : {"ab", "abc\xc3\xa9", "abcdefghij"}) {
    for (int i = 0; i < 3000; ++i) {
      const std::string literal = random_text(random, alphabet, 1 + random() % 6);
      const std::string text = random_text(random, alphabet, random() % 150);
      const LiteralSearch search(literal);
      for (std::size_t from = 0; from <= text.size(); from += 1 + random() % 7) {
        ASSERT_EQ(search.find(text, from), plain_find(text, {literal}, from))
            << literal << " in " << text << " from " << from;
      }
    }
  }
}

TEST(LiteralSearchTest, HandsOverWhereCandidatesAreEverywhere) {
  // Every place is a candidate for both chosen bytes, and every check fails
  // until the end.
  const std::string literal = std::string(40, 'a') + "b";
  for (const std::size_t size : {1000u, 100000u}) {
    const std::string text = std::string(size, 'a') + literal;
    EXPECT_EQ(LiteralSearch(literal).find(text), size);
    EXPECT_EQ(LiteralSearch(literal).find(std::string(size, 'a')), npos);
  }
}

TEST(LiteralSetSearchTest, FindsWhatAPlainSearchFinds) {
  if (!LiteralSetSearch::supported()) GTEST_SKIP() << "no byte shuffle";
  std::mt19937 random(13);
  for (const std::string_view alphabet : {"ab", "abcAB\xc3\xa9", "abcdefghijklmnop"}) {
    for (int i = 0; i < 3000; ++i) {
      std::vector<std::string> literals;
      for (int n = 2 + random() % 9; n > 0; --n) {
        literals.push_back(random_text(random, alphabet, 1 + random() % 5));
      }
      std::sort(literals.begin(), literals.end());
      literals.erase(std::unique(literals.begin(), literals.end()), literals.end());
      if (literals.size() < 2) continue;
      const std::string text = random_text(random, alphabet, random() % 150);
      const LiteralSetSearch search(literals);
      const std::size_t expected = plain_find(text, literals, 0);
      const std::optional<bool> occurs = search.occurs_in(text);
      if (occurs) {
        ASSERT_EQ(*occurs, expected != npos) << text;
      }
      for (std::size_t from = 0; from <= text.size(); from += 1 + random() % 7) {
        // Never past the first place, and there when few places come before
        // it (the first checks are free).
        const std::size_t found = search.find(text, from);
        const std::size_t first = plain_find(text, literals, from);
        ASSERT_LE(found, first) << text << " from " << from;
        if (std::min(first, text.size()) - from <= 64) {
          ASSERT_EQ(found, first) << text << " from " << from;
        }
      }
    }
  }
}

// Every place has the fingerprint of "aaab" and "aaac" and fails the check:
// the search stops at a candidate instead of checking them all.
TEST(LiteralSetSearchTest, StopsEarlyWhereCandidatesAreEverywhere) {
  if (!LiteralSetSearch::supported()) GTEST_SKIP() << "no byte shuffle";
  const LiteralSetSearch search({"aaab", "aaac"});
  const std::string text = std::string(10000, 'a') + "aaac";
  EXPECT_EQ(search.occurs_in(text), std::nullopt);
  EXPECT_LT(search.find(text, 0), 10000u);
}

}  // namespace
}  // namespace korvel::regex
