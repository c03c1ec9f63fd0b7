// The text-producing builtins on typical and on larger inputs.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "builtins/builtins.hpp"
#include "text/text_form.hpp"

namespace korvel {
namespace {

Value str(std::string_view s) { return Value(Text::borrowed(s)); }

Value sample_record() {
  Object object;
  object.insert_or_assign("name", str("Ada \"the\" Countess"));
  object.insert_or_assign("score", Value(97.25));
  object.insert_or_assign("tags", Value(Array{str("math"), str("poetry\n"), Value(1843)}));
  return Value(std::move(object));
}

void BM_TextFormOfRecord(benchmark::State& state) {
  const Value record = sample_record();
  std::string out;
  for (auto _ : state) {
    out.clear();
    write_text_form(out, record);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_TextFormOfRecord);

void BM_Format(benchmark::State& state) {
  const ArgumentValues args(
      {str("{0} scored {1} on {2} ({{0}} is literal)"), str("Ada"), Value(97.25), sample_record()});
  for (auto _ : state) benchmark::DoNotOptimize(functions::format(args));
}
BENCHMARK(BM_Format);

void BM_JoinInts(benchmark::State& state) {
  Array numbers;
  for (int i = 0; i < state.range(0); ++i) numbers.emplace_back(std::int64_t{i * 7919});
  const ArgumentValues args({Value(std::move(numbers)), str(", ")});
  for (auto _ : state) benchmark::DoNotOptimize(functions::join(args));
}
BENCHMARK(BM_JoinInts)->Arg(10)->Arg(1000);

void BM_Base64RoundTrip(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'k');
  const ArgumentValues plain({str(text)});
  const FnResult encoded = functions::base64_encode(plain);
  const ArgumentValues coded({*encoded});
  for (auto _ : state) {
    benchmark::DoNotOptimize(functions::base64_encode(plain));
    benchmark::DoNotOptimize(functions::base64_decode(coded));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64RoundTrip)->Arg(16)->Arg(100'000);

std::string comma_separated_fields() {
  std::string text;
  for (int i = 0; i < 10'000; ++i) text.append("field,");
  return text;
}

void BM_Replace(benchmark::State& state) {
  const std::string text = comma_separated_fields();
  const ArgumentValues args({str(text), str(","), str(";")});
  for (auto _ : state) benchmark::DoNotOptimize(functions::replace(args));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Replace);

void BM_Split(benchmark::State& state) {
  const std::string text = comma_separated_fields();
  const ArgumentValues args({str(text), str(",")});
  for (auto _ : state) benchmark::DoNotOptimize(functions::split(args));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_Split);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
