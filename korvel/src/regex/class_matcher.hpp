// Membership tests for the classes of a compiled pattern.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "unicode/tables.hpp"

namespace korvel::regex {

using unicode::Range;

// Membership in one class: a bitmap for ASCII, binary search above it.
class ClassMatcher {
 public:
  explicit ClassMatcher(std::span<const Range> ranges);

  bool matches(char32_t c) const {
    if (c < 0x80) return (ascii_[c >> 6] >> (c & 63)) & 1;
    return matches_above_ascii(c);
  }

  // Bit c of word c / 64: whether the ASCII character c matches.
  const std::array<std::uint64_t, 2>& ascii() const { return ascii_; }

 private:
  bool matches_above_ascii(char32_t c) const;

  std::array<std::uint64_t, 2> ascii_{};
  std::span<const Range> ranges_;  // those that reach above ASCII
};

}  // namespace korvel::regex
