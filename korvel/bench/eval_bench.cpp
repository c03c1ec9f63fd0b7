// Evaluation of expressions against small bindings, each workload twice: by
// the walk of the tree (Walk/...) and by its compiled program (Compiled/...).
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "korvel/compiled_exp.hpp"
#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

Env<Json> env_of(std::vector<std::pair<std::string, Json>> pairs) {
  Bindings<Json> bindings;
  for (auto& [name, value] : pairs) bindings.emplace(std::move(name), std::move(value));
  return EnvBuilder<Json>().bind_multiple(std::move(bindings)).build();
}

Env<Json> rule_bindings() {
  return env_of({{"user", Json::object({{"name", "Ada Lovelace"},
                                        {"age", 36},
                                        {"roles", Json::array({"admin", "author"})},
                                        {"email", "ada@example.org"}})},
                 {"request", Json::object({{"path", "/admin/users"}, {"method", "GET"}})}});
}

std::string long_chain() {
  std::string text = "user.age == 0";
  for (int i = 1; i < 200; ++i) {
    text += (i % 2 ? " || " : " && ") + std::string("user.age == ") + std::to_string(i);
  }
  return text;
}

// About 10 KB of comma-separated words.
std::string words() {
  std::string text;
  for (int i = 0; text.size() < 10'240; ++i) {
    if (i > 0) text += ',';
    text += "word" + std::to_string(i % 100);
  }
  return text.substr(0, 10'240);
}

struct Workload {
  const char* name;
  std::string text;
  Env<Json> env;
};

std::vector<Workload> workloads() {
  std::vector<Workload> all;
  all.push_back({"RealisticRule",
                 "user.age >= 18 && contains(user.roles, 'admin') && "
                 "startsWith(request.path, '/admin') && (request.method == 'GET' || "
                 "request.method == 'HEAD') && len(user.name) > 0",
                 rule_bindings()});
  all.push_back(
      {"SmallRule", "user.age >= 18 && user.country == 'NL' && !banned",
       env_of({{"user", Json::object({{"age", 30}, {"country", "NL"}})}, {"banned", false}})});
  // Every builtin of the rule runs: the prefix matches and the roles are empty.
  all.push_back(
      {"BuiltinRule",
       "startsWith(user.email, 'admin') && len(user.roles) > 0 || contains(user.tags, 'beta')",
       env_of({{"user", Json::object({{"name", "Ada"},
                                      {"email", "admin@example.org"},
                                      {"roles", Json::array({})},
                                      {"tags", Json::array({"alpha", "beta"})}})}})});
  all.push_back({"One", "1", env_of({})});
  all.push_back(
      {"ObjectLiteral", "{'a': x, 'b': [y, z]}", env_of({{"x", 1}, {"y", "two"}, {"z", 3.0}})});
  all.push_back({"ConstantLiteral", "[1, 'two', {'three': 3.0}]", env_of({})});
  all.push_back({"JoinSplit", "join(split(s, ','), ';')", env_of({{"s", words()}})});
  all.push_back({"MatchesLiteral",
                 "matches(s, '^[a-zA-Z0-9._%+-]+@[a-zA-Z0-9.-]+\\\\.[a-zA-Z]{2,}$')",
                 env_of({{"s", "someone.somewhere@example.org"}})});
  all.push_back({"LongChain", long_chain(), rule_bindings()});
  return all;
}

template <class Tree>
void run(benchmark::State& state, const Tree& tree, const Env<Json>& env) {
  for (auto _ : state) {
    auto result = interpreter::eval(tree, env);
    benchmark::DoNotOptimize(result);
  }
}

void register_workloads() {
  static const std::vector<Workload> all = workloads();
  for (const Workload& workload : all) {
    auto parsed = parser::parse_whole_exp(workload.text);
    if (!parsed) continue;
    auto compiled = std::make_shared<const CompiledExp>(std::move(*parsed).into_owned());
    benchmark::RegisterBenchmark((std::string("Walk/") + workload.name).c_str(),
                                 [compiled, &workload](benchmark::State& state) {
                                   run(state, compiled->tree(), workload.env);
                                 });
    benchmark::RegisterBenchmark(
        (std::string("Compiled/") + workload.name).c_str(),
        [compiled, &workload](benchmark::State& state) { run(state, *compiled, workload.env); });
  }
}

// The whole road of a text nested `n` levels deep: parsed, compiled,
// evaluated and released, each step taking time and memory linear in the
// depth.
void BM_DeepNesting(benchmark::State& state, std::string_view open, std::string_view inner,
                    std::string_view close) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text.append(open);
  text.append(inner);
  for (std::size_t i = 0; i < n; ++i) text.append(close);
  const Env<Json> env = rule_bindings();
  for (auto _ : state) {
    auto parsed = parser::parse_exp(text);
    const CompiledExp exp(std::move(parsed->value).into_owned());
    auto result = interpreter::eval(exp, env);
    benchmark::DoNotOptimize(result);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK_CAPTURE(BM_DeepNesting, parentheses, "(", "1", ")")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_DeepNesting, not, "!(", "true", ")")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_DeepNesting, arrays, "[", "", "]")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_CAPTURE(BM_DeepNesting, objects, "{'a': ", "1", "}")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace korvel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  korvel::register_workloads();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
