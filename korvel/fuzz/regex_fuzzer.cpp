// Compiles the input up to its first NUL byte as a pattern and matches the
// rest against it; a pattern that fails must say why.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.hpp"
#include "regex/regex.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view pattern = input.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
  korvel::fuzz::abort_on_internal_stop([&] {
    auto regex = korvel::regex::Regex::compile(pattern);
    if (!regex) {
      korvel::fuzz::check(!regex.error().empty());
      return;
    }
    const bool matched = regex->is_match(text);
    // A compiled pattern is reusable: the same text matches the same way.
    korvel::fuzz::check(regex->is_match(text) == matched);
  });
  return 0;
}
