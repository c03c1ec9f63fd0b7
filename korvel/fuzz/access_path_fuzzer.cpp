// Parses arbitrary bytes as an access path. A path that parses is copied,
// compared, hashed and printed as messages print it, and written back as path
// text that must parse to the same path; a failure must point into the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.hpp"
#include "korvel/parser.hpp"

namespace {

bool is_identifier(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  if (name == "true" || name == "false" || name == "null") return false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return true;
}

// The path as text: identifiers as they are, every other name double-quoted
// with its backslashes and double quotes escaped, each index in brackets.
std::string path_text(const korvel::VarAccess& path) {
  std::string text;
  for (const korvel::VarName& segment : path.names()) {
    if (!text.empty()) text.push_back('.');
    if (is_identifier(segment.name)) {
      text.append(segment.name);
    } else {
      text.push_back('"');
      for (const char c : segment.name) {
        if (c == '\\' || c == '"') text.push_back('\\');
        text.push_back(c);
      }
      text.push_back('"');
    }
    if (segment.index) text.append("[" + std::to_string(*segment.index) + "]");
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  korvel::fuzz::abort_on_internal_stop([&] {
    auto parsed = korvel::parser::parse_variable_name(text);
    if (!parsed) {
      korvel::fuzz::check(korvel::fuzz::is_suffix(parsed.error().input, text));
      return;
    }
    korvel::fuzz::check(korvel::fuzz::is_suffix(parsed->rest, text));
    const korvel::VarAccess copy = parsed->value;
    korvel::fuzz::check(copy == parsed->value && copy.hash() == parsed->value.hash());
    korvel::fuzz::check(!copy.names().empty());
    for (std::size_t count = 0; count <= copy.names().size(); ++count) {
      (void)korvel::VarAccess::resolve_name_until(copy.names(), &copy.names().front(), count);
    }
    const std::string written = path_text(copy);
    const auto reread = korvel::parser::parse_variable_name(written);
    korvel::fuzz::check(reread && reread->rest.empty() && reread->value == copy);
  });
  return 0;
}
