// Parsers of expression texts, quoted texts and access paths.
//
// Each parser takes the input text and returns the unparsed rest (a suffix of
// the input) with what it read, or a ParseError. None of them copies the input
// to find the rest; results may borrow from it as documented below.
#pragma once

#include <string_view>

#include "korvel/exp.hpp"
#include "korvel/parse_error.hpp"
#include "korvel/text.hpp"
#include "korvel/var.hpp"

namespace korvel::parser {

// A text literal: r'raw', r"raw", 'escaped' or "escaped". Raw texts are
// borrowed from the input; escaped ones are owned. Fails with kind Char.
ParseResult<Text> parse_quoted_text(std::string_view input);

// The longest run of ASCII letters, digits and "_", unless it is empty or one
// of the keywords true, false and null (kind MapRes at the whole input).
ParseResult<std::string_view> parse_non_keyword(std::string_view input);

// An access path such as a.b[2] or 'x y'.c. Fails with kind Char when the
// first segment has no name, or Digit when a name starts with an ASCII digit.
ParseResult<VarAccess> parse_variable_name(std::string_view input);

}  // namespace korvel::parser
