// Compiling and matching regular expressions, as "matches" does on every call.
#include <benchmark/benchmark.h>

#include <string>

#include "regex/regex.hpp"

namespace {

using korvel::regex::Regex;

void compile_and_match(benchmark::State& state, const char* pattern, const std::string& text) {
  for (auto _ : state) {
    auto regex = Regex::compile(pattern);
    benchmark::DoNotOptimize(regex->is_match(text));
  }
}

void match_only(benchmark::State& state, const char* pattern, const std::string& text) {
  const auto regex = Regex::compile(pattern);
  for (auto _ : state) benchmark::DoNotOptimize(regex->is_match(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

const char* const kEmail = "^[a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]{2,}$";

void BM_CompileMatchEmail(benchmark::State& state) {
  compile_and_match(state, kEmail, "john.doe+news@example.co.uk");
}
BENCHMARK(BM_CompileMatchEmail);

void BM_CompileMatchWord(benchmark::State& state) { compile_and_match(state, "\\w+", "hello"); }
BENCHMARK(BM_CompileMatchWord);

void BM_CompileUnicodeClass(benchmark::State& state) {
  compile_and_match(state, "\\p{Greek}\\pL", "\xce\xb1\xce\xb2");
}
BENCHMARK(BM_CompileUnicodeClass);

void BM_CompileCaseInsensitive(benchmark::State& state) {
  compile_and_match(state, "(?i)hello world", "HELLO WORLD");
}
BENCHMARK(BM_CompileCaseInsensitive);

void BM_CompileRefused(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Regex::compile("(a|b").error().size());
}
BENCHMARK(BM_CompileRefused);

// About 100 KB of words in which the pattern occurs only at the very end.
std::string long_text() {
  std::string text;
  while (text.size() < 100000) text += "lorem ipsum dolor sit amet, consectetur adipiscing elit ";
  return text + "sales@example.com";
}

void BM_LongTextEmailAnywhere(benchmark::State& state) {
  match_only(state, "[a-z]+@[a-z]+\\.com", long_text());
}
BENCHMARK(BM_LongTextEmailAnywhere);

void BM_LongTextLiteralPrefix(benchmark::State& state) {
  match_only(state, "sales@\\w+\\.com", long_text());
}
BENCHMARK(BM_LongTextLiteralPrefix);

void BM_LongTextWordBoundaries(benchmark::State& state) {
  match_only(state, "\\b\\w+\\s\\d+\\b", long_text());
}
BENCHMARK(BM_LongTextWordBoundaries);

// Patterns that make backtracking engines take exponential time: here the
// time per byte stays the same as the text grows.
void BM_NestedStarNoMatch(benchmark::State& state) {
  match_only(state, "(a*)*b", std::string(state.range(0), 'a'));
}
BENCHMARK(BM_NestedStarNoMatch)->Range(1 << 10, 1 << 16);

void BM_NestedPlusNoMatch(benchmark::State& state) {
  match_only(state, "(x+x+)+y", std::string(state.range(0), 'x'));
}
BENCHMARK(BM_NestedPlusNoMatch)->Range(1 << 10, 1 << 16);

}  // namespace

BENCHMARK_MAIN();
