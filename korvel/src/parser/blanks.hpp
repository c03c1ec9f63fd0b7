// The two classes of blanks that the parsers skip: the ASCII blanks below,
// and the characters of the Unicode White_Space property (skip_unicode_blanks).
#pragma once

#include <string_view>

#include "text/unicode_blanks.hpp"

namespace korvel::parser {

// SPACE, TAB, LF and CR: what may stand between tokens.
inline bool is_ascii_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

inline std::string_view skip_ascii_blanks(std::string_view input) {
  std::size_t i = 0;
  while (i < input.size() && is_ascii_blank(input[i])) ++i;
  return input.substr(i);
}

inline bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace korvel::parser
