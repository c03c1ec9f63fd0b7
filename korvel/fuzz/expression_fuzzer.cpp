// Parses arbitrary text as an expression and, when it parses, copies,
// compares, converts and evaluates the tree against a few bindings. Any
// crash, sanitizer report or internal stop is a bug.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "test_json.hpp"

namespace {

using korvel::testing::Json;

const korvel::Env<Json>& bindings() {
  static const korvel::Env<Json> env = [] {
    korvel::Bindings<Json> b;
    b.emplace("a", Json::array({1, "two", 3.5, nullptr, Json::object({{"b", true}})}));
    b.emplace("s", "text \xc3\xa9");
    b.emplace("n", 42);
    b.emplace("o", Json::object({{"k", Json::array({10, 20})}, {"x", "y"}}));
    return korvel::EnvBuilder<Json>().bind_multiple(std::move(b)).build();
  }();
  return env;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    auto parsed = korvel::parser::parse_exp(text);
    if (!parsed) return 0;
    const korvel::Exp copy = parsed->value;
    if (!(copy == parsed->value)) std::abort();
    const korvel::Exp tree = std::move(parsed->value).into_owned();
    if (!(tree == copy)) std::abort();
    auto result = korvel::interpreter::eval(tree, bindings());
    if (result) {
      const korvel::Value value = std::move(*result).take().into_owned();
      (void)korvel::debug_string(value);
    } else {
      (void)korvel::to_string(result.error());
    }
  } catch (const korvel::InternalStop&) {
    std::abort();
  }
  return 0;
}
