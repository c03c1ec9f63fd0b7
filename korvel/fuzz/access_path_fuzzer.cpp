// Parses arbitrary bytes as an access path. A path that parses is copied,
// compared and printed as messages print it; a failure must point into the
// input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.hpp"
#include "korvel/parser.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  korvel::fuzz::abort_on_internal_stop([&] {
    auto parsed = korvel::parser::parse_variable_name(text);
    if (!parsed) {
      korvel::fuzz::check(korvel::fuzz::is_suffix(parsed.error().input, text));
      return;
    }
    korvel::fuzz::check(korvel::fuzz::is_suffix(parsed->rest, text));
    const korvel::VarAccess copy = parsed->value;
    korvel::fuzz::check(copy == parsed->value);
    korvel::fuzz::check(!copy.names().empty());
    for (std::size_t count = 0; count <= copy.names().size(); ++count) {
      (void)korvel::VarAccess::resolve_name_until(copy.names(), &copy.names().front(), count);
    }
  });
  return 0;
}
