#include "parser/quoted_text.hpp"

#include <optional>
#include <string>

#include "text/utf8.hpp"

namespace korvel::parser {
namespace {

// A body read up to (not including) its closing quote.
struct Body {
  std::string_view rest;  // starts at the closing quote, or is empty
  Text text;
};

// Raw body: characters other than backslash and the quote, or a backslash
// with any one character after it, kept exactly as written.
std::optional<Body> read_raw_body(std::string_view input, char quote) {
  std::size_t i = 0;
  while (i < input.size() && input[i] != quote) {
    if (input[i] == '\\') {
      if (i + 1 == input.size()) return std::nullopt;  // a backslash ends the input
      i += 1 + utf8::decode_first(input.substr(i + 1)).length;
    } else {
      ++i;
    }
  }
  return Body{input.substr(i), Text::borrowed(input.substr(0, i))};
}

std::optional<char> unescape(char escaped, char quote) {
  switch (escaped) {
    case '\\': return '\\';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case '0': return '\0';
    default: return escaped == quote ? std::optional<char>(quote) : std::nullopt;
  }
}

// Escaped body: characters other than backslash and the quote are copied;
// a backslash must be followed by one of \ n r t 0 or the quote itself.
std::optional<Body> read_escaped_body(std::string_view input, char quote) {
  std::string text;
  std::size_t i = 0;
  while (i < input.size() && input[i] != quote) {
    const std::size_t run_start = i;
    while (i < input.size() && input[i] != quote && input[i] != '\\') ++i;
    text.append(input.substr(run_start, i - run_start));
    if (i < input.size() && input[i] == '\\') {
      if (i + 1 == input.size()) return std::nullopt;
      const std::optional<char> c = unescape(input[i + 1], quote);
      if (!c) return std::nullopt;
      text.push_back(*c);
      i += 2;
    }
  }
  return Body{input.substr(i), Text::owned(std::move(text))};
}

// One quoted form: its opening characters, a body, the closing quote. A body
// that reads nothing or cannot be read counts as absent; the closing quote is
// then expected right after the opening one. The error is where the closing
// quote was expected, or the whole input when the opening is missing.
ParseResult<Text> parse_form(std::string_view input, std::string_view opening, char quote,
                             bool raw) {
  if (!input.starts_with(opening)) return parse_failure(input, ErrorKind::Char);
  const std::string_view after_open = input.substr(opening.size());
  std::optional<Body> body =
      raw ? read_raw_body(after_open, quote) : read_escaped_body(after_open, quote);
  if (!body || body->rest.size() == after_open.size()) {
    body = Body{after_open, Text()};
  }
  if (body->rest.empty() || body->rest.front() != quote) {
    return parse_failure(body->rest, ErrorKind::Char);
  }
  return Parsed<Text>{body->rest.substr(1), std::move(body->text)};
}

}  // namespace

ParseResult<Text> parse_quoted_text(std::string_view input) {
  if (auto raw_single = parse_form(input, "r'", '\'', /*raw=*/true)) return raw_single;
  if (auto raw_double = parse_form(input, "r\"", '"', /*raw=*/true)) return raw_double;
  if (auto single = parse_form(input, "'", '\'', /*raw=*/false)) return single;
  return parse_form(input, "\"", '"', /*raw=*/false);
}

}  // namespace korvel::parser
