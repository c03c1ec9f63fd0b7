// UTF-8 read one byte at a time, left to right or right to left, into the
// characters that the Pike VM reads: a well-formed sequence is one
// character, any other byte a character of its own (kInvalidByte). Both
// directions cut a text into the same characters, since no well-formed
// sequence starts inside another.
#pragma once

#include <array>
#include <cstdint>

namespace korvel::regex {

// What stands for the end of the text, read like a byte.
inline constexpr unsigned kEndOfText = 256;

// The bytes of a character read so far, in text order: a lead byte and its
// first continuations reading forward, up to three continuations reading
// backward.
struct Pending {
  std::array<std::uint8_t, 3> bytes{};
  std::uint8_t size = 0;
};

// What one more byte (or kEndOfText) completes: the characters in reading
// order, up to three stray bytes and then a character or kNoChar for the
// end, and the bytes left pending.
struct Decoding {
  std::array<char32_t, 4> chars;
  std::uint8_t count = 0;
  Pending pending;
};

Decoding read_forward(const Pending& pending, unsigned byte);
Decoding read_backward(const Pending& pending, unsigned byte);

}  // namespace korvel::regex
