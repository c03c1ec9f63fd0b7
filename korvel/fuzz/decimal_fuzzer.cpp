// Numbers read and written. The input read as a decimal number must give the
// correctly rounded double and, as an integer, the exact value, with strtod
// and strtoll as the references both for what is read and for what is
// refused; the first eight bytes taken as a double, and every double read,
// must come back unchanged from both of its text layouts.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_checks.hpp"
#include "korvel/debug_form.hpp"
#include "text/decimal.hpp"
#include "text/float_format.hpp"

namespace {

using korvel::fuzz::check;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The text forms of a finite double read back as exactly that double.
void check_round_trip(double x) {
  if (!std::isfinite(x)) return;
  std::string display;
  korvel::write_float(display, x, korvel::FloatNotation::kPositional);
  check(display.find_first_of("eE") == std::string::npos);
  const auto from_display = korvel::decimal::to_double(display);
  check(from_display && same_bits(*from_display, x));

  std::string debug;
  korvel::write_debug_float(debug, x);
  check(debug.find('.') != std::string::npos || debug.find('e') != std::string::npos);
  const auto from_debug = korvel::decimal::to_double(debug);
  check(from_debug && same_bits(*from_debug, x));
}

// Whether the text holds only the characters of the decimal forms, so that
// strtod reads it by the same grammar (no blanks, no hexadecimal form, no
// words) and strtoll too when it has no ".", "e" or "E".
bool only_decimal_characters(std::string_view text, std::string_view extra) {
  for (const char c : text) {
    if (!(c >= '0' && c <= '9') && c != '+' && c != '-' &&
        extra.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return !text.empty();
}

// to_double against strtod: whatever strtod reads whole, to_double reads, to
// the same bits.
void check_double(std::string_view text, const std::optional<double>& real) {
  if (!only_decimal_characters(text, ".eE")) {
    check(!real);
    return;
  }
  const std::string terminated(text);
  char* end = nullptr;
  const double reference = std::strtod(terminated.c_str(), &end);
  const bool whole = end == terminated.c_str() + terminated.size();
  check(real.has_value() == whole);
  if (real) check(same_bits(*real, reference));
}

// to_int64 against strtoll: the same value, and absent exactly when strtoll
// cannot read the whole text or finds it out of range.
void check_int64(std::string_view text, const std::optional<std::int64_t>& integer) {
  if (!only_decimal_characters(text, "")) {
    check(!integer);
    return;
  }
  const std::string terminated(text);
  char* end = nullptr;
  errno = 0;
  const long long reference = std::strtoll(terminated.c_str(), &end, 10);
  const bool read = end == terminated.c_str() + terminated.size() && errno != ERANGE;
  check(integer.has_value() == read);
  if (integer) check(*integer == reference);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto real = korvel::decimal::to_double(text);
  check_double(text, real);
  if (real) check_round_trip(*real);
  const auto integer = korvel::decimal::to_int64(text);
  check_int64(text, integer);
  if (integer) check(real && *real == static_cast<double>(*integer));
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    check_round_trip(x);
  }
  return 0;
}
