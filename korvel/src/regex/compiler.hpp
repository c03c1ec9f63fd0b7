// Meaning to program, under the size limit.
#pragma once

#include <cstdint>
#include <optional>

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// The most that a compiled pattern may cost, in bytes of the accounting below.
inline constexpr std::uint64_t kSizeLimit = 10485760;

// Nothing when the pattern costs more than kSizeLimit. The cost: 32 bytes per
// state (a character per byte of its encoding, an anchor, a split or a jump),
// 64 per capture group, and for each class 48 plus 16 per ASCII range, 64 per
// other range and 256 per UTF-8 length boundary that a range spans. The
// weights follow the state counts of a byte-level automaton for the same
// pattern, so that the cost grows with what matching the pattern needs.
std::optional<Program> compile(hir::Translation translation);

}  // namespace korvel::regex
