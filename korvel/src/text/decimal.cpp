#include "text/decimal.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace korvel::decimal {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool consume_sign(std::string_view& text) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  return negative;
}

std::size_t count_digits(std::string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && is_digit(text[end])) ++end;
  return end - from;
}

// The unsigned forms of to_double().
bool is_unsigned_float(std::string_view text) {
  std::size_t at = count_digits(text, 0);
  std::size_t digits = at;
  if (at < text.size() && text[at] == '.') {
    const std::size_t fraction = count_digits(text, at + 1);
    digits += fraction;
    at += 1 + fraction;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t exponent = count_digits(text, at);
    if (exponent == 0) return false;
    at += exponent;
  }
  return at == text.size();
}

// Whether an unsigned decimal that no double can hold is too large rather
// than too small. The two cases lie hundreds of decimal orders apart, so the
// order of its leading significant digit settles it.
bool is_beyond_largest(std::string_view text) {
  const std::size_t mantissa_end = std::min(text.find_first_of("eE"), text.size());
  const std::size_t point = std::min(text.find('.'), mantissa_end);
  const std::size_t leading = text.find_first_of("123456789");
  if (leading >= mantissa_end) return false;  // zero is never out of range
  std::int64_t order = leading < point ? static_cast<std::int64_t>(point - leading - 1)
                                       : -static_cast<std::int64_t>(leading - point);
  if (mantissa_end < text.size()) {
    std::string_view digits = text.substr(mantissa_end + 1);
    const bool negative = consume_sign(digits);
    std::int64_t exponent = 0;
    for (char c : digits) exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1 << 30);
    order += negative ? -exponent : exponent;
  }
  return order > 0;
}

}  // namespace

std::optional<std::int64_t> to_int64(std::string_view text) {
  // std::from_chars takes a "-" but no "+", and would also stop at the first
  // non-digit; so the form is checked here first.
  const std::size_t sign = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
  if (text.size() == sign || count_digits(text, sign) != text.size() - sign) return std::nullopt;
  if (text.starts_with('+')) text.remove_prefix(1);
  std::int64_t value = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc()) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> to_double(std::string_view text) {
  const double sign = consume_sign(text) ? -1.0 : 1.0;
  if (!is_unsigned_float(text)) return std::nullopt;
  // std::from_chars rounds correctly and takes every form that passed the
  // check above; a value beyond a double's range comes back without a value.
  double magnitude = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    magnitude = is_beyond_largest(text) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return sign * magnitude;
}

}  // namespace korvel::decimal
