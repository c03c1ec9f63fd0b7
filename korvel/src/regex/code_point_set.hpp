// Sets of code points as sorted ranges, with the set algebra of classes.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "unicode/tables.hpp"

namespace korvel::regex {

using unicode::Range;

inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

// Sorted, non-overlapping, non-adjacent ranges. A set made from a static
// table borrows the table, so naming \w or \pL copies nothing; the first
// change makes the set own its ranges.
class CodePointSet {
 public:
  CodePointSet() = default;
  static CodePointSet borrowed(unicode::RangeTable table);
  // Sorts and merges ranges given in any order.
  static CodePointSet from_ranges(std::vector<Range> ranges);

  std::span<const Range> ranges() const {
    return borrowed_ ? table_ : std::span<const Range>(owned_);
  }
  bool empty() const { return ranges().empty(); }
  bool is_borrowed() const { return borrowed_; }
  bool is_ascii() const { return empty() || ranges().back().last < 0x80; }
  bool contains(char32_t c) const;
  // The member of a set of exactly one code point.
  std::optional<char32_t> single() const;
  // The largest member, which must exist.
  char32_t max() const { return ranges().back().last; }

  void union_with(const CodePointSet& other);
  void intersect_with(const CodePointSet& other);
  void subtract(const CodePointSet& other);
  void symmetric_difference_with(const CodePointSet& other);
  // Complements within [0, max].
  void negate(char32_t max = kMaxCodePoint);
  // Adds every code point that simple case folding makes equivalent to a member.
  void case_fold_simple();
  // The same for ASCII letters only.
  void case_fold_ascii();

 private:
  void assign(std::vector<Range> ranges);

  bool borrowed_ = false;
  unicode::RangeTable table_;
  std::vector<Range> owned_;
};

// Builds one set from many items (the members of a bracketed class) in
// O(n log n) for n ranges in all. Ranges are collected unsorted and folded
// into sorted, merged form each time the collection has doubled since the
// last fold: merging every item into the set as it comes would cost the size
// of the set per item, quadratic for many distinct items, while collecting
// without folding would let a repeated large item (\pL a thousand times)
// take a thousand times its room.
class CodePointSetBuilder {
 public:
  void add(Range range);
  void add(const CodePointSet& set);
  CodePointSet build() &&;

 private:
  void fold_when_doubled();

  std::vector<Range> ranges_;
  std::size_t folded_size_ = 0;
};

// Whether simple case folding makes `c` equivalent to any other code point.
bool has_case_fold_partner(char32_t c);

}  // namespace korvel::regex
