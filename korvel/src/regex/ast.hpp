// The parsed form of a pattern: what was written, with the span of each part.
//
// Nodes live in one arena and refer to their children by index, so that a
// pattern nested arbitrarily deep is built, checked and released without
// recursion.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "regex/syntax_error.hpp"

namespace korvel::regex::ast {

using NodeId = std::uint32_t;

enum class Kind : std::uint8_t {
  kEmpty,           // also an empty operand inside a class
  kSetFlags,        // (?flags); `flags`
  kLiteral,         // `c`; `literal` says how it was written
  kDot,             // `.`
  kAssertion,       // `assertion`
  kUnicodeClass,    // \p / \P; `negated`, `unicode` and the name strings
  kPerlClass,       // \d \s \w and their negations; `perl`, `negated`
  kBracketedClass,  // [...]; `negated`, one child: the class set
  kRepetition,      // `min`, `max`, `bounded`, `greedy`; one child
  kGroup,           // `group` (and `flags`); one child
  kAlternation,     // two or more children
  kConcat,          // two or more children
  // Only inside bracketed classes:
  kClassRange,  // `c` to `c2`; children: the two endpoint literals
  kAsciiClass,  // [:name:]; `ascii`, `negated`
  kClassUnion,  // two or more children
  kClassSetOp,  // `set_op`; children: left and right operand
};

enum class LiteralKind : std::uint8_t {
  kVerbatim,
  kEscaped,  // a metacharacter, a superfluous escape or \n, \t and friends
  kHexByte,  // \xHH: the only spelling that names a byte under (?-u)
  kHex,      // \x{...}, \uHHHH, \u{...}, \UHHHHHHHH, \U{...}
};

enum class AssertionKind : std::uint8_t {
  kStartLine,  // ^
  kEndLine,    // $
  kStartText,  // \A
  kEndText,    // \z
  kWordBoundary,
  kNotWordBoundary,
  kWordStart,  // \b{start}, \<
  kWordEnd,    // \b{end}, \>
  kWordStartHalf,
  kWordEndHalf,
};

enum class PerlKind : std::uint8_t { kDigit, kSpace, kWord };

enum class AsciiKind : std::uint8_t {
  kAlnum,
  kAlpha,
  kAscii,
  kBlank,
  kCntrl,
  kDigit,
  kGraph,
  kLower,
  kPrint,
  kPunct,
  kSpace,
  kUpper,
  kWord,
  kXdigit,
};

enum class UnicodeClassKind : std::uint8_t {
  kOneLetter,  // \pL: name only
  kNamed,      // \p{Name}: name only
  kEqual,      // \p{name=value} or \p{name:value}
  kNotEqual,   // \p{name!=value}
};

enum class GroupKind : std::uint8_t { kCapture, kNonCapturing };

enum class SetOp : std::uint8_t { kIntersection, kDifference, kSymmetricDifference };

// Flags of a (?flags) item: the bits that it sets and the bits that it clears.
enum Flag : std::uint8_t {
  kCaseInsensitive = 1 << 0,    // i
  kMultiLine = 1 << 1,          // m
  kDotMatchesNewLine = 1 << 2,  // s
  kSwapGreed = 1 << 3,          // U
  kUnicode = 1 << 4,            // u
  kCrlf = 1 << 5,               // R
  kIgnoreWhitespace = 1 << 6,   // x
};

struct FlagChange {
  std::uint8_t set = 0;
  std::uint8_t clear = 0;

  std::uint8_t apply(std::uint8_t flags) const { return (flags | set) & ~clear; }
};

struct Node {
  Kind kind = Kind::kEmpty;
  union {
    LiteralKind literal = LiteralKind::kVerbatim;
    AssertionKind assertion;
    PerlKind perl;
    AsciiKind ascii;
    UnicodeClassKind unicode;
    GroupKind group;
    SetOp set_op;
  };
  bool negated = false;
  bool greedy = true;
  bool bounded = true;
  FlagChange flags;
  Span span;
  char32_t c = 0;
  char32_t c2 = 0;
  std::uint32_t min = 0;
  std::uint32_t max = 0;
  // Children: `count` ids from `first` in Ast::children. A Unicode class
  // keeps its name and value at `first` and `first + 1` in Ast::names.
  std::uint32_t first = 0;
  std::uint32_t count = 0;
};

struct Ast {
  std::vector<Node> nodes;
  std::vector<NodeId> children;
  std::vector<std::string> names;
  NodeId root = 0;

  const Node& operator[](NodeId id) const { return nodes[id]; }
  std::span<const NodeId> children_of(const Node& node) const {
    return std::span<const NodeId>(children).subspan(node.first, node.count);
  }
};

}  // namespace korvel::regex::ast
