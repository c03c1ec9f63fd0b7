// Numbers read and written. The input read as a decimal number must give the
// correctly rounded double (strtod is the reference) and, as an integer, the
// same value; the first eight bytes taken as a double, and every double read,
// must come back unchanged from both of its text layouts.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto real = korvel::decimal::to_double(text);
  if (real) {
    // Only digits, a sign, "." and an exponent get here, so strtod reads the
    // same text (it stops at a NUL, which to_double never accepts).
    const std::string terminated(text);
    char* end = nullptr;
    const double reference = std::strtod(terminated.c_str(), &end);
    check(end == terminated.c_str() + terminated.size());
    check(same_bits(*real, reference));
    check_round_trip(*real);
  }
  if (const auto integer = korvel::decimal::to_int64(text)) {
    check(real && *real == static_cast<double>(*integer));
  }
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    check_round_trip(x);
  }
  return 0;
}
