// How large a compiled pattern may be, and how its size is counted.
//
// A pattern's size is that of the automata over UTF-8 bytes that it compiles
// to: one that reads a match forward, with a state at each end of every
// capturing group and of the whole match, and one that reads it backward,
// without those. Each must fit in kSizeLimit bytes. A state costs 32 bytes; a
// state that lists byte ranges costs 8 more per range, and a state that
// splits costs 4 more per branch. The states of each construct, in the order
// they are made, are set out in size_limit.cpp; the count follows them
// exactly, because where the limit falls depends on it (and on the order, as
// the states that spell classes in UTF-8 are shared through a bounded table
// that is keyed by the numbers of states).
//
// A pattern that is matched as a set of texts builds no automaton and has
// no limit (literal_set.hpp).
#pragma once

#include <cstdint>

#include "regex/hir.hpp"

namespace korvel::regex {

inline constexpr std::uint64_t kSizeLimit = 10485760;

bool within_size_limit(const hir::Translation& translation);

// How within_size_limit tells, cheapest first; each is never below the
// next. A quick bound from the pattern's shape and its classes' ranges; a
// bound counted state by state as if no states spelling classes were shared,
// which counts each class once and adds it for each copy; and the exact size
// of the larger automaton. The counts stop soon after they pass the limit.
std::uint64_t automaton_size_quick_bound(const hir::Translation& translation);
std::uint64_t automaton_size_bound(const hir::Translation& translation);
std::uint64_t automaton_size(const hir::Translation& translation);

}  // namespace korvel::regex
