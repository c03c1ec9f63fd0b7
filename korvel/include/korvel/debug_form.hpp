// Pieces of the debug form, shared by Value and by the binding's bound values.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

// A double in debug notation: at least one digit after the point (1.0, 0.5),
// or exponent form below 0.0001 and from 1e16 on (1e-5, 1.5e16); NaN, inf, -inf.
void write_debug_float(std::string& out, double x);

// Text between double quotes, with backslash escapes for the quote, the
// backslash, NUL, TAB, LF and CR, and \u{hex} for characters that are not
// printable or that extend a grapheme cluster.
void write_debug_quoted(std::string& out, std::string_view text);

}  // namespace korvel
