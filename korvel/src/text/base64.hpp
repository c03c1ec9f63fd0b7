// base64 with the standard alphabet of RFC 4648 and canonical "=" padding.
#pragma once

#include <string>
#include <string_view>

#include "korvel/expected.hpp"

namespace korvel::base64 {

// Four symbols for every three bytes, the last group padded with "=".
std::string encode(std::string_view bytes);

// Decodes canonical padded base64; nothing is skipped, so blanks are invalid.
// The error is the first one found, as text: "Invalid symbol 33, offset 1.",
// "Invalid input length: 1", "Invalid padding" or
// "Invalid last symbol 82, offset 1.".
Expected<std::string, std::string> decode(std::string_view text);

}  // namespace korvel::base64
