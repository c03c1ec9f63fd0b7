// The result convention shared by the parsers of expressions and paths.
#pragma once

#include <string>
#include <string_view>

#include "korvel/expected.hpp"

namespace korvel {

// Why a parse failed; messages show the kind by name ("error Char at: ...").
enum class ErrorKind {
  // Kinds that reach callers: a required character is missing; a path
  // segment starts with a digit; a third operand of "==" or "!="; text left
  // over after a complete expression or path.
  Char,
  Digit,
  Count,
  Eof,
  // Kinds of failures that an enclosing rule always absorbs: an identifier
  // that is empty or a keyword, and a text body that cannot be read further.
  MapRes,
  IsNot,
  Escaped,
  EscapedTransform,
};

std::string_view error_kind_name(ErrorKind kind);

// Where a parse failed: the suffix of the input at the point of failure.
struct ParseError {
  std::string_view input;
  ErrorKind kind;

  friend bool operator==(const ParseError&, const ParseError&) = default;
};

// "error {kind} at: {remaining input}"
std::string to_string(const ParseError& error);

// A successful parse: the unparsed suffix of the input and what was read.
template <class T>
struct Parsed {
  std::string_view rest;
  T value;
};

template <class T>
using ParseResult = Expected<Parsed<T>, ParseError>;

inline Unexpected<ParseError> parse_failure(std::string_view input, ErrorKind kind) {
  return Unexpected(ParseError{input, kind});
}

}  // namespace korvel
