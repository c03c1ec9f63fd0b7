// The operand level of the expression grammar (parse_exp is in
// korvel/parser.hpp).
#pragma once

#include <string_view>

#include "korvel/exp.hpp"
#include "korvel/parse_error.hpp"

namespace korvel::parser {

// One operand of an expression: a literal, an array or object literal, a
// call, a variable or a parenthesised expression, with its trailing blanks.
ParseResult<Exp> parse_atom(std::string_view input);

}  // namespace korvel::parser
