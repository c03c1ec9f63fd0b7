// The value text form: how a Value reads when a builtin turns it into text.
//
// Scalars print plainly, a string at the top prints as its raw text, arrays and
// objects print in a JSON-like form whose member strings are quoted and
// escaped: [1, "a\"b", true], {"k": "p\nq"}. Error messages never use this
// form; they show values in the debug form.
#pragma once

#include <string>
#include <vector>

#include "korvel/arguments.hpp"
#include "korvel/value.hpp"

namespace korvel {

// Appends the text form of `value` to `out`.
void write_text_form(std::string& out, const Value& value);

// The text form of every value, in order, one owned text each.
std::vector<std::string> render_values(Arguments values);

}  // namespace korvel
