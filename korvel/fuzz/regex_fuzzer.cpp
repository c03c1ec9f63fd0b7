// Compiles the input up to its first NUL byte as a pattern and matches the
// rest against it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "regex/regex.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view pattern = input.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
  auto regex = korvel::regex::Regex::compile(pattern);
  if (regex) (void)regex->is_match(text);
  return 0;
}
