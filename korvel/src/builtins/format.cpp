// "format": numbered placeholders {N} filled with the text form of the values
// after the template; {{N}} stands for the literal text {N}.
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>

#include "builtins/argument_checks.hpp"
#include "builtins/builtins.hpp"
#include "text/text_form.hpp"
#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::functions {
namespace {

// A match of \{(\d+)\} with a Unicode \d: "{", one or more characters of the
// decimal-digit category, "}". A direct scan finds the same leftmost matches
// as the regular expression: digits cannot contain a brace, so a match that
// starts at a "{" is unique, and a failed start can only be followed by a
// later "{".
struct Placeholder {
  std::size_t start;  // of the "{"
  std::size_t end;    // just after the "}"
};

struct FormatPlaceholderRegex {
  std::optional<Placeholder> find(std::string_view text, std::size_t from) const {
    for (std::size_t open = text.find('{', from); open != std::string_view::npos;
         open = text.find('{', open + 1)) {
      const std::size_t digits_end = skip_digits(text, open + 1);
      if (digits_end > open + 1 && digits_end < text.size() && text[digits_end] == '}') {
        return Placeholder{open, digits_end + 1};
      }
    }
    return std::nullopt;
  }

 private:
  static std::size_t skip_digits(std::string_view text, std::size_t at) {
    while (at < text.size()) {
      const unsigned char byte = static_cast<unsigned char>(text[at]);
      if (byte >= '0' && byte <= '9') {
        ++at;
        continue;
      }
      if (byte < 0x80) break;
      const utf8::Decoded c = utf8::decode_first(text.substr(at));
      if (unicode::general_category(c.code_point) != unicode::GeneralCategory::Nd) break;
      at += c.length;
    }
    return at;
  }
};

constexpr FormatPlaceholderRegex FORMAT_PLACEHOLDER_REGEX{};

// The digits as an unsigned 64-bit index, read left to right as a decimal
// number of ASCII digits; the first fault found is the reason.
Expected<std::uint64_t, std::string_view> parse_index(std::string_view digits) {
  std::uint64_t index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return Unexpected(std::string_view("invalid digit found in string"));
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (index > (UINT64_MAX - digit) / 10) {
      return Unexpected(std::string_view("number too large to fit in target type"));
    }
    index = index * 10 + digit;
  }
  return index;
}

std::size_t total_size(std::string_view template_text, const std::vector<std::string>& texts) {
  return std::accumulate(
      texts.begin(), texts.end(), template_text.size(),
      [](std::size_t sum, const std::string& text) { return sum + text.size(); });
}

}  // namespace

FnResult format(Arguments args) {
  if (args.empty()) return count_error(1, 0);
  const Text* template_value = args[0].get_if<Text>();
  if (template_value == nullptr) return type_error(kFirstNotString, args[0]);
  const std::string_view text = template_value->view();
  const std::vector<std::string> rendered = render_values(args.subspan(1));

  std::string result;
  result.reserve(total_size(text, rendered));
  std::size_t copied = 0;
  for (auto match = FORMAT_PLACEHOLDER_REGEX.find(text, 0); match;
       match = FORMAT_PLACEHOLDER_REGEX.find(text, match->end)) {
    const std::string_view digits = text.substr(match->start + 1, match->end - match->start - 2);
    // Braces are ASCII and never part of a longer character, so comparing
    // the neighbouring bytes compares the neighbouring characters.
    const bool escaped = match->start > 0 && text[match->start - 1] == '{' &&
                         match->end < text.size() && text[match->end] == '}';
    if (escaped) {
      // The "{" before is copied with the text; the "}" after goes with the next piece.
      result.append(text.substr(copied, match->start - copied)).append(digits);
      copied = match->end;
      continue;
    }
    const auto index = parse_index(digits);
    if (!index) {
      std::string message = "Invalid format placeholder index '";
      message.append(digits).append("': ").append(index.error());
      return Unexpected(EvalError(EvalError::ValueError{std::move(message)}));
    }
    if (*index >= rendered.size()) {
      // The call would need the template and the values up to this index; the
      // count saturates for the two largest indexes, where it does not fit.
      const std::uint64_t expected = *index > UINT64_MAX - 2 ? UINT64_MAX : *index + 2;
      return count_error(expected, args.size());
    }
    result.append(text.substr(copied, match->start - copied)).append(rendered[*index]);
    copied = match->end;
  }
  result.append(text.substr(copied));
  return Value(Text::owned(std::move(result)));
}

}  // namespace korvel::functions
