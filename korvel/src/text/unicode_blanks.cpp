#include "text/unicode_blanks.hpp"

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel {

std::string_view skip_unicode_blanks(std::string_view text) {
  while (!text.empty()) {
    const utf8::Decoded decoded = utf8::decode_first(text);
    if (!unicode::is_white_space(decoded.code_point)) break;
    text.remove_prefix(decoded.length);
  }
  return text;
}

std::string_view trim_unicode_blanks(std::string_view text) {
  text = skip_unicode_blanks(text);
  while (!text.empty()) {
    const utf8::Decoded decoded = utf8::decode_last(text);
    // A malformed tail decodes as U+FFFD, which is no blank.
    if (!unicode::is_white_space(decoded.code_point)) break;
    text.remove_suffix(decoded.length);
  }
  return text;
}

}  // namespace korvel
