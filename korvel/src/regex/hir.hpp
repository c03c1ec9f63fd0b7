// The meaning of a pattern, with flags applied: literals are texts, classes
// are code point sets, and anchors say exactly what they test.
//
// The constructors keep every expression in one canonical shape, which the
// size limit is counted on (size_limit.hpp): a concatenation holds no empty
// item, no nested concatenation and no two literals side by side; an
// alternation holds no nested alternation, becomes a class when all its
// branches are single characters or all are classes, and has the items that
// begin all of its branches taken out in front of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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
  kLiteral,      // `text`, one or more characters
  kClass,        // `set`; an empty set (matching nothing) is a byte class
  kLook,         // `look`
  kRepetition,   // `min`, `max` (none: unbounded), `greedy`; one sub
  kCapture,      // one sub
  kConcat,       // two or more subs
  kAlternation,  // two or more subs
};

// A length in bytes of UTF-8 text. None: unbounded, or the expression cannot
// match at all.
using Length = std::optional<std::uint64_t>;

struct Hir {
  Kind kind = Kind::kEmpty;
  Look look = Look::kStart;
  // A class built outside Unicode mode: its members are ASCII bytes. It
  // matches what the same Unicode class matches, but the two are not the
  // same expression.
  bool byte_class = false;
  bool greedy = true;
  std::u32string text;
  std::uint32_t set = 0;  // index into Translation::sets
  std::uint32_t min = 0;
  std::optional<std::uint32_t> max;
  // The shortest and the longest match.
  Length min_length = 0;
  Length max_length = 0;
  // Whether every match is tied to the start (end) of the text by an \A or
  // ^ (\z or $) that it cannot avoid, such as the one in "^a|^b".
  bool anchored_start = false;
  bool anchored_end = false;
  std::vector<Hir> subs;
};

struct Translation {
  Hir root;
  std::vector<CodePointSet> sets;
};

// Whether two expressions are written alike: literals of the same text,
// classes of the same kind and members, and so on; two groups never are.
bool same(const Hir& a, const Hir& b, const std::vector<CodePointSet>& sets);

Hir empty();
Hir literal(std::u32string text);
Hir literal(char32_t c);
Hir look(Look look);
// A set of one code point becomes a literal; an empty set is the byte class
// that matches nothing.
Hir cls(std::vector<CodePointSet>& sets, CodePointSet set, bool byte_class);
// x{0} is empty and x{1} is x; a sub that matches only the empty text is
// repeated at most once.
Hir repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max, bool greedy);
Hir capture(Hir sub);
Hir concat(std::vector<Hir> subs);
Hir alternation(std::vector<CodePointSet>& sets, std::vector<Hir> subs);

}  // namespace korvel::regex::hir
