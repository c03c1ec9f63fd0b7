#include "text/substring_search.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The plain search compares the pattern at every position: slow on some
// inputs, but obviously right.
std::size_t plain_find(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size()) return npos;
  for (std::size_t at = from; at + pattern.size() <= text.size(); ++at) {
    if (text.substr(at, pattern.size()) == pattern) return at;
  }
  return npos;
}

// Every position from 0 to past the end of `text`.
void expect_same_as_plain(std::string_view text, std::string_view pattern) {
  const SubstringSearch search(pattern);
  for (std::size_t from = 0; from <= text.size() + 1; ++from) {
    ASSERT_EQ(search.find(text, from), plain_find(text, pattern, from))
        << "pattern \"" << pattern << "\" in \"" << text << "\" from " << from;
  }
}

TEST(SubstringSearchTest, Cases) {
  const struct {
    std::string_view text, pattern;
    std::size_t from, found;
  } cases[] = {
      {"", "", 0, 0},
      {"abc", "", 3, 3},
      {"abc", "", 4, npos},
      {"", "a", 0, npos},
      {"abc", "abcd", 0, npos},
      {"abc", "abc", 0, 0},
      {"abc", "abc", 1, npos},
      {"xabc", "c", 0, 3},
      {"aaa", "aa", 0, 0},
      {"aaa", "aa", 1, 1},
      {"aaa", "aa", 2, npos},
      {"abababc", "ababc", 0, 2},
      {"aabaabaaab", "aaab", 0, 6},
      {"a,b,,c", ",,", 0, 3},
      {"h\xC3\xA9llo w\xC3\xB6rld", "\xC3\xB6r", 0, 8},
      {std::string_view("a\0b\0c", 5), std::string_view("\0c", 2), 0, 3},
      {"\xFF\xFE\xFF\xFF", "\xFF\xFF", 0, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SubstringSearch(c.pattern).find(c.text, c.from), c.found)
        << "\"" << c.pattern << "\" in \"" << c.text << "\" from " << c.from;
  }
}

TEST(SubstringSearchTest, AgreesWithThePlainSearchOnRandomTexts) {
  std::mt19937 random(12);
  // Small alphabets make repetitive patterns and many near matches; the full
  // byte range checks that bytes above 0x7F order and compare as themselves.
  for (const std::string_view alphabet : {"a", "ab", "abc", "ab\xFF", "a \n,xyzAB\x80\xC3"}) {
    std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
    for (int round = 0; round < 20000; ++round) {
      auto random_text = [&](std::size_t max_length) {
        std::string text(random() % (max_length + 1), ' ');
        for (char& c : text) c = alphabet[letter(random)];
        return text;
      };
      const std::string pattern = random_text(9);
      std::string text = random_text(40);
      if (round % 3 == 0 && pattern.size() <= text.size()) {
        text.replace(random() % (text.size() - pattern.size() + 1), pattern.size(), pattern);
      }
      expect_same_as_plain(text, pattern);
      if (HasFatalFailure()) return;
    }
  }
}

// Highly repetitive texts, where each comparison almost succeeds: the shapes
// that make the plain search slow and that exercise both shift rules.
TEST(SubstringSearchTest, AgreesWithThePlainSearchOnRepetitiveTexts) {
  // Fibonacci words have many borders and near-periods.
  std::string previous = "b", word = "a";
  while (word.size() < 300) {
    std::string next = word + previous;
    previous = std::move(word);
    word = std::move(next);
  }
  for (std::size_t start : {0, 1, 2, 5}) {
    for (std::size_t length = 1; length <= 40; ++length) {
      expect_same_as_plain(word, std::string_view(word).substr(start, length));
      expect_same_as_plain(word, std::string(word.substr(start, length)) + "c");
      expect_same_as_plain(word,
                           std::string(word.substr(start, length)).replace(length / 2, 1, "b"));
    }
  }
  const std::string as(200, 'a');
  const std::vector<std::string> patterns = {
      std::string(99, 'a') + "b",
      "b" + std::string(99, 'a'),
      std::string(50, 'a') + "b" + std::string(49, 'a'),
      std::string(100, 'a'),
      "abababababababababac",
      "aabaabaabaabaab",
  };
  for (const std::string& pattern : patterns) {
    expect_same_as_plain(as, pattern);
    expect_same_as_plain(as + pattern + as, pattern);
    std::string ab;
    while (ab.size() < 300) ab += "ab";
    expect_same_as_plain(ab, pattern);
  }
}

TEST(SubstringSearchTest, ForEachVisitsTheOccurrencesThatDoNotOverlap) {
  std::mt19937 random(7);
  // Texts of up to 70 bytes cross the 16-byte blocks of a single-byte search
  // at every offset; NUL and bytes above 0x7F are bytes like any other.
  const std::string_view alphabet("ab,\0\xFF", 5);
  std::uniform_int_distribution<std::size_t> letter(0, alphabet.size() - 1);
  for (int round = 0; round < 20000; ++round) {
    std::string pattern(1 + random() % 3, ' ');
    for (char& c : pattern) c = alphabet[letter(random)];
    std::string text(random() % 71, ' ');
    for (char& c : text) c = alphabet[letter(random)];

    std::vector<std::size_t> expected;
    for (std::size_t at = plain_find(text, pattern, 0); at != npos;
         at = plain_find(text, pattern, at + pattern.size())) {
      expected.push_back(at);
    }
    std::vector<std::size_t> visited;
    SubstringSearch(pattern).for_each(text, [&](std::size_t at) { visited.push_back(at); });
    ASSERT_EQ(visited, expected) << "\"" << pattern << "\" in \"" << text << "\"";
  }
}

TEST(SubstringSearchTest, FindsEachOccurrenceOfALongPattern) {
  // A text of n "a" holds n - m + 1 overlapping occurrences of a^m.
  const std::string text(5000, 'a');
  const std::string pattern(1000, 'a');
  const SubstringSearch search(pattern);
  std::size_t found = 0;
  for (std::size_t at = search.find(text); at != npos; at = search.find(text, at + 1)) {
    EXPECT_EQ(at, found);
    ++found;
  }
  EXPECT_EQ(found, text.size() - pattern.size() + 1);
}

}  // namespace
}  // namespace korvel
