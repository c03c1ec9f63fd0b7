#include "korvel/debug_form.hpp"

#include <cmath>
#include <cstdio>

#include "text/float_format.hpp"
#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel {
namespace {

bool is_printable(char32_t c) {
  using unicode::GeneralCategory;
  switch (unicode::general_category(c)) {
    case GeneralCategory::Cc:
    case GeneralCategory::Cf:
    case GeneralCategory::Cs:
    case GeneralCategory::Co:
    case GeneralCategory::Cn:
    case GeneralCategory::Zl:
    case GeneralCategory::Zp: return false;
    case GeneralCategory::Zs: return c == ' ';
    default: return true;
  }
}

void write_unicode_escape(std::string& out, char32_t c) {
  char buffer[16];
  int n = std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(c));
  out.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

void write_debug_float(std::string& out, double x) {
  const double magnitude = std::fabs(x);
  const bool positional = magnitude == 0.0 || (magnitude >= 1e-4 && magnitude < 1e16);
  write_float(out, x,
              positional ? FloatNotation::kPositionalWithFraction : FloatNotation::kExponent);
}

void write_debug_quoted(std::string& out, std::string_view text) {
  out.push_back('"');
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text.front());
    if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
      out.push_back(static_cast<char>(byte));
      text.remove_prefix(1);
      continue;
    }
    const utf8::Decoded decoded = utf8::decode_first(text);
    const char32_t c = decoded.code_point;
    switch (c) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\0': out.append("\\0"); break;
      case '\t': out.append("\\t"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      default:
        if (unicode::is_grapheme_extend(c) || !is_printable(c)) {
          write_unicode_escape(out, c);
        } else {
          out.append(text.substr(0, decoded.length));
        }
    }
    text.remove_prefix(decoded.length);
  }
  out.push_back('"');
}

}  // namespace korvel
