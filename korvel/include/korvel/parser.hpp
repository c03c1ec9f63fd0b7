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

// How deeply parse_exp lets expressions nest. Every nested expression (in
// parentheses, an array item, a call argument, an object member), every
// operand of "!" and every right operand of an operator is one level deeper
// than the construct around it; input nested deeper fails with kind TooLarge
// at the text of the first level beyond the limit.
inline constexpr int kMaxNestingDepth = 256;

// An expression such as a.b > 1 && len(c) == 2, read as far as it goes; what
// the rest means is the caller's decision. Literal texts of raw quoted forms
// borrow from the input until Exp::into_owned. Fails with kind Char or Count,
// or TooLarge beyond kMaxNestingDepth.
ParseResult<Exp> parse_exp(std::string_view input);

// One operand of an expression: a literal, an array or object literal, a
// call, a variable or a parenthesised expression, with its trailing blanks.
ParseResult<Exp> parse_atom(std::string_view input);

}  // namespace korvel::parser
