// Quoted text, read by the expression grammar for text literals and object
// keys and by the access-path parser for quoted segments.
#pragma once

#include <string_view>

#include "korvel/parse_error.hpp"
#include "korvel/text.hpp"

namespace korvel::parser {

// A text literal: r'raw', r"raw", 'escaped' or "escaped". Raw texts are
// borrowed from the input; escaped ones are owned. Fails with kind Char.
// Nothing after the closing quote is read.
ParseResult<Text> parse_quoted_text(std::string_view input);

}  // namespace korvel::parser
