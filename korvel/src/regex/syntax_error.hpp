// Why a pattern is refused, where, and the report that shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::regex {

// A stretch of the pattern, as byte offsets [start, end).
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;

  friend bool operator==(const Span&, const Span&) = default;
  friend auto operator<=>(const Span&, const Span&) = default;
};

enum class ErrorKind : std::uint8_t {
  // Found while parsing.
  kCaptureLimitExceeded,
  kClassEscapeInvalid,
  kClassRangeInvalid,
  kClassRangeLiteral,
  kClassUnclosed,
  kDecimalInvalid,
  kEscapeHexEmpty,
  kEscapeHexInvalid,
  kEscapeHexInvalidDigit,
  kEscapeUnexpectedEof,
  kEscapeUnrecognized,
  kFlagDanglingNegation,
  kFlagDuplicate,
  kFlagRepeatedNegation,
  kFlagUnexpectedEof,
  kFlagUnrecognized,
  kGroupNameDuplicate,
  kGroupNameEmpty,
  kGroupNameInvalid,
  kGroupNameUnexpectedEof,
  kGroupUnclosed,
  kGroupUnopened,
  kNestLimitExceeded,
  kRepetitionCountInvalid,
  kRepetitionCountDecimalEmpty,
  kRepetitionCountUnclosed,
  kRepetitionMissing,
  kSpecialWordBoundaryUnclosed,
  kSpecialWordBoundaryUnrecognized,
  kSpecialWordOrRepetitionUnexpectedEof,
  kUnicodeClassInvalid,
  kUnsupportedBackreference,
  kUnsupportedLookAround,
  // Found while giving the parsed pattern its meaning.
  kUnicodeNotAllowed,
  kInvalidUtf8,
  kUnicodePropertyNotFound,
  kUnicodePropertyValueNotFound,
};

// The deepest nesting of groups, classes and operators a pattern may have.
inline constexpr std::uint32_t kNestLimit = 250;

struct SyntaxError {
  ErrorKind kind;
  Span span;
  // A second place that the report marks too, such as the first of two
  // duplicate flags.
  std::optional<Span> auxiliary;
};

// The one-line message, such as "unclosed group".
std::string_view message(ErrorKind kind);

// The report that begins "regex parse error:", shows the pattern with the
// spans marked and ends with "error: " and the message (no final newline).
std::string format_report(std::string_view pattern, const SyntaxError& error);

}  // namespace korvel::regex
