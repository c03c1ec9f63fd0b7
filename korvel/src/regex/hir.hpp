// The meaning of a pattern, with flags applied: literals are code points,
// classes are code point sets, and anchors say exactly what they test.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "regex/code_point_set.hpp"

namespace korvel::regex::hir {

// The zero-width tests, each at a position between two characters.
enum class Look : std::uint8_t {
  kStart,      // the start of the text
  kEnd,        // the end of the text
  kStartLF,    // the start, or after "\n"
  kEndLF,      // the end, or before "\n"
  kStartCRLF,  // the start, or after "\n", or after "\r" but not inside "\r\n"
  kEndCRLF,    // the end, or before "\r", or before "\n" but not inside "\r\n"
  kWordUnicode,
  kWordUnicodeNegate,
  kWordStartUnicode,
  kWordEndUnicode,
  kWordStartHalfUnicode,
  kWordEndHalfUnicode,
  kWordAscii,
  kWordAsciiNegate,
  kWordStartAscii,
  kWordEndAscii,
  kWordStartHalfAscii,
  kWordEndHalfAscii,
};

enum class Kind : std::uint8_t {
  kEmpty,
  kLiteral,     // `c`
  kClass,       // `set` (may be empty: matches nothing)
  kLook,        // `look`
  kRepetition,  // `min`, `max` (none: unbounded); one sub
  kCapture,     // one sub
  kConcat,
  kAlternation,
};

// No length: unbounded, or the expression cannot match at all.
using Length = std::optional<std::uint64_t>;

struct Hir {
  Kind kind = Kind::kEmpty;
  Look look = Look::kStart;
  char32_t c = 0;
  std::uint32_t set = 0;  // index into Translation::sets
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
  // The longest match in bytes.
  Length max_length = 0;
  std::vector<Hir> subs;
};

struct Translation {
  Hir root;
  std::vector<CodePointSet> sets;
};

Hir empty();
Hir literal(char32_t c);
Hir look(Look look);
// A set of one code point becomes a literal.
Hir cls(std::vector<CodePointSet>& sets, CodePointSet set);
// x{0} is empty and x{1} is x; a sub that matches only the empty text is
// repeated at most once.
Hir repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max);
Hir capture(Hir sub);
Hir concat(std::vector<Hir> subs);
Hir alternation(std::vector<Hir> subs);

}  // namespace korvel::regex::hir
