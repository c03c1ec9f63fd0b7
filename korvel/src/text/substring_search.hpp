// Finding a pattern in a text in time linear in the text, whatever the pattern.
//
// The plain search (compare the pattern at every position) costs text ×
// pattern on a text of "a" and a pattern of "a"s ending in "b"; "contains",
// "replace" and "split" must stay linear on such input.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/byte_scan.hpp"

namespace korvel {

// A pattern prepared once (O(pattern) work, no allocation) for any number of
// searches. The pattern's text must outlive the searcher.
//
// The search is the two-way algorithm: the pattern is cut at a critical
// position into a left and a right part; the right part is compared first,
// left to right, and a mismatch there shifts by the distance matched; after a
// full right part the left part is compared right to left, and a mismatch
// there shifts by the pattern's period (remembering, for a periodic pattern,
// how much of the next window is known to match). Every text byte is compared
// a bounded number of times, so a search costs O(text) however the pattern
// repeats itself.
//
// Between windows the search skips ahead with memchr to the next position
// where one chosen byte of the pattern (its "anchor", a byte that is probably
// rare in texts) is present. That keeps common searches as fast as the plain
// search and costs nothing in the worst case: the skipped positions cannot
// match, and each text byte is scanned once.
class SubstringSearch {
 public:
  explicit SubstringSearch(std::string_view pattern);

  // The first position at or after `from` where the pattern occurs in `text`,
  // or npos. An empty pattern occurs at `from` (when `from` <= text.size()).
  std::size_t find(std::string_view text, std::size_t from = 0) const;

  // Calls f(position) for each occurrence of the pattern, which must not be
  // empty, from left to right; occurrences do not overlap.
  template <class F>
  void for_each(std::string_view text, F&& f) const {
    if (pattern_.size() == 1) {
      for_each_byte(text, pattern_.front(), f);
      return;
    }
    for (std::size_t at = find(text); at != std::string_view::npos;
         at = find(text, at + pattern_.size())) {
      f(at);
    }
  }

  std::string_view pattern() const { return pattern_; }

 private:
  std::size_t skip_to_anchor(std::string_view text, std::size_t at) const;
  std::size_t find_periodic(std::string_view text, std::size_t at) const;
  std::size_t find_aperiodic(std::string_view text, std::size_t at) const;

  std::string_view pattern_;
  std::size_t split_ = 0;   // start of the right part
  std::size_t period_ = 1;  // the shift after the left part mismatches
  bool periodic_ = false;   // whether the left part repeats within the right one
  std::size_t anchor_ = 0;  // position of the byte the skip loop looks for
};

}  // namespace korvel
