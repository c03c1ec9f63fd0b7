// Patterns that are matched as a set of texts: they build no automaton, so
// the size limit does not apply to them.
//
// Two kinds of pattern are: an alternation of 3000 literals or more, and a
// pattern without groups or assertions whose matches are exactly a short
// list of texts, as worked out in literal_set.cpp.
#pragma once

#include "regex/hir.hpp"

namespace korvel::regex {

bool is_literal_set(const hir::Translation& translation);

}  // namespace korvel::regex
