// The identifiers of access paths (parse_variable_name is in korvel/parser.hpp).
#pragma once

#include <string_view>

#include "korvel/parse_error.hpp"

namespace korvel::parser {

// The longest run of ASCII letters, digits and "_", unless it is empty or one
// of the keywords true, false and null (kind MapRes at the whole input).
ParseResult<std::string_view> parse_non_keyword(std::string_view input);

}  // namespace korvel::parser
