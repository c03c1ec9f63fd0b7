// Parses arbitrary text as an access path; paths that parse are printed
// and compared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "korvel/parser.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto parsed = korvel::parser::parse_variable_name(text);
  if (!parsed) return 0;
  const korvel::VarAccess copy = parsed->value;
  if (!(copy == parsed->value)) std::abort();
  (void)korvel::VarAccess::resolve_name_until(copy.names(), nullptr, copy.names().size());
  return 0;
}
