// Evaluation of parsed expressions against small bindings.
#include <benchmark/benchmark.h>

#include <string>

#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

Env<Json> rule_bindings() {
  Bindings<Json> bindings;
  bindings.emplace("user", Json::object({{"name", "Ada Lovelace"},
                                         {"age", 36},
                                         {"roles", Json::array({"admin", "author"})},
                                         {"email", "ada@example.org"}}));
  bindings.emplace("request", Json::object({{"path", "/admin/users"}, {"method", "GET"}}));
  return EnvBuilder<Json>().bind_multiple(std::move(bindings)).build();
}

void run(benchmark::State& state, const std::string& text, const Env<Json>& env) {
  auto parsed = parser::parse_exp(text);
  if (!parsed || !parsed->rest.empty()) {
    state.SkipWithError("expression does not parse");
    return;
  }
  const Exp tree = std::move(parsed->value).into_owned();
  for (auto _ : state) {
    auto result = interpreter::eval(tree, env);
    benchmark::DoNotOptimize(result);
  }
}

void BM_RealisticRule(benchmark::State& state) {
  run(state,
      "user.age >= 18 && contains(user.roles, 'admin') && startsWith(request.path, '/admin') "
      "&& (request.method == 'GET' || request.method == 'HEAD') && len(user.name) > 0",
      rule_bindings());
}
BENCHMARK(BM_RealisticRule);

void BM_SmallRule(benchmark::State& state) {
  Bindings<Json> bindings;
  bindings.emplace("user", Json::object({{"age", 30}, {"country", "NL"}}));
  bindings.emplace("banned", false);
  run(state, "user.age >= 18 && user.country == 'NL' && !banned",
      EnvBuilder<Json>().bind_multiple(std::move(bindings)).build());
}
BENCHMARK(BM_SmallRule);

void BM_LongChain(benchmark::State& state) {
  std::string text = "user.age == 0";
  for (int i = 1; i < 200; ++i)
    text += (i % 2 ? " || " : " && ") + std::string("user.age == ") + std::to_string(i);
  run(state, text, rule_bindings());
}
BENCHMARK(BM_LongChain);

void BM_Literal(benchmark::State& state) {
  run(state, "[1, 'two', {'three': 3.0}]", rule_bindings());
}
BENCHMARK(BM_Literal);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
