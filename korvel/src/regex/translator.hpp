// Syntax tree to meaning: flags applied, classes resolved to code point sets.
#pragma once

#include <string_view>

#include "korvel/expected.hpp"
#include "regex/ast.hpp"
#include "regex/hir.hpp"
#include "regex/syntax_error.hpp"

namespace korvel::regex {

// Translates left to right and stops at the first error. Patterns that could
// match text that is not UTF-8 (possible only under (?-u)) are refused.
Expected<hir::Translation, SyntaxError> translate(const ast::Ast& ast);

}  // namespace korvel::regex
