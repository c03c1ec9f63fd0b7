#include "text/utf8.hpp"

namespace korvel::utf8 {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The number of bytes of the sequence at `bytes` that are valid as the start
// of a character, up to its full length, and that character's code point when
// the whole sequence is there.
struct Prefix {
  std::size_t valid;
  std::size_t length;  // of the sequence the lead promises; 0 for a bad lead
  char32_t code_point;
};

Prefix read_prefix(const unsigned char* bytes, std::size_t available) {
  const Lead lead = read_lead(bytes[0]);
  if (lead.length <= 1) return {lead.length, lead.length, lead.payload};
  char32_t cp = lead.payload;
  std::size_t valid = 1;
  for (; valid < lead.length && valid < available; ++valid) {
    const unsigned char byte = bytes[valid];
    const bool ok =
        valid == 1 ? byte >= lead.second_min && byte <= lead.second_max : is_continuation(byte);
    if (!ok) break;
    cp = (cp << 6) | (byte & 0x3F);
  }
  return {valid, lead.length, cp};
}

}  // namespace

Lead read_lead(unsigned char lead) {
  if (lead < 0x80) return {1, 0, 0, lead};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF, lead & 0x1Fu};
  if (lead == 0xE0) return {3, 0xA0, 0xBF, 0};
  if (lead == 0xED) return {3, 0x80, 0x9F, 0xD};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF, lead & 0x0Fu};
  if (lead == 0xF0) return {4, 0x90, 0xBF, 0};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF, lead & 0x07u};
  if (lead == 0xF4) return {4, 0x80, 0x8F, 4};
  return {0, 0, 0, 0};
}

Decoded decode_first(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const Prefix prefix = read_prefix(bytes, text.size());
  if (prefix.length == 0 || prefix.valid != prefix.length) return {kReplacement, 1};
  return {prefix.code_point, prefix.length};
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

std::optional<InvalidSequence> find_invalid(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t at = 0; at < text.size();) {
    if (bytes[at] < 0x80) {
      ++at;
      continue;
    }
    const Prefix prefix = read_prefix(bytes + at, text.size() - at);
    if (prefix.length == 0) return InvalidSequence{at, 1};
    if (prefix.valid < prefix.length) {
      // Running out of bytes is different from meeting a wrong one.
      const bool truncated = at + prefix.valid == text.size();
      return InvalidSequence{at, truncated ? 0 : prefix.valid};
    }
    at += prefix.length;
  }
  return std::nullopt;
}

std::string to_string(const InvalidSequence& invalid) {
  if (invalid.invalid_length == 0) {
    return "incomplete utf-8 byte sequence from index " + std::to_string(invalid.valid_up_to);
  }
  return "invalid utf-8 sequence of " + std::to_string(invalid.invalid_length) +
         " bytes from index " + std::to_string(invalid.valid_up_to);
}

}  // namespace korvel::utf8
