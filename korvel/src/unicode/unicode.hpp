// Unicode property lookups over the generated tables.
#pragma once

#include "unicode/tables.hpp"

namespace korvel::unicode {

bool contains(RangeTable table, char32_t c);

GeneralCategory general_category(char32_t c);

inline bool is_white_space(char32_t c) {
  if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');
  return contains(tables::kWhiteSpace, c);
}

inline bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  return contains(tables::kAlphabetic, c);
}

inline bool is_grapheme_extend(char32_t c) {
  return c >= 0x300 && contains(tables::kGraphemeExtend, c);
}

}  // namespace korvel::unicode
