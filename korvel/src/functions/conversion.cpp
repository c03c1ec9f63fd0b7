// "bool", "string", "int", "float", "base64Encode" and "base64Decode".
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "base64.hpp"
#include "functions/argument_checks.hpp"
#include "korvel/functions.hpp"
#include "korvel/text_form.hpp"
#include "utf8.hpp"

namespace korvel::functions {
namespace {

constexpr std::int64_t kIntMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int64_t>::min();

Unexpected<EvalError> conversion_error(std::string_view target, const Value& value) {
  std::string message = "Expected a value that can be converted to '";
  message.append(target).append("', got '");
  write_debug(message, value);
  message.push_back('\'');
  return Unexpected(EvalError(EvalError::TypeError{std::move(message)}));
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool consume_sign(std::string_view& text) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  return negative;
}

// An optional sign, then ASCII digits only.
std::optional<std::int64_t> parse_int(std::string_view text) {
  const bool negative = consume_sign(text);
  if (text.empty()) return std::nullopt;
  // Accumulate the magnitude, which may reach 2^63 for a negative number.
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : std::uint64_t{kIntMax};
  std::uint64_t magnitude = 0;
  for (char c : text) {
    if (!is_digit(c)) return std::nullopt;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<std::int64_t>(magnitude);
  return magnitude == (std::uint64_t{1} << 63) ? kIntMin : -static_cast<std::int64_t>(magnitude);
}

// Truncates toward zero and saturates at the ends of the range; NaN reads as 0.
std::int64_t saturating_int(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775808.0) return kIntMax;
  if (x <= -9223372036854775808.0) return kIntMin;
  return static_cast<std::int64_t>(x);
}

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((text[i] | 0x20) != lower[i]) return false;
  }
  return true;
}

std::size_t count_digits(std::string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && is_digit(text[end])) ++end;
  return end - from;
}

// The unsigned decimal forms: digits with an optional point and fraction, or a
// point and at least one digit, then an optional exponent with at least one digit.
bool is_decimal_float(std::string_view text) {
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

// Whether a decimal that no double can hold is too large rather than too
// small. The two cases lie hundreds of decimal orders apart, so the order of
// its leading significant digit settles it.
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

std::optional<double> parse_float(std::string_view text) {
  const bool negative = consume_sign(text);
  const double sign = negative ? -1.0 : 1.0;
  if (equals_ignoring_ascii_case(text, "inf") || equals_ignoring_ascii_case(text, "infinity")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_ascii_case(text, "nan")) {
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
  }
  if (!is_decimal_float(text)) return std::nullopt;
  // std::from_chars rounds correctly and accepts every form that passed the
  // check above; it reports values beyond a double's range without a value.
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

const Text* string_argument(const Value& value) { return value.get_if<Text>(); }

}  // namespace

FnResult into_bool(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  return Value(args[0].is_truthy());
}

FnResult into_string(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  std::string text;
  write_text_form(text, args[0]);
  return Value(Text::owned(std::move(text)));
}

FnResult into_int(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Value& value = args[0];
  switch (value.tag()) {
    case Value::kInt: return value;
    case Value::kFloat: return Value(saturating_int(*value.get_if<double>()));
    case Value::kBool: return Value(std::int64_t{*value.get_if<bool>() ? 1 : 0});
    case Value::kString:
      if (auto parsed = parse_int(value.get_if<Text>()->view())) return Value(*parsed);
      break;
    default: break;
  }
  return conversion_error("i64", value);
}

FnResult into_float(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Value& value = args[0];
  switch (value.tag()) {
    case Value::kInt: return Value(static_cast<double>(*value.get_if<std::int64_t>()));
    case Value::kFloat: return value;
    case Value::kBool: return Value(*value.get_if<bool>() ? 1.0 : 0.0);
    case Value::kString:
      if (auto parsed = parse_float(value.get_if<Text>()->view())) return Value(*parsed);
      break;
    default: break;
  }
  return conversion_error("f64", value);
}

FnResult base64_encode(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Text* text = string_argument(args[0]);
  if (text == nullptr) return type_error("Expected a string argument, got: '{}'", args[0]);
  return Value(Text::owned(base64::encode(text->view())));
}

FnResult base64_decode(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Text* text = string_argument(args[0]);
  if (text == nullptr) return type_error("Expected a string argument, got: '{}'", args[0]);
  auto decoded = base64::decode(text->view());
  if (!decoded) {
    return Unexpected(EvalError(
        EvalError::ValueError{"Invalid base64 string: '" + std::move(decoded).error() + "'"}));
  }
  if (const auto invalid = utf8::find_invalid(*decoded)) {
    return Unexpected(EvalError(EvalError::ValueError{"Decoded bytes are not valid UTF-8: '" +
                                                      utf8::to_string(*invalid) + "'"}));
  }
  return Value(Text::owned(std::move(decoded).value()));
}

}  // namespace korvel::functions
