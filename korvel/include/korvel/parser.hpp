// Parsers of expression texts and access paths.
//
// parse_exp and parse_variable_name read as far as they can and return the
// unparsed rest (a suffix of the input) with what they read, or a ParseError;
// neither copies the input to find the rest. The parse_whole_ functions read
// a whole text and decide what a rest means.
#pragma once

#include <string_view>

#include "korvel/exp.hpp"
#include "korvel/expected.hpp"
#include "korvel/parse_error.hpp"
#include "korvel/var.hpp"

namespace korvel::parser {

// An access path such as a.b[2] or 'x y'.c. Fails with kind Char when the
// first segment has no name, or Digit when a name starts with an ASCII digit.
ParseResult<VarAccess> parse_variable_name(std::string_view input);

// A path that is the whole input: any rest, a blank included, fails with
// kind Eof at the rest.
Expected<VarAccess, ParseError> parse_whole_variable_name(std::string_view input);

// An expression such as a.b > 1 && len(c) == 2, read as far as it goes. The
// texts of raw quoted literals (r'...', r"...") borrow from the input until
// Exp::into_owned. Fails with kind Char or Count. Expressions nest to any
// depth: the parse keeps its pending constructs on a stack of its own, so
// nesting costs memory, not call frames.
ParseResult<Exp> parse_exp(std::string_view input);

// An expression that is the whole input: a rest of characters of the Unicode
// White_Space property is accepted, any other rest fails with kind Eof at
// the whole rest, blanks included. The tree borrows as parse_exp's does.
Expected<Exp, ParseError> parse_whole_exp(std::string_view input);

}  // namespace korvel::parser
