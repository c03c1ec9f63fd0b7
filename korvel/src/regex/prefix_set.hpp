// The few literals that every match of a pattern starts with one of, such as
// the branches of "apple|banana" or the spellings of "(?i)err".
#pragma once

#include <string>
#include <vector>

#include "regex/code_point_set.hpp"
#include "regex/hir.hpp"

namespace korvel::regex {

inline constexpr std::size_t kMaxPrefixes = 64;
inline constexpr std::size_t kMaxPrefixLength = 8;

struct PrefixSet {
  // From two to kMaxPrefixes literals of one to kMaxPrefixLength bytes,
  // sorted; none when the pattern gives no such set (a match may start with
  // anything, or with the empty text, or with too many different texts).
  std::vector<std::string> literals;
  // Every match is one of the literals, wherever it occurs.
  bool exact = false;
};

PrefixSet prefixes_of(const hir::Hir& root, const std::vector<CodePointSet>& sets);

}  // namespace korvel::regex
