// Small text helpers shared by the engine's text forms.
#pragma once

#include <string_view>

#include "korvel/text.hpp"

namespace korvel::utils {

// Escapes TAB, LF, CR, the double quote and the backslash with a backslash, as
// strings inside arrays and objects are written. Every other character, other
// control characters and the apostrophe included, is kept as it is. Returns
// `text` itself, borrowed, when nothing needs escaping.
Text escape_str_for_json(std::string_view text);

}  // namespace korvel::utils
