// What a search can use besides running the whole program forward: that
// every match ends at the end of the text, or a literal that every match
// contains.
#pragma once

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// Sets `anchored_end`, `reversed` and `inner` of the program compiled from
// `root`.
void add_shortcuts(const hir::Hir& root, Program& program);

}  // namespace korvel::regex
