// Parses arbitrary bytes as an expression. A tree that parses is copied,
// compared, made self-contained and released; a failure must point into the
// input. Any crash, sanitizer report or internal stop is a bug.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.hpp"
#include "korvel/parser.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  korvel::fuzz::abort_on_internal_stop([&] {
    auto parsed = korvel::parser::parse_exp(text);
    if (!parsed) {
      korvel::fuzz::check(korvel::fuzz::is_suffix(parsed.error().input, text));
      (void)korvel::to_string(parsed.error());
      return;
    }
    korvel::fuzz::check(korvel::fuzz::is_suffix(parsed->rest, text));
    const korvel::Exp copy = parsed->value;
    korvel::fuzz::check(copy == parsed->value);
    const korvel::Exp owned = korvel::Exp(copy).into_owned();
    korvel::fuzz::check(owned == parsed->value);
  });
  return 0;
}
