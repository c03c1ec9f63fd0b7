// The two layouts of a double: debug notation and the value text form.
#pragma once

#include <string>

namespace korvel {

// Positional, never with an exponent, without a fraction when integral:
// 3, 2.5, -0, 0.0000001, and a 1 followed by 21 zeros for 1e21.
void write_display_float(std::string& out, double x);

}  // namespace korvel
