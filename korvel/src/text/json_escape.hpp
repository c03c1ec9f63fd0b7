// The characters that strings inside arrays and objects escape, and how.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "korvel/text.hpp"

namespace korvel {

// The class [\\"'\n\r\t] as a byte table. All six are ASCII and no byte of a
// multi-byte UTF-8 character is ASCII, so a byte-wise scan finds exactly the
// characters of the class.
struct JsonEscapeClass {
  std::array<bool, 256> members{};

  constexpr JsonEscapeClass() {
    for (unsigned char c : std::string_view("\\\"'\n\r\t")) members[c] = true;
  }
  constexpr bool contains(char c) const { return members[static_cast<unsigned char>(c)]; }
};

inline constexpr JsonEscapeClass JSON_ESCAPE_REGEX{};

// The position of the first character of the class at or after `from`, or npos.
inline std::size_t find_json_escape(std::string_view text, std::size_t from = 0) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (JSON_ESCAPE_REGEX.contains(text[i])) return i;
  }
  return std::string_view::npos;
}

// Appends `text` escaped, given the position of its first character of the
// class (npos when there is none).
void append_json_escaped(std::string& out, std::string_view text, std::size_t first_match);

namespace utils {

// Escapes TAB, LF, CR, the double quote and the backslash with a backslash, as
// strings inside arrays and objects are written. Every other character, other
// control characters and the apostrophe included, is kept as it is. Returns
// `text` itself, borrowed, when nothing needs escaping.
Text escape_str_for_json(std::string_view text);

}  // namespace utils
}  // namespace korvel
