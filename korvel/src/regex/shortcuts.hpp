// What a search can use besides running the whole program forward: that
// every match ends at the end of the text, a literal that every match
// contains, or a few literals that every match starts with one of.
#pragma once

#include "regex/hir.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

// Sets `anchored_end`, `reversed`, `inner` and `prefixes` of the program
// compiled from `root`.
void add_shortcuts(const hir::Hir& root, Program& program);

}  // namespace korvel::regex
