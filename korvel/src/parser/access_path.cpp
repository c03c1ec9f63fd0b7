#include "parser/access_path.hpp"

#include <charconv>
#include <optional>
#include <vector>

#include "korvel/parser.hpp"
#include "parser/blanks.hpp"
#include "parser/quoted_text.hpp"

namespace korvel::parser {
namespace {

bool is_identifier_char(char c) {
  return is_ascii_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// A segment while the path is being read: the name still borrowed where it
// can be, the index digits not yet converted.
struct Segment {
  Text name;
  std::optional<std::uint64_t> index;
};

// "[", blanks, digits, blanks, "]", blanks. Absent when any part is missing,
// and also when the digits do not fit in 64 bits: such an index is malformed
// like any other, and the path ends before its "[".
std::optional<Parsed<std::uint64_t>> read_index(std::string_view input) {
  if (!input.starts_with('[')) return std::nullopt;
  std::string_view rest = skip_ascii_blanks(input.substr(1));
  std::size_t digits = 0;
  while (digits < rest.size() && is_ascii_digit(rest[digits])) ++digits;
  if (digits == 0) return std::nullopt;
  std::uint64_t index = 0;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + digits, index);
  if (ec != std::errc()) return std::nullopt;
  rest = skip_ascii_blanks(rest.substr(digits));
  if (!rest.starts_with(']')) return std::nullopt;
  return Parsed<std::uint64_t>{skip_ascii_blanks(rest.substr(1)), index};
}

// A name (an identifier, else a quoted text) and at most one index. On
// failure, the error of the quoted-text parser. An empty quoted name is no
// name: it fails like a missing one, at the same position.
ParseResult<Segment> read_segment(std::string_view input) {
  Text name;
  std::string_view rest;
  if (auto identifier = parse_non_keyword(input)) {
    name = Text::borrowed(identifier->value);
    rest = identifier->rest;
  } else {
    auto quoted = parse_quoted_text(input);
    if (!quoted) return Unexpected(quoted.error());
    if (quoted->value.view().empty()) return parse_failure(input, ErrorKind::Char);
    name = std::move(quoted->value);
    rest = quoted->rest;
  }
  std::optional<std::uint64_t> index;
  if (auto parsed = read_index(rest)) {
    index = parsed->value;
    rest = parsed->rest;
  }
  return Parsed<Segment>{rest, Segment{std::move(name), index}};
}

}  // namespace

ParseResult<std::string_view> parse_non_keyword(std::string_view input) {
  std::size_t n = 0;
  while (n < input.size() && is_identifier_char(input[n])) ++n;
  const std::string_view word = input.substr(0, n);
  if (word.empty() || word == "true" || word == "false" || word == "null") {
    return parse_failure(input, ErrorKind::MapRes);
  }
  return Parsed<std::string_view>{input.substr(n), word};
}

ParseResult<VarAccess> parse_variable_name(std::string_view input) {
  auto first = read_segment(input);
  if (!first) return Unexpected(first.error());
  std::vector<Segment> segments;
  segments.push_back(std::move(first->value));
  std::string_view rest = first->rest;

  while (rest.starts_with('.')) {
    auto next = read_segment(rest.substr(1));
    if (!next) break;  // the "." stays in the rest
    segments.push_back(std::move(next->value));
    rest = next->rest;
  }

  for (const Segment& segment : segments) {
    if (is_ascii_digit(segment.name.view().front())) return parse_failure(rest, ErrorKind::Digit);
  }

  std::vector<VarName> names;
  names.reserve(segments.size());
  for (Segment& segment : segments) {
    names.push_back(VarName{std::move(segment.name).into_string(), segment.index});
  }
  return Parsed<VarAccess>{rest, VarAccess(std::move(names))};
}

Expected<VarAccess, ParseError> parse_whole_variable_name(std::string_view input) {
  ParseResult<VarAccess> parsed = parse_variable_name(input);
  if (!parsed) return Unexpected(parsed.error());
  if (!parsed->rest.empty()) return parse_failure(parsed->rest, ErrorKind::Eof);
  return std::move(parsed->value);
}

}  // namespace korvel::parser
