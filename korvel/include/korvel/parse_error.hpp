// The result convention shared by the parsers of expressions and paths.
#pragma once

#include <string>
#include <string_view>

#include "korvel/expected.hpp"

namespace korvel {

// The failure kinds of the parser combinators the grammar was first written
// with; callers see them by name in messages ("error Char at: ...").
enum class ErrorKind {
  Tag,
  MapRes,
  MapOpt,
  Alt,
  IsNot,
  IsA,
  SeparatedList,
  SeparatedNonEmptyList,
  Many0,
  Many1,
  ManyTill,
  Count,
  TakeUntil,
  LengthValue,
  TagClosure,
  Alpha,
  Digit,
  HexDigit,
  OctDigit,
  BinDigit,
  AlphaNumeric,
  Space,
  MultiSpace,
  LengthValueFn,
  Eof,
  Switch,
  TagBits,
  OneOf,
  NoneOf,
  Char,
  CrLf,
  RegexpMatch,
  RegexpMatches,
  RegexpFind,
  RegexpCapture,
  RegexpCaptures,
  TakeWhile1,
  Complete,
  Fix,
  Escaped,
  EscapedTransform,
  NonEmpty,
  ManyMN,
  Not,
  Permutation,
  Verify,
  TakeTill1,
  TakeWhileMN,
  TooLarge,
  Many0Count,
  Many1Count,
  Float,
  Satisfy,
  Fail,
  Many,
  Fold,
  Precedence
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
