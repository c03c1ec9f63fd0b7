// Meaning to program, under the size limit.
#pragma once

#include <cstdint>
#include <optional>

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// Nothing when the pattern is larger than the size limit (size_limit.hpp).
std::optional<Program> compile(hir::Translation translation);

}  // namespace korvel::regex
