// Compiling and matching regular expressions: "CompileMatch/..." compiles the
// pattern on every call, as "matches" does with a pattern it is given;
// "Match/..." compiles once and matches many times, as an expression with a
// literal pattern does.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "regex/regex.hpp"

namespace {

using korvel::regex::Regex;

// Whole copies of `unit` (the last one cut short when `cut` is set) up to
// `size` bytes less the tail, then the tail.
std::string repeat(std::string_view unit, std::size_t size, std::string_view tail, bool cut) {
  std::string text;
  const std::size_t room = size > tail.size() ? size - tail.size() : 0;
  while (text.size() + unit.size() <= room) text += unit;
  if (cut) text += unit.substr(0, room - text.size());
  return text += tail;
}

std::string prose(std::size_t size, std::string_view tail) {
  return repeat("lorem ipsum dolor sit amet, consectetur adipiscing elit ", size, tail, true);
}

std::string log_lines(std::size_t size, std::string_view tail) {
  return repeat(
      "2024-05-01 12:00:00 INFO request served in 12 ms\n"
      "2024-05-01 12:00:01 DEBUG cache hit for key user:42\n"
      "2024-05-01 12:00:02 WARN slow query took 350 ms\n"
      "2024-05-01 12:00:03 INFO connection closed by peer\n",
      size, tail, false);
}

std::string greek(std::size_t size, std::string_view tail) {
  return repeat(
      "\xce\xa0\xce\xac\xce\xbd\xcf\x84\xce\xb1 \xe1\xbf\xa5\xce\xb5\xe1\xbf\x96 "
      "\xce\xba\xce\xb1\xe1\xbd\xb6 \xce\xbf\xe1\xbd\x90\xce\xb4\xe1\xbd\xb2\xce\xbd "
      "\xce\xbc\xce\xad\xce\xbd\xce\xb5\xce\xb9 ",
      size, tail, false);
}

std::string repeated(char c, std::size_t size) { return std::string(size, c); }

struct Row {
  std::string name;
  std::string pattern;
  std::string text;
};

constexpr std::size_t kSizes[] = {40, 1000, 10000, 100000};
constexpr std::size_t kLongSizes[] = {1000, 10000, 100000};

std::string size_name(std::size_t size) {
  if (size >= 1000) return std::to_string(size / 1000) + "K";
  return std::to_string(size);
}

const char* const kEmail = "^[a-zA-Z0-9._%+-]+@[a-zA-Z0-9.-]+\\.[a-zA-Z]{2,}$";
const char* const kErrorLine = "2024-05-01 12:00:04 ERROR disk full on /var\n";
const char* const kGreekTail = "\xce\xbb\xcf\x8c\xce\xb3\xce\xbf\xcf\x82 42";

std::vector<Row> rows() {
  std::vector<Row> rows = {
      {"email/29", kEmail, "someone.somewhere@example.org"},
      {"word/5", "\\w+", "hello"},
      {"greek_class/4", "\\p{Greek}\\pL", "\xce\xb1\xce\xb2"},
      {"icase_words/11", "(?i)hello world", "HELLO WORLD"},
      {"log_error_absent/10K", "[^\\n]*ERROR[^\\n]*", log_lines(10000, "")},
  };
  const auto add = [&rows](std::string name, std::string pattern, std::size_t size,
                           std::string text) {
    rows.push_back({name + "/" + size_name(size), std::move(pattern), std::move(text)});
  };
  for (const std::size_t n : kSizes) {
    add("literal_late", "needle", n, prose(n, "needle"));
    add("literal_absent", "needle", n, prose(n, ""));
    add("at_com", "\\w+@\\w+\\.com", n, prose(n, " sales@example.com"));
  }
  for (const std::size_t n : kLongSizes) {
    add("log_error", "[^\\n]*ERROR[^\\n]*", n, log_lines(n, kErrorLine));
    add("icase_literal", "(?i)needle", n, prose(n, "NeEdLe"));
    add("alternation", "apple|banana|cherry|durian", n, prose(n, "durian"));
    add("icase_alternation", "(?i)apple|banana|cherry|durian", n, prose(n, "DURIAN"));
    add("greek_word_digits", "\\p{Greek}+ \\d+", n, greek(n, kGreekTail));
    add("not_greek_absent", "[^\\p{Greek}\\s]", n, greek(n, ""));
    add("word_digits_absent", "\\w+\\s+\\d+", n, prose(n, ""));
    add("anchored_whole", "^[a-z ,]+$", n, prose(n, ""));
    add("anchored_end", "\\d+$", n, prose(n, "123"));
    add("word_literal", "\\bneedle\\b", n, prose(n, " needle"));
    add("boundary_words_absent", "\\b\\w+\\s\\d+\\b", n, prose(n, ""));
    add("nested_star", "(a*)*b", n, repeated('a', n));
    add("nested_plus", "(x+x+)+y", n, repeated('x', n));
  }
  return rows;
}

void compile_and_match(benchmark::State& state, const Row& row) {
  for (auto _ : state) {
    auto regex = Regex::compile(row.pattern);
    benchmark::DoNotOptimize(regex->is_match(row.text));
  }
  state.counters["bytes"] = static_cast<double>(row.text.size());
}

void match_only(benchmark::State& state, const Row& row) {
  const auto regex = Regex::compile(row.pattern);
  for (auto _ : state) benchmark::DoNotOptimize(regex->is_match(row.text));
  state.counters["bytes"] = static_cast<double>(row.text.size());
}

void BM_CompileRefused(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Regex::compile("(a|b").error().size());
}
BENCHMARK(BM_CompileRefused);

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<Row> kRows = rows();
  for (const Row& row : kRows) {
    benchmark::RegisterBenchmark(("CompileMatch/" + row.name).c_str(), compile_and_match, row);
    benchmark::RegisterBenchmark(("Match/" + row.name).c_str(), match_only, row);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
