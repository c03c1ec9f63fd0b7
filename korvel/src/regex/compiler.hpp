// Meaning to program, under the size limit.
#pragma once

#include <cstdint>
#include <optional>

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// The most that a compiled pattern may cost, in bytes of the accounting of
// compiled_size().
inline constexpr std::uint64_t kSizeLimit = 10485760;

// What the compiled pattern costs: 32 bytes per state (a character, an
// anchor, a split or a jump), more for classes the more ranges they have and
// the more UTF-8 lengths their ranges span, and 64 per capture group. The
// weights follow the state counts of a byte-level automaton, so the limit
// falls about where such an engine's would. Saturates above the limit.
std::uint64_t compiled_size(const hir::Translation& translation);

// Nothing when compiled_size() exceeds kSizeLimit.
std::optional<Program> compile(hir::Translation translation);

}  // namespace korvel::regex
