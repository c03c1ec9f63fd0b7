// The compiled form of a pattern: a small instruction program over code
// points, run by the Pike VM.
#pragma once

#include <cstdint>
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

  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  Program(Program&&) = default;
  Program& operator=(Program&&) = default;
};

}  // namespace korvel::regex
