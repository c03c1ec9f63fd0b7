// Where the size limit falls, and the quick bound that spares most patterns
// the exact count.
#include "regex/size_limit.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "regex/parser.hpp"
#include "regex/regex.hpp"
#include "regex/translator.hpp"

namespace korvel::regex {
namespace {

const char* const kTooBig = "Compiled regex exceeds size limit of 10485760 bytes.";

// "compiled", "too big", or the other error.
std::string outcome(const std::string& pattern) {
  auto regex = Regex::compile(pattern);
  if (regex) return "compiled";
  return regex.error() == kTooBig ? "too big" : regex.error();
}

// The pattern with its "{N}" replaced by "{n}".
std::string with_count(std::string pattern, std::uint64_t n) {
  return pattern.replace(pattern.find("{N}"), 3, "{" + std::to_string(n) + "}");
}

hir::Translation translation_of(std::string_view pattern) {
  auto ast = parse(pattern);
  EXPECT_TRUE(ast) << pattern;
  auto translation = translate(*ast);
  EXPECT_TRUE(translation) << pattern;
  return std::move(*translation);
}

// The largest n for which X{n} compiles. Each row shows a rule of the count:
// the states per byte of a literal, the sharing of states that spell a class
// in UTF-8 (forward and backward), the shape of each repetition, the forms
// that alternations and concatenations are brought into first, anchors that
// make the loop at the start or the end unneeded, and capturing groups.
TEST(RegexSizeLimitTest, LargestRepetitionThatCompiles) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"a{N}", 327673},
      {"\xc3\xa9{N}", 163836},
      {"\xf0\x9f\x98\x80{N}", 81918},
      {"^a{N}", 327674},
      {"a{N}$", 327672},
      {"(?i)a{N}", 131069},
      {"(?i)k{N}", 44430},
      {"[a-z]{N}", 145632},
      {"\\D{N}", 822},
      {"\\S{N}", 5448},
      {"\\d{N}", 2046},
      {"\\w{N}", 209},
      {"\\pL{N}", 244},
      {"\\p{Lu}{N}", 395},
      {"[\\p{Han}\\d]{N}", 1219},
      {".{N}", 10485},
      {"(?s:.){N}", 10877},
      {"(a*){N}", 77099},
      {"(?:x*){N}", 145632},
      {"(?:x?){N}", 100822},
      {"(?:x{2,5}){N}", 33607},
      {"(?:x{0,3}?){N}", 37448},
      {"(?:\\b|x){N}", 77099},
      {"(?:ab|cd){N}", 41609},
      {"(?:abc|abd){N}", 27024},
      {"(?:foo|foobar|fo){N}", 17246},
      {"(?:a|b|c){N}", 145632},
      {"(?:[ab]|[cd]){N}", 145632},
      {"(?:a|[bc]){N}", 59577},
      {"(?:a*b|a*c){N}", 72816},
      {"(?:a*?b|a*c){N}", 37448},
      {"(?:(?i)a(?-i)b){N}", 93621},
      {"(?:a(?:)b){N}", 163836},
      {"(?:(?:a{10}){10}|b){N}", 3173},
  };
  for (const auto& [pattern, n] : cases) {
    EXPECT_TRUE(within_size_limit(translation_of(with_count(pattern, n)))) << pattern;
    EXPECT_FALSE(within_size_limit(translation_of(with_count(pattern, n + 1)))) << pattern;
  }
  EXPECT_EQ(outcome("x{0,145631}"), "compiled");
  EXPECT_EQ(outcome("x{0,145632}"), "too big");
}

TEST(RegexSizeLimitTest, RefusedPatterns) {
  for (const char* pattern : {"a{1000}{1000}", "\\w{1000}", "\\pL{1000}", "a{0,4294967295}",
                              "a{4294967295}", "(?:a{1000}){1000}", "a{327674}", "(?:\\w{300}|b)",
                              "(?i)\\pL{500}", ".{20000}", "\\D{1000}"}) {
    EXPECT_EQ(outcome(pattern), "too big") << pattern;
  }
  for (const char* pattern :
       {"a{1000}", "\\d{100}", "[a-z]{2,}", "\\w{200}", "\\pL{240}", "a{327673}", ".{10000}",
        "\\d{2000}", "[a-z]{100000}", "(?:){4294967295}", "\\b{4294967295}", "\\p{Lu}{286}"}) {
    EXPECT_EQ(outcome(pattern), "compiled") << pattern;
  }
}

// A pattern without groups or assertions whose matches are a short list of
// texts is matched as a set of texts: no automaton, no limit. Here a branch
// that can never match (its class is empty) would be far too large.
TEST(RegexSizeLimitTest, PatternsThatAreSetsOfTextsHaveNoLimit) {
  const std::string never = "[a&&b]\\d{3000}";
  const std::pair<std::string, const char*> cases[] = {
      {never + "|xyz", "compiled"},
      {never, "too big"},  // no texts at all
      {never + "|x|y|z", "compiled"},
      {never + "|ayz|aab", "compiled"},
      // Texts that share a short beginning are cut to its first byte,
      // unless that byte is common in text.
      {never + "|Qyz|Qab", "too big"},
      {"(?:" + never + "|a|ab)c", "compiled"},
      {"(?:" + never + ")*x", "compiled"},
      {never + "|[a-j]", "compiled"},
      {never + "|[a-k]", "too big"},  // more than 10 characters
      {never + "|(?:xyz){10}", "compiled"},
      {never + "|(?:xyz){11}", "too big"},  // more than 10 copies
      {never + "|(?:xyz)?", "too big"},     // the empty text
      {"(?:" + never + "|xyz)+", "too big"},
      {"x(?:" + never + ")", "too big"},
      {"(" + never + "|xyz)", "too big"},
      {"^(?:" + never + "|xyz)", "too big"},
      {"(?:" + never + "|xyz)\\b", "too big"},
  };
  for (const auto& [pattern, expected] : cases) EXPECT_EQ(outcome(pattern), expected) << pattern;
  EXPECT_TRUE(Regex::compile(never + "|xyz")->is_match("axyz"));
  EXPECT_FALSE(Regex::compile(never + "|ayz|aab")->is_match("aa"));

  // Equal branches are one text, here of 100 bytes; as an automaton, with
  // a group, they would be too large. A text of more than 100 bytes is not
  // whole.
  std::string hundred = "(?:(?:a{10}){10})";
  for (int i = 1; i < 3300; ++i) hundred += "|(?:(?:a{10}){10})";
  EXPECT_TRUE(Regex::compile(hundred)->is_match(std::string(100, 'a')));
  EXPECT_EQ(outcome("(" + hundred + ")"), "too big");
  EXPECT_EQ(outcome("(?:" + hundred + ")x"), "too big");
}

// An alternation of 3000 literals or more is a set of texts however long
// they are.
TEST(RegexSizeLimitTest, LargeAlternationsOfLiteralsHaveNoLimit) {
  auto literals = [](int count) {
    std::string pattern;
    for (int i = 0; i < count; ++i) {
      char number[8];
      std::snprintf(number, sizeof number, "%04d", i);
      pattern += (i > 0 ? "|" : "") + std::string(number) + std::string(60, 'x');
    }
    return pattern;
  };
  const std::string set = literals(3000);
  EXPECT_EQ(outcome(literals(2999)), "too big");
  EXPECT_EQ(outcome(set), "compiled");
  EXPECT_TRUE(Regex::compile(set)->is_match("a2999" + std::string(60, 'x')));
  EXPECT_EQ(outcome("(" + set + ")"), "too big");
}

TEST(RegexSizeLimitTest, BoundsAreNeverBelowTheCount) {
  for (const char* sub : {"a",
                          "abc",
                          "\xc3\xa9",
                          "(?i)k",
                          "[a-z]",
                          "\\w",
                          "\\W",
                          "\\D",
                          "\\s",
                          "\\pL",
                          "(?i)\\pL",
                          "\\p{Greek}",
                          "[^a]",
                          ".",
                          "(?s:.)",
                          "[\\p{Han}\\d]",
                          "[\\x{80}-\\x{10FFFF}]",
                          "[\\x{7F}-\\x{800}\\x{D7FF}-\\x{E000}\\x{FFFF}-\\x{10000}]",
                          "(a*)",
                          "(?:x*)",
                          "(?:x+)",
                          "(?:x?)",
                          "(?:x{2,5})",
                          "(?:x{0,3}?)",
                          "(?:x{3,})",
                          "(?:\\b|x)",
                          "(?:ab|cd)",
                          "(?:foo|foobar|fo|f)",
                          "(?:a|[bc])",
                          "(?:ab\\d|ab\\w)",
                          "(?:a*?b|a*c)",
                          "(?:(a)|b|)",
                          "^a",
                          "a$",
                          "(?:\\w|\\d)*",
                          "(?:(?:a?){3}){2}"}) {
    for (const std::uint64_t n : {1, 2, 7, 40}) {
      const std::string pattern = with_count(std::string("(?:") + sub + "){N}", n);
      const hir::Translation translation = translation_of(pattern);
      EXPECT_LE(automaton_size(translation), automaton_size_bound(translation)) << pattern;
      EXPECT_LE(automaton_size_bound(translation), automaton_size_quick_bound(translation))
          << pattern;
    }
  }
}

}  // namespace
}  // namespace korvel::regex
