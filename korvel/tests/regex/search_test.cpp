// The fast searches (lazy DFAs, literal searches and the ways they combine)
// against the Pike VM, which runs every pattern the plain way: both must give
// the same answer for every pattern and text.
#include "regex/search.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "regex/compiler.hpp"
#include "regex/parser.hpp"
#include "regex/pike_vm.hpp"
#include "regex/regex.hpp"
#include "regex/translator.hpp"

namespace korvel::regex {
namespace {

std::optional<Searcher> searcher_for(std::string_view pattern) {
  auto ast = parse(pattern);
  if (!ast) return std::nullopt;
  auto translation = translate(*ast);
  if (!translation) return std::nullopt;
  auto program = compile(std::move(*translation));
  if (!program) return std::nullopt;
  return std::optional<Searcher>(std::in_place, std::move(*program));
}

// Both ways, twice, so that the second search runs on the states the first
// one built.
void expect_same(const Searcher& searcher, std::string_view pattern, std::string_view text) {
  const bool plain = pike_vm_is_match(searcher.program(), text);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(searcher.is_match(text), plain)
        << "pattern " << testing::PrintToString(std::string(pattern)) << " text "
        << testing::PrintToString(std::string(text));
  }
}

void expect_same(std::string_view pattern, const std::vector<std::string>& texts) {
  const auto searcher = searcher_for(pattern);
  ASSERT_TRUE(searcher) << pattern;
  for (const std::string& text : texts) expect_same(*searcher, pattern, text);
}

// Random patterns over a few characters, with every kind of node, flag and
// look; about one in ten does not compile and is skipped.
class PatternMaker {
 public:
  explicit PatternMaker(std::uint32_t seed) : random_(seed) {}

  std::string make(int depth) {
    switch (pick(depth > 0 ? 10 : 4)) {
      case 0:
      case 1: return one_of(kAtoms);
      case 2: return one_of(kClasses);
      case 3: return one_of(kLooks);
      case 4:
      case 5: {
        std::string out;
        for (int n = 2 + pick(3); n > 0; --n) out += make(depth - 1);
        return out;
      }
      case 6: return make(depth - 1) + "|" + make(depth - 1);
      case 7: return "(" + make(depth - 1) + ")" + one_of(kRepeats);
      case 8: return make(depth - 1) + one_of(kRepeats);
      default: return one_of(kFlagGroups) + make(depth - 1) + ")";
    }
  }

  std::string text(std::size_t max_length) {
    std::string out;
    for (std::size_t n = pick(static_cast<int>(max_length) + 1); n > 0; --n) out += one_of(kPieces);
    return out;
  }

 private:
  static constexpr const char* kAtoms[] = {
      "a", "b", "c", "A", "\xc3\xa9", "\xe6\x97\xa5", "\\n", " ", "1", "\\.", "ab", "abc", "ba"};
  static constexpr const char* kClasses[] = {"[ab]",
                                             "[^a]",
                                             "[a-c]",
                                             "\\w",
                                             "\\W",
                                             "\\d",
                                             "\\s",
                                             "\\S",
                                             ".",
                                             "\\pL",
                                             "[\xc3\xa9\xe6\x97\xa5]",
                                             "[^\\n]",
                                             "(?i:[a-b])",
                                             "[^\\w\\s]",
                                             "\\p{Han}",
                                             "(?-u:\\w)",
                                             "[\\x00-\\x{10FFFF}]",
                                             "[a&&b]"};
  static constexpr const char* kLooks[] = {"^",
                                           "$",
                                           "\\A",
                                           "\\z",
                                           "\\b",
                                           "\\B",
                                           "\\<",
                                           "\\>",
                                           "\\b{start-half}",
                                           "\\b{end-half}",
                                           "(?m:^)",
                                           "(?m:$)",
                                           "(?mR:^)",
                                           "(?mR:$)",
                                           "(?-u:\\b)",
                                           "(?-u:\\b{end})"};
  static constexpr const char* kRepeats[] = {"*", "+", "?", "{2}", "{1,3}", "{0,2}", "*?", "{2,}"};
  static constexpr const char* kFlagGroups[] = {"(?i:", "(?s:", "(?R:", "(?:", "(?m:", "(?U:"};
  // Text pieces: characters of one to four bytes, and bytes that are not
  // well-formed UTF-8 alone or together.
  static constexpr const char* kPieces[] = {"a",
                                            "b",
                                            "c",
                                            "A",
                                            "\xc3\xa9",
                                            "\xe6\x97\xa5",
                                            "\xf0\x9f\x92\xa9",
                                            "\n",
                                            "\r",
                                            " ",
                                            "1",
                                            "_",
                                            "-",
                                            "ab",
                                            "ba",
                                            "abc",
                                            "\xff",
                                            "\xe6\x97",
                                            "\x80",
                                            "\xc3",
                                            "\xed\xa0\x80",
                                            "K",
                                            "\xe2\x84\xaa"};

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  template <std::size_t N>
  std::string one_of(const char* const (&options)[N]) {
    return options[pick(static_cast<int>(N))];
  }

  std::mt19937 random_;
};

TEST(RegexSearchTest, RandomPatternsAgreeWithThePikeVm) {
  PatternMaker maker(20240501);
  int compiled = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string pattern = maker.make(3);
    const auto searcher = searcher_for(pattern);
    if (!searcher) continue;
    ++compiled;
    for (int t = 0; t < 12; ++t) expect_same(*searcher, pattern, maker.text(t < 8 ? 12 : 200));
  }
  EXPECT_GT(compiled, 2000);
}

// One place or many for the literal that every match contains, the parts
// around it succeeding or failing, reading into each other's bytes.
TEST(RegexSearchTest, AroundAnInnerLiteral) {
  const std::string log = "12:00 INFO ok\n12:01 WARN slow\n12:02 ERROR disk full\n";
  const std::vector<std::string> texts = {"",
                                          "ERROR",
                                          log,
                                          log + log,
                                          "ERRORERROR",
                                          "xERRORx\nERROR",
                                          "a@b.com",
                                          "a@.com .com b@c.com",
                                          "@@@.com",
                                          std::string(300, 'x') + "y",
                                          std::string(300, 'x'),
                                          std::string(100, ' ') + "1"};
  for (const char* pattern :
       {"[^\\n]*ERROR[^\\n]*", "\\w+ERROR", "ERROR\\s+\\w+", "\\d+:\\d+ ERROR", "\\w+@\\w+\\.com",
        "(x+x+)+y", "(a*)*b", "\\bERROR\\b", "x{3}y", "[a-z]*ERROR[a-z]*\\n", " +1", "\\p{L}+ \\d",
        "(?m)^\\d+:\\d+ E\\w+$", "ERROR$", "^.*ERROR"}) {
    expect_same(pattern, texts);
  }
}

TEST(RegexSearchTest, AnchoredAtEitherEnd) {
  const std::vector<std::string> texts = {"",    "123", "abc 123", "abc 123\n", "123 abc",
                                          "\n1", "a1",  "1\xff",   "\xff\x31"};
  for (const char* pattern : {"\\d+$", "\\d+\\z", "^\\d+", "^\\d+$", "\\b\\d$", "(?:a|\\d)$",
                              "1$|^a", "(?m)\\d$", "$", "^", "\\d*$"}) {
    expect_same(pattern, texts);
  }
}

// Patterns whose DFAs have far more states than a cache holds: the search
// gives up on its DFA and the Pike VM answers.
TEST(RegexSearchTest, ThrashingCachesFallBack) {
  std::mt19937 random(7);
  std::vector<std::string> texts;
  for (int i = 0; i < 4; ++i) {
    std::string text;
    for (int n = 0; n < 20000; ++n) text += "ab"[random() % 2];
    texts.push_back(text);
    texts.push_back(text + "c");
  }
  expect_same("[ab]*[ac][ab]{14}[cd]", texts);
  expect_same("(?:a|b)*b(?:a|b){16}$", texts);
  expect_same("\\w*a\\w{12}\\b", texts);
}

TEST(RegexSearchTest, LiteralsOnly) {
  const std::vector<std::string> texts = {"",       "needle",  "a needle",          "needl",
                                          "needlE", "nneedle", "\xc3\xa9t\xc3\xa9", "needle\xff"};
  for (const char* pattern : {"needle", "e", "(?:ne)(e)dle", "\xc3\xa9t\xc3\xa9", "ee"}) {
    expect_same(pattern, texts);
  }
}

// Alternatives of literals and spellings under (?i): a set search, alone when
// the literals are the matches, ahead of a DFA otherwise (which steps through
// the last few bytes without it).
TEST(RegexSearchTest, LiteralAlternatives) {
  const std::string prose(300, ' ');
  const std::vector<std::string> texts = {"",
                                          "durian",
                                          prose + "durian",
                                          prose + "DuRiAn",
                                          prose + "dur",
                                          prose + "dur durian",
                                          prose + "durdu",
                                          "a banana",
                                          prose + "ab",
                                          "\xe2\x84\xaa"
                                          "elvin",
                                          "x\xc3\xa9",
                                          "\xe6\x97\xa5" + prose,
                                          "foobar",
                                          prose + "foo bar"};
  for (const char* pattern :
       {"apple|banana|cherry|durian", "(?i)apple|banana|cherry|durian", "(?i)kelvin", "(?i)durian",
        "\\bfoo|bar\\b", "\xc3\xa9|\xe6\x97\xa5", "ab|a", "(?:ab|cd)\\d", "dur(?:ian|)"}) {
    expect_same(pattern, texts);
  }
}

// Malformed UTF-8 is read the same way by every search and in either
// direction: each byte that is not part of a well-formed character is a
// character of its own.
TEST(RegexSearchTest, MalformedTextReadsAlikeBothWays) {
  const std::vector<std::string> texts = {"\xe6\x97",
                                          "\xe6\x97\x41",
                                          "\x80\x80\x80\x80",
                                          "\xc3\xa9\xa9",
                                          "\xf0\x9f\x92\xa9",
                                          "\xf0\x9f\x92",
                                          "\xe0\x80\x80",
                                          "\xed\xa0\x80",
                                          "\xf4\x90\x80\x80",
                                          "a\xff"
                                          "1",
                                          "\xc3\xa9\xc3",
                                          "\xe6\x97\xa5\x97\xa5"};
  for (const char* pattern :
       {".$", "^.", "^.$", "^..$", "^...$", "\\W$", "[^a]$", "\\w$", "\\b$", "\\B$", "^\\W\\W",
        "a$", "\\d$", "\xe6\x97\xa5$", "^\\W+$", "\xc3\xa9$", "(?s).{2}$", "1$"}) {
    expect_same(pattern, texts);
  }
}

// A compiled pattern is used from many threads at once; each search takes
// DFA states of its own.
TEST(RegexSearchTest, SharedBetweenThreads) {
  auto regex = Regex::compile("\\w+@\\w+\\.com|[^\\n]*ERROR[^\\n]*|\\d+$");
  ASSERT_TRUE(regex);
  const std::vector<std::pair<std::string, bool>> cases = {
      {"mail sales@example.com now", true},
      {"no address here", false},
      {"x\ny ERROR z\n", true},
      {"ends in 42", true},
      {std::string(5000, 'q'), false},
      {std::string(5000, 'q') + "@q.com", true}};
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        const auto& [text, expected] = cases[(i + t) % cases.size()];
        failures[t] += regex->is_match(text) != expected;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace korvel::regex
