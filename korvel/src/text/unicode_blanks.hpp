// The characters of the Unicode White_Space property. Malformed UTF-8 is never
// taken for a blank.
#pragma once

#include <string_view>

namespace korvel {

// `text` without the White_Space characters at its start.
std::string_view skip_unicode_blanks(std::string_view text);

// `text` without the White_Space characters at its start and at its end.
std::string_view trim_unicode_blanks(std::string_view text);

}  // namespace korvel
