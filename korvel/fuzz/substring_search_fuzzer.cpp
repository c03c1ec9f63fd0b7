// The linear substring search against the plain one. The first byte gives
// the pattern's length; the pattern follows, then the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.hpp"
#include "text/substring_search.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t length = std::min<std::size_t>(data[0], input.size());
  const std::string_view pattern = input.substr(0, length);
  const std::string_view text = input.substr(length);

  const korvel::SubstringSearch search(pattern);
  // Every occurrence, overlapping ones included, and one search past the end.
  std::size_t from = 0;
  while (true) {
    const std::size_t found = search.find(text, from);
    korvel::fuzz::check(found == text.find(pattern, from));
    if (found == std::string_view::npos) break;
    from = found + 1;
  }
  korvel::fuzz::check(search.find(text, text.size() + 1) == std::string_view::npos);

  // The occurrences that do not overlap, visited in one pass.
  if (pattern.empty()) return 0;
  std::size_t next = text.find(pattern);
  search.for_each(text, [&](std::size_t at) {
    korvel::fuzz::check(at == next);
    next = text.find(pattern, at + pattern.size());
  });
  korvel::fuzz::check(next == std::string_view::npos);
  return 0;
}
