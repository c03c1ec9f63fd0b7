#include "regex/syntax_error.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

constexpr std::array<std::string_view, 37> kMessages = {
    "exceeded the maximum number of capturing groups (4294967295)",
    "invalid escape sequence found in character class",
    "invalid character class range, the start must be <= the end",
    "invalid range boundary, must be a literal",
    "unclosed character class",
    "decimal literal invalid",
    "hexadecimal literal empty",
    "hexadecimal literal is not a Unicode scalar value",
    "invalid hexadecimal digit",
    "incomplete escape sequence, reached end of pattern prematurely",
    "unrecognized escape sequence",
    "dangling flag negation operator",
    "duplicate flag",
    "flag negation operator repeated",
    "expected flag but got end of regex",
    "unrecognized flag",
    "duplicate capture group name",
    "empty capture group name",
    "invalid capture group character",
    "unclosed capture group name",
    "unclosed group",
    "unopened group",
    "exceed the maximum number of nested parentheses/brackets (250)",
    "invalid repetition count range, the start must be <= the end",
    "repetition quantifier expects a valid decimal",
    "unclosed counted repetition",
    "repetition operator missing expression",
    "special word boundary assertion is either unclosed or contains an invalid character",
    "unrecognized special word boundary assertion, valid choices are: start, end, start-half or "
    "end-half",
    "found either the beginning of a special word boundary or a bounded repetition on a \\b with "
    "an opening brace, but no closing brace",
    "invalid Unicode character class",
    "backreferences are not supported",
    "look-around, including look-ahead and look-behind, is not supported",
    "Unicode not allowed here",
    "pattern can match invalid UTF-8",
    "Unicode property not found",
    "Unicode property value not found",
};

static_assert(static_cast<std::size_t>(ErrorKind::kUnicodePropertyValueNotFound) + 1 ==
              kMessages.size());

constexpr std::size_t kDividerWidth = 79;

// A place in the pattern as the report shows it: lines count from 1, columns
// count characters from 1 and restart after each line feed.
struct Position {
  std::size_t line;
  std::size_t column;
};

struct LineSpan {
  Position start;
  Position end;
};

Position position_of(std::string_view pattern, std::size_t offset) {
  const std::string_view before = pattern.substr(0, offset);
  const std::size_t newlines = std::count(before.begin(), before.end(), '\n');
  const std::size_t line_start = newlines == 0 ? 0 : before.rfind('\n') + 1;
  return {newlines + 1, utf8::count_chars(before.substr(line_start)) + 1};
}

// The lines of the pattern: split at line feeds, a carriage return before a
// line feed dropped, and no empty line after a final line feed.
std::vector<std::string_view> split_lines(std::string_view pattern) {
  std::vector<std::string_view> lines;
  while (!pattern.empty()) {
    const std::size_t newline = pattern.find('\n');
    if (newline == std::string_view::npos) {
      lines.push_back(pattern);
      break;
    }
    std::string_view line = pattern.substr(0, newline);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pattern.remove_prefix(newline + 1);
  }
  return lines;
}

void append_caret_line(std::string& out, std::size_t indent, const std::vector<LineSpan>& spans) {
  out.append(indent, ' ');
  std::size_t column = 1;
  for (const LineSpan& span : spans) {
    if (span.start.column > column) {
      out.append(span.start.column - column, ' ');
      column = span.start.column;
    }
    const std::size_t width = std::max<std::size_t>(
        1, span.end.column > span.start.column ? span.end.column - span.start.column : 0);
    out.append(width, '^');
    column += width;
  }
  out.push_back('\n');
}

}  // namespace

std::string_view message(ErrorKind kind) { return kMessages[static_cast<std::size_t>(kind)]; }

std::string format_report(std::string_view pattern, const SyntaxError& error) {
  const std::vector<std::string_view> lines = split_lines(pattern);
  const bool ends_with_newline = !pattern.empty() && pattern.back() == '\n';
  const std::size_t line_count = lines.size() + (ends_with_newline ? 1 : 0);
  const std::size_t number_width = line_count <= 1 ? 0 : std::to_string(line_count).size();

  // Not list-initialised: g++ 16 then warns, wrongly, that the push_back below
  // writes out of bounds.
  std::vector<Span> spans;
  spans.reserve(2);
  spans.push_back(error.span);
  if (error.auxiliary) spans.push_back(*error.auxiliary);
  std::sort(spans.begin(), spans.end());
  std::vector<std::vector<LineSpan>> by_line(line_count);
  std::vector<LineSpan> multi_line;
  for (const Span& span : spans) {
    const LineSpan placed = {position_of(pattern, span.start), position_of(pattern, span.end)};
    if (placed.start.line == placed.end.line) {
      by_line[placed.start.line - 1].push_back(placed);
    } else {
      multi_line.push_back(placed);
    }
  }

  std::string out = "regex parse error:\n";
  const std::string divider = std::string(kDividerWidth, '~') + "\n";
  if (number_width > 0) out.append(divider);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (number_width == 0) {
      out.append(4, ' ');
    } else {
      const std::string number = std::to_string(i + 1);
      out.append(number_width - number.size(), ' ').append(number).append(": ");
    }
    out.append(lines[i]).push_back('\n');
    if (!by_line[i].empty()) {
      append_caret_line(out, number_width == 0 ? 4 : number_width + 2, by_line[i]);
    }
  }
  if (number_width > 0) {
    out.append(divider);
    for (const LineSpan& span : multi_line) {
      out.append("on line ").append(std::to_string(span.start.line));
      out.append(" (column ").append(std::to_string(span.start.column));
      out.append(") through line ").append(std::to_string(span.end.line));
      out.append(" (column ").append(std::to_string(span.end.column - 1)).append(")\n");
    }
  }
  out.append("error: ").append(message(error.kind));
  return out;
}

}  // namespace korvel::regex
