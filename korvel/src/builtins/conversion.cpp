// "bool", "string", "int", "float", "base64Encode" and "base64Decode".
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "builtins/argument_checks.hpp"
#include "builtins/builtins.hpp"
#include "text/base64.hpp"
#include "text/decimal.hpp"
#include "text/text_form.hpp"
#include "text/utf8.hpp"

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

bool consume_sign(std::string_view& text) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  return negative;
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

// A decimal text, or one of the words inf, infinity and nan in any case,
// each with an optional sign.
std::optional<double> parse_float(std::string_view text) {
  std::string_view word = text;
  const double sign = consume_sign(word) ? -1.0 : 1.0;
  if (equals_ignoring_ascii_case(word, "inf") || equals_ignoring_ascii_case(word, "infinity")) {
    return sign * std::numeric_limits<double>::infinity();
  }
  if (equals_ignoring_ascii_case(word, "nan")) {
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
  }
  return decimal::to_double(text);
}

}  // namespace

FnResult into_bool(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  return Value(args[0].is_truthy());
}

FnResult into_string(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  // A string is its own text form: a view stays a view.
  if (const Text* text = args[0].get_if<Text>(); text != nullptr && text->is_borrowed()) {
    return Value(*text);
  }
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
      if (auto parsed = decimal::to_int64(value.get_if<Text>()->view())) return Value(*parsed);
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
  const Text* text = args[0].get_if<Text>();
  if (text == nullptr) return type_error("Expected a string argument, got: '{}'", args[0]);
  return Value(Text::owned(base64::encode(text->view())));
}

FnResult base64_decode(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Text* text = args[0].get_if<Text>();
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
