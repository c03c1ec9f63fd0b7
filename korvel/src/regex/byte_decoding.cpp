#include "regex/byte_decoding.hpp"

#include <algorithm>
#include <cstddef>

#include "regex/look_flags.hpp"
#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

bool is_continuation(unsigned byte) { return (byte & 0xC0) == 0x80; }

void push_back(Pending& pending, unsigned byte) {
  pending.bytes[pending.size++] = static_cast<std::uint8_t>(byte);
}

void push_front(Pending& pending, unsigned byte) {
  pending.bytes = {static_cast<std::uint8_t>(byte), pending.bytes[0], pending.bytes[1]};
  pending.size = std::min<std::uint8_t>(pending.size + 1, 3);
}

void add(Decoding& out, char32_t c) { out.chars[out.count++] = c; }

void add_invalid(Decoding& out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) add(out, kInvalidByte);
}

char32_t decode(unsigned lead, const std::uint8_t* continuations, std::size_t n) {
  char32_t c = utf8::read_lead(static_cast<unsigned char>(lead)).payload;
  for (std::size_t i = 0; i < n; ++i) c = (c << 6) | (continuations[i] & 0x3F);
  return c;
}

// A byte read at a character boundary: a character, a stray byte, or the
// first byte of a longer character.
void read_first(unsigned byte, Decoding& out) {
  if (byte == kEndOfText) {
    add(out, kNoChar);
  } else if (byte < 0x80) {
    add(out, byte);
  } else if (utf8::read_lead(static_cast<unsigned char>(byte)).length >= 2) {
    push_back(out.pending, byte);
  } else {
    add(out, kInvalidByte);
  }
}

}  // namespace

Decoding read_forward(const Pending& pending, unsigned byte) {
  Decoding out;
  if (pending.size > 0) {
    const utf8::Lead lead = utf8::read_lead(pending.bytes[0]);
    const bool fits = byte != kEndOfText &&
                      (pending.size == 1 ? byte >= lead.second_min && byte <= lead.second_max
                                         : is_continuation(byte));
    if (fits && pending.size + 1u == lead.length) {
      add(out, decode(pending.bytes[0], pending.bytes.data() + 1, pending.size - 1u) << 6 |
                   (byte & 0x3F));
      return out;
    }
    if (fits) {
      out.pending = pending;
      push_back(out.pending, byte);
      return out;
    }
    // An unfinished character is as many stray bytes.
    add_invalid(out, pending.size);
  }
  read_first(byte, out);
  return out;
}

Decoding read_backward(const Pending& pending, unsigned byte) {
  Decoding out;
  if (byte != kEndOfText && is_continuation(byte)) {
    // No character has more than three continuation bytes.
    if (pending.size == 3) add(out, kInvalidByte);
    out.pending = pending;
    push_front(out.pending, byte);
    return out;
  }
  const utf8::Lead lead =
      utf8::read_lead(byte == kEndOfText ? 0xFF : static_cast<unsigned char>(byte));
  const std::size_t needed = lead.length - 1;
  if (lead.length >= 2 && needed <= pending.size && pending.bytes[0] >= lead.second_min &&
      pending.bytes[0] <= lead.second_max) {
    add_invalid(out, pending.size - needed);
    add(out, decode(byte, pending.bytes.data(), needed));
    return out;
  }
  add_invalid(out, pending.size);
  if (byte == kEndOfText || byte < 0x80) {
    read_first(byte, out);
  } else {
    add(out, kInvalidByte);
  }
  return out;
}

}  // namespace korvel::regex
