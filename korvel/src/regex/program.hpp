// The compiled form of a pattern: a small instruction program over code
// points, run by the Pike VM.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "regex/class_matcher.hpp"
#include "regex/code_point_set.hpp"
#include "regex/hir.hpp"

namespace korvel::regex {

enum class Op : std::uint8_t {
  kChar,   // consume `arg`, a code point
  kClass,  // consume a member of matchers[arg]
  kSplit,  // continue at `out` and at `arg`
  kJump,   // continue at `out`
  kLook,   // continue at `out` if `look` holds here
  kMatch,
};

struct Inst {
  Op op;
  hir::Look look;
  std::uint32_t out;
  std::uint32_t arg;
};

// Instructions for a part of a pattern, or for all of it read right to left,
// that a search runs apart from the whole program; they read the classes of
// the program that holds them and start at the first instruction.
struct Fragment {
  std::vector<Inst> insts;
};

// A literal that every match contains, and the parts of the pattern on
// either side of it: `before` reads right to left from the literal's start,
// `after` left to right from its end. A program has one only where a search
// for it pays (shortcuts.cpp).
struct InnerLiteral {
  std::string text;
  Fragment before;
  Fragment after;
};

struct Program {
  std::vector<Inst> insts;
  std::uint32_t start = 0;
  // The sets the matchers read; a matcher points into its set's storage.
  std::vector<CodePointSet> sets;
  std::vector<ClassMatcher> matchers;
  // Every match starts at the start of the text.
  bool anchored_start = false;
  // Every match starts with these bytes.
  std::string prefix;
  // Every match starts with one of these literals, when `prefix` is short
  // (exact: every match is one of them); see prefix_set.hpp.
  std::vector<std::string> prefixes;
  bool prefixes_exact = false;
  // Every match ends at the end of the text; `reversed` is then the whole
  // pattern read right to left.
  bool anchored_end = false;
  Fragment reversed;
  std::optional<InnerLiteral> inner;

  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  Program(Program&&) = default;
  Program& operator=(Program&&) = default;
};

}  // namespace korvel::regex
