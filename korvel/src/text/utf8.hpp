// Walking UTF-8 text one character at a time.
//
// Engine texts are expected to be well-formed UTF-8; the decoder still checks
// every byte it reads, so that malformed input can never make it read past
// the end of a text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::utf8 {

struct Decoded {
  char32_t code_point;
  std::size_t length;  // in bytes, at least 1
};

inline constexpr char32_t kReplacement = 0xFFFD;

// What a byte promises as the first of a character's encoding: the
// encoding's length and the range of its second byte (every later byte is a
// plain continuation, 0x80 to 0xBF), and the bits it contributes to the code
// point. Restricting the second byte is what refuses overlong forms (E0, F0),
// surrogates (ED) and code points above U+10FFFF (F4). A length of 0: the byte
// cannot start a character.
struct Lead {
  std::size_t length;
  unsigned char second_min;
  unsigned char second_max;
  char32_t payload;
};

Lead read_lead(unsigned char byte);

// Decodes the character at the start of `text`, which must not be empty. A
// byte that does not begin a well-formed sequence decodes as U+FFFD of length 1.
Decoded decode_first(std::string_view text);

// Decodes the character that ends at the end of `text`, which must not be empty.
Decoded decode_last(std::string_view text);

// The number of characters (Unicode scalar values) of well-formed text.
std::size_t count_chars(std::string_view text);

void append(std::string& out, char32_t code_point);

// Where bytes stop being well-formed UTF-8: after the first `valid_up_to`
// bytes, a sequence of `invalid_length` bytes (1 to 3: the longest start of a
// would-be character that is still valid) cannot be completed, or, with
// `invalid_length` 0, the text ends inside a character that began validly.
struct InvalidSequence {
  std::size_t valid_up_to;
  std::size_t invalid_length;

  friend bool operator==(const InvalidSequence&, const InvalidSequence&) = default;
};

std::optional<InvalidSequence> find_invalid(std::string_view bytes);

// "invalid utf-8 sequence of 1 bytes from index 0" or
// "incomplete utf-8 byte sequence from index 3".
std::string to_string(const InvalidSequence& invalid);

// The number of bytes that encode a code point.
inline std::size_t encoded_length(char32_t code_point) {
  return code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
}

}  // namespace korvel::utf8
