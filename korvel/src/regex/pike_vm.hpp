// Runs a program over a text, one code point at a time, keeping every
// possible state at once: time is linear in the text for every pattern.
#pragma once

#include <string_view>

#include "regex/program.hpp"

namespace korvel::regex {

// Whether the program matches anywhere in `text`; stops at the first match
// found. A byte that is not part of well-formed UTF-8 is read alone and
// matches nothing (not even "." or a negated class); it is no word character.
bool pike_vm_is_match(const Program& program, std::string_view text);

}  // namespace korvel::regex
