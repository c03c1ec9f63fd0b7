// Meaning to program, under the size limit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// Nothing when the pattern is larger than the size limit (size_limit.hpp).
std::optional<Program> compile(hir::Translation translation);

// The nodes of `sequence` one after another, read right to left when
// `reversed`: a fragment over the classes of the program that holds them.
Fragment compile_fragment(std::span<const hir::Hir* const> sequence, bool reversed);

}  // namespace korvel::regex
