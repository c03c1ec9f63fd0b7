// Decimal numbers in the forms the language reads: ASCII digits only, with an
// optional sign. The grammar reads number literals with them, and the "int"
// and "float" builtins read texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel::decimal {

// An optional "+" or "-" and one or more digits, nothing else (leading zeros
// allowed), as a signed 64-bit integer; absent for any other form and for a
// value outside the range.
std::optional<std::int64_t> to_int64(std::string_view text);

// An optional sign, then digits with an optional "." and fraction digits, or
// "." and at least one digit, then optionally "e" or "E", a sign and at least
// one digit; nothing else. The nearest double, ties to even; a magnitude too
// large for a double is an infinity of the sign, one too small a zero of the
// sign. Absent for any other form.
std::optional<double> to_double(std::string_view text);

}  // namespace korvel::decimal
