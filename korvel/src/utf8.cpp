#include "utf8.hpp"

namespace korvel::utf8 {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

Decoded decode_first(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return {lead, 1};

  std::size_t length;
  char32_t cp;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return {kReplacement, 1};
  }
  if (text.size() < length) return {kReplacement, 1};
  for (std::size_t i = 1; i < length; ++i) {
    if (!is_continuation(bytes[i])) return {kReplacement, 1};
    cp = (cp << 6) | (bytes[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {kReplacement, 1};
  return {cp, length};
}

Decoded decode_last(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t start = text.size() - 1;
  while (start > 0 && text.size() - start < 4 && is_continuation(bytes[start])) --start;
  Decoded decoded = decode_first(text.substr(start));
  if (start + decoded.length != text.size()) return {kReplacement, 1};
  return decoded;
}

std::size_t count_chars(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += !is_continuation(static_cast<unsigned char>(c));
  return count;
}

void append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace korvel::utf8
