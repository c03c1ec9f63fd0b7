// Parsing speed: a long expression of the kind users write, and growth with
// the size of the input for the shapes that could go wrong (each must stay
// linear: the reported complexity is O(N)).

#include <benchmark/benchmark.h>

#include <string>

#include "korvel/parser.hpp"

namespace korvel::parser {
namespace {

std::string repeat(std::string_view part, std::size_t n) {
  std::string out;
  out.reserve(part.size() * n);
  for (std::size_t i = 0; i < n; ++i) out.append(part);
  return out;
}

const char kRealistic[] =
    R"(user.active && !user.banned && (user.age >= 18 || user.guardian != null) && )"
    R"(contains(user.roles, "admin") || startsWith(user.email, 'ops-') && )"
    R"(matches(user.email, r"^[a-z.]+@example\.com$") && len(order.items) > 0 && )"
    R"(order.items[0].price <= 1000.50 && order.currency == "EUR" && )"
    R"(contains(["DE", "FR", "NL", "BE"], order.address.country) && )"
    R"(order.meta == {"channel": "web", "source": 'campaign', "tags": ["a", "b"]} && )"
    R"(format("{}-{}", user.id, order.id) != '' && int(order.total) < 100000 && )"
    R"(!(order.flags.gift || order.flags.express) && float("1.5") > 1.0 && )"
    R"(len(split(user.name, ' ')) >= 2 && replace(user.name, "x", 'y') != user.name)";

void BM_ParseRealisticExpression(benchmark::State& state) {
  for (auto _ : state) {
    auto result = parse_exp(kRealistic);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (sizeof(kRealistic) - 1));
}
BENCHMARK(BM_ParseRealisticExpression);

void parse_text(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    auto result = parse_exp(text);
    benchmark::DoNotOptimize(result);
  }
  state.SetComplexityN(state.range(0));
}

void BM_ParseFlatList(benchmark::State& state) {
  parse_text(state, "[" + repeat("1, ", state.range(0)) + "x]");
}
BENCHMARK(BM_ParseFlatList)->RangeMultiplier(8)->Range(64, 1 << 18)->Complexity(benchmark::oN);

void BM_ParseObject(benchmark::State& state) {
  std::string text = "{";
  for (int64_t i = 0; i < state.range(0); ++i) {
    text += "'k" + std::to_string(i * 7919 % 1000003) + "': 1, ";  // keys out of order
  }
  parse_text(state, text + "'k': 2}");
}
BENCHMARK(BM_ParseObject)->RangeMultiplier(8)->Range(64, 1 << 18)->Complexity(benchmark::oNLogN);

void BM_ParseOrChain(benchmark::State& state) {
  parse_text(state, repeat("a.b || ", state.range(0)) + "c");
}
BENCHMARK(BM_ParseOrChain)->RangeMultiplier(8)->Range(64, 1 << 18)->Complexity(benchmark::oN);

// Each "==" takes one operand and gives the last one back, after reading it.
void BM_ParseEqCount(benchmark::State& state) {
  parse_text(state, repeat("a == ", state.range(0)) + "b");
}
BENCHMARK(BM_ParseEqCount)->RangeMultiplier(8)->Range(64, 1 << 18)->Complexity(benchmark::oN);

// f(f(f(...f(a b)...))): every call fails at its ")" and falls back to the
// variable f, so each level is read by both alternatives; the inner levels
// must not be read again each time.
void BM_ParseNestedCallsFallingBack(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  parse_text(state, repeat("f(", n - 1) + "f(a b" + repeat(")", n));
}
BENCHMARK(BM_ParseNestedCallsFallingBack)
    ->RangeMultiplier(8)
    ->Range(8, 1 << 18)
    ->Complexity(benchmark::oN);

// x == (x == (... == y == z)): each level's operand fails and is given back.
void BM_ParseNestedGiveBacks(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  parse_text(state, repeat("x == (", n - 1) + "x == y == z" + repeat(")", n - 1));
}
BENCHMARK(BM_ParseNestedGiveBacks)
    ->RangeMultiplier(8)
    ->Range(8, 1 << 18)
    ->Complexity(benchmark::oN);

void BM_ParseNestedArrays(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  parse_text(state, repeat("[", n) + repeat("]", n));
}
BENCHMARK(BM_ParseNestedArrays)->RangeMultiplier(8)->Range(8, 1 << 18)->Complexity(benchmark::oN);

// Nesting as deep as memory allows: each level is one frame of the parse,
// whatever the construct, so time and memory grow linearly with the depth.
void BM_ParseDeepNesting(benchmark::State& state, std::string_view open, std::string_view inner,
                         std::string_view close) {
  const auto n = static_cast<std::size_t>(state.range(0));
  parse_text(state, repeat(open, n) + std::string(inner) + repeat(close, n));
}
BENCHMARK_CAPTURE(BM_ParseDeepNesting, parentheses, "(", "1", ")")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_ParseDeepNesting, not, "!(", "true", ")")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_ParseDeepNesting, arrays, "[", "", "]")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_ParseDeepNesting, objects, "{\"a\": ", "1", "}")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_ParseDeepNesting, unclosed, "(", "", "")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace korvel::parser

BENCHMARK_MAIN();
