// Finding a literal in texts quickly.
//
// The search looks, 16 or 32 bytes at a time, for the places where two of
// the literal's bytes stand at their distance in the literal. It picks the
// two bytes that are probably rarest in texts, so that such places are few,
// and compares the whole literal at each. Where they are not few after all
// (texts made of the literal's own bytes), checking them would cost up to
// text times literal; the search then hands over to the two-way search,
// which is linear whatever the literal and the text.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/substring_search.hpp"

namespace korvel::regex {

// How common a byte is in texts, roughly, from 0 (rarest) up: blanks and the
// lower-case letters of English prose by their frequency first, then
// continuation bytes of non-ASCII characters, line ends and common
// punctuation, digits, capitals, lead bytes, other punctuation, and last
// control bytes and bytes that UTF-8 never holds.
int byte_commonness(unsigned char byte);

class LiteralSearch {
 public:
  // The literal's text must outlive the search.
  explicit LiteralSearch(std::string_view literal);

  // The first position at or after `from` where the literal occurs, or npos.
  std::size_t find(std::string_view text, std::size_t from = 0) const;

  std::string_view literal() const { return literal_; }

 private:
  std::string_view literal_;
  SubstringSearch two_way_;
  // The positions in the literal of its two rarest bytes, `first` before
  // `second` (equal only for a literal of one byte).
  std::size_t first_ = 0;
  std::size_t second_ = 0;
};

}  // namespace korvel::regex
