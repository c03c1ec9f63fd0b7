#include "regex/look_flags.hpp"

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::regex {
namespace {

using hir::Look;

bool is_word_ascii(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

char32_t read_as_pike_vm(utf8::Decoded decoded) {
  // An ill-formed byte decodes as U+FFFD of length 1; the real U+FFFD has three.
  return decoded.code_point == utf8::kReplacement && decoded.length == 1 ? kInvalidByte
                                                                         : decoded.code_point;
}

}  // namespace

std::uint8_t flags_of(char32_t c) {
  if (c == kNoChar) return kEdge;
  if (c < 0x80) {
    std::uint8_t flags = c == '\n' ? kLineFeed : c == '\r' ? kCarriageReturn : 0;
    if (is_word_ascii(c)) flags |= kWordUnicode | kWordAscii;
    return flags;
  }
  return c != kInvalidByte && unicode::contains(unicode::tables::kPerlWord, c) ? kWordUnicode : 0;
}

std::uint8_t flags_read_by(Look look) {
  switch (look) {
    case Look::kStart:
    case Look::kEnd: return kEdge;
    case Look::kStartLF:
    case Look::kEndLF: return kEdge | kLineFeed;
    case Look::kStartCRLF:
    case Look::kEndCRLF: return kEdge | kLineFeed | kCarriageReturn;
    case Look::kWordUnicode:
    case Look::kWordUnicodeNegate:
    case Look::kWordStartUnicode:
    case Look::kWordEndUnicode:
    case Look::kWordStartHalfUnicode:
    case Look::kWordEndHalfUnicode: return kWordUnicode;
    case Look::kWordAscii:
    case Look::kWordAsciiNegate:
    case Look::kWordStartAscii:
    case Look::kWordEndAscii:
    case Look::kWordStartHalfAscii:
    case Look::kWordEndHalfAscii: return kWordAscii;
  }
  return 0;
}

bool holds(Look look, std::uint8_t left, std::uint8_t right) {
  const auto has = [](std::uint8_t flags, std::uint8_t any) { return (flags & any) != 0; };
  switch (look) {
    case Look::kStart: return has(left, kEdge);
    case Look::kEnd: return has(right, kEdge);
    case Look::kStartLF: return has(left, kEdge | kLineFeed);
    case Look::kEndLF: return has(right, kEdge | kLineFeed);
    case Look::kStartCRLF:
      return has(left, kEdge | kLineFeed) || (has(left, kCarriageReturn) && !has(right, kLineFeed));
    case Look::kEndCRLF:
      return has(right, kEdge | kCarriageReturn) ||
             (has(right, kLineFeed) && !has(left, kCarriageReturn));
    case Look::kWordUnicode: return has(left, kWordUnicode) != has(right, kWordUnicode);
    case Look::kWordUnicodeNegate: return has(left, kWordUnicode) == has(right, kWordUnicode);
    case Look::kWordStartUnicode: return !has(left, kWordUnicode) && has(right, kWordUnicode);
    case Look::kWordEndUnicode: return has(left, kWordUnicode) && !has(right, kWordUnicode);
    case Look::kWordStartHalfUnicode: return !has(left, kWordUnicode);
    case Look::kWordEndHalfUnicode: return !has(right, kWordUnicode);
    case Look::kWordAscii: return has(left, kWordAscii) != has(right, kWordAscii);
    case Look::kWordAsciiNegate: return has(left, kWordAscii) == has(right, kWordAscii);
    case Look::kWordStartAscii: return !has(left, kWordAscii) && has(right, kWordAscii);
    case Look::kWordEndAscii: return has(left, kWordAscii) && !has(right, kWordAscii);
    case Look::kWordStartHalfAscii: return !has(left, kWordAscii);
    case Look::kWordEndHalfAscii: return !has(right, kWordAscii);
  }
  return false;
}

char32_t char_before(std::string_view text, std::size_t at) {
  if (at == 0) return kNoChar;
  return read_as_pike_vm(utf8::decode_last(text.substr(0, at)));
}

char32_t char_after(std::string_view text, std::size_t at) {
  if (at == text.size()) return kNoChar;
  return read_as_pike_vm(utf8::decode_first(text.substr(at)));
}

}  // namespace korvel::regex
