// What the zero-width tests of a pattern read of the characters on either
// side of a position, as a few flags per character; a DFA state keeps the
// flags of the character it read last instead of the character.
//
// Characters are code points, kNoChar beyond either end of the text and
// kInvalidByte for a byte that is not part of well-formed UTF-8 (no literal
// or class matches it, and it is no word character), as the Pike VM reads
// texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "regex/hir.hpp"

namespace korvel::regex {

inline constexpr char32_t kNoChar = 0xFFFFFFFF;
inline constexpr char32_t kInvalidByte = 0x110000;

enum CharFlag : std::uint8_t {
  kEdge = 1,  // no character: a text end
  kLineFeed = 2,
  kCarriageReturn = 4,
  kWordUnicode = 8,  // a word character (Unicode)
  kWordAscii = 16,   // a word character (ASCII)
};
inline constexpr std::size_t kFlagCombinations = 32;

std::uint8_t flags_of(char32_t c);

// The flags that `look` reads.
std::uint8_t flags_read_by(hir::Look look);

// Whether `look` holds between a character with flags `left` and one with
// flags `right`, in the text's order.
bool holds(hir::Look look, std::uint8_t left, std::uint8_t right);

// The character that ends, or begins, at `at`, a character boundary.
char32_t char_before(std::string_view text, std::size_t at);
char32_t char_after(std::string_view text, std::size_t at);

}  // namespace korvel::regex
