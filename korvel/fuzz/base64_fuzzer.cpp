// base64 both ways: any bytes encode and decode back to themselves, and any
// text that decodes is the canonical encoding of what it decodes to.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.hpp"
#include "text/base64.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  using korvel::fuzz::check;

  const std::string encoded = korvel::base64::encode(input);
  check(encoded.size() == (size + 2) / 3 * 4);
  const auto round_trip = korvel::base64::decode(encoded);
  check(round_trip && *round_trip == input);

  const auto decoded = korvel::base64::decode(input);
  if (decoded) {
    check(korvel::base64::encode(*decoded) == input);
  } else {
    check(!decoded.error().empty());
  }
  return 0;
}
