#include "parser/blanks.hpp"

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::parser {

std::string_view skip_unicode_blanks(std::string_view input) {
  while (!input.empty()) {
    const utf8::Decoded decoded = utf8::decode_first(input);
    if (!unicode::is_white_space(decoded.code_point)) break;
    input.remove_prefix(decoded.length);
  }
  return input;
}

}  // namespace korvel::parser
