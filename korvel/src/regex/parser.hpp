// Pattern text to its syntax tree.
#pragma once

#include <string_view>

#include "korvel/expected.hpp"
#include "regex/ast.hpp"
#include "regex/syntax_error.hpp"

namespace korvel::regex {

// Parses the whole pattern and then checks its nesting against kNestLimit.
// The first error from the left ends parsing; an unclosed group is noticed
// only at the end.
Expected<ast::Ast, SyntaxError> parse(std::string_view pattern);

}  // namespace korvel::regex
