#include "regex/class_matcher.hpp"

#include <algorithm>

#include "unicode/unicode.hpp"

namespace korvel::regex {

ClassMatcher::ClassMatcher(std::span<const Range> ranges) {
  std::size_t i = 0;
  for (; i < ranges.size() && ranges[i].first < 0x80; ++i) {
    const char32_t last = std::min<char32_t>(ranges[i].last, 0x7F);
    for (char32_t c = ranges[i].first; c <= last; ++c)
      ascii_[c >> 6] |= std::uint64_t{1} << (c & 63);
    if (ranges[i].last >= 0x80) break;
  }
  ranges_ = ranges.subspan(i);
}

bool ClassMatcher::matches_above_ascii(char32_t c) const { return unicode::contains(ranges_, c); }

}  // namespace korvel::regex
