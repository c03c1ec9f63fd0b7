#include "text/float_format.hpp"

#include <charconv>
#include <cmath>
#include <string>

namespace korvel {
namespace {

// The shortest digits that read back as the same double: x = 0.DIGITS × 10^point.
struct ShortestDigits {
  char digits[17];
  int count;
  int point;
  bool negative;
};

ShortestDigits shortest_digits(double x) {
  // std::to_chars without a precision gives the shortest round-trip digits,
  // ties broken towards the exact value; the scientific form exposes them as
  // "d.ddde±XX" (or "de±XX" for one digit).
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific);
  (void)ec;  // 32 bytes hold every double
  ShortestDigits result{};
  const char* p = buffer;
  result.negative = *p == '-';
  if (result.negative) ++p;
  for (; *p != 'e'; ++p) {
    if (*p != '.') result.digits[result.count++] = *p;
  }
  ++p;  // 'e'
  if (*p == '+') ++p;
  int exponent = 0;
  std::from_chars(p, end, exponent);
  result.point = exponent + 1;
  return result;
}

void write_positional(std::string& out, const ShortestDigits& d, bool always_fraction) {
  if (d.negative) out.push_back('-');
  if (d.point <= 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-d.point), '0');
    out.append(d.digits, d.count);
  } else if (d.point < d.count) {
    out.append(d.digits, d.point);
    out.push_back('.');
    out.append(d.digits + d.point, d.count - d.point);
  } else {
    out.append(d.digits, d.count);
    out.append(static_cast<std::size_t>(d.point - d.count), '0');
    if (always_fraction) out.append(".0");
  }
}

void write_exponent(std::string& out, const ShortestDigits& d) {
  if (d.negative) out.push_back('-');
  out.push_back(d.digits[0]);
  if (d.count > 1) {
    out.push_back('.');
    out.append(d.digits + 1, d.count - 1);
  }
  out.push_back('e');
  out.append(std::to_string(d.point - 1));
}

// NaN and the infinities read the same in every notation.
bool write_non_finite(std::string& out, double x) {
  if (std::isnan(x)) {
    out.append("NaN");
  } else if (std::isinf(x)) {
    out.append(x < 0 ? "-inf" : "inf");
  } else {
    return false;
  }
  return true;
}

}  // namespace

void write_float(std::string& out, double x, FloatNotation notation) {
  if (write_non_finite(out, x)) return;
  const ShortestDigits digits = shortest_digits(x);
  switch (notation) {
    case FloatNotation::kPositional:
      write_positional(out, digits, /*always_fraction=*/false);
      break;
    case FloatNotation::kPositionalWithFraction:
      write_positional(out, digits, /*always_fraction=*/true);
      break;
    case FloatNotation::kExponent: write_exponent(out, digits); break;
  }
}

}  // namespace korvel
