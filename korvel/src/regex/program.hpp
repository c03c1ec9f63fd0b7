// The compiled form of a pattern: a small instruction program over code
// points, run by the Pike VM.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// Membership in one class: a bitmap for ASCII, binary search above it.
class ClassMatcher {
 public:
  explicit ClassMatcher(std::span<const Range> ranges);

  bool matches(char32_t c) const {
    if (c < 0x80) return (ascii_[c >> 6] >> (c & 63)) & 1;
    return matches_above_ascii(c);
  }

 private:
  bool matches_above_ascii(char32_t c) const;

  std::array<std::uint64_t, 2> ascii_{};
  std::span<const Range> ranges_;  // those that reach above ASCII
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
