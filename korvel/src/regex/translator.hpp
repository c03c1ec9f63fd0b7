// Syntax tree to meaning: flags applied, classes resolved to code point sets.
#pragma once

#include <string_view>

#include "korvel/expected.hpp"
#include "regex/ast.hpp"
#include "regex/hir.hpp"
#include "regex/syntax_error.hpp"

namespace korvel::regex {

// Translates left to right and stops at the first error, each item checked
// after the items inside it. Patterns that could match text that is not
// UTF-8 are refused; only outside Unicode mode, (?-u), can they be written.
// There a \p class, or a non-ASCII character inside brackets, is "Unicode
// not allowed here" at that item; "." and \x80 to \xFF, and a class that
// reaches past ASCII once folded and negated (\W, [^a], [[:^alpha:]]) are
// "pattern can match invalid UTF-8" at that item or bracket. A non-ASCII
// character outside brackets stands for itself, under (?i) too, and \b and
// \B test ASCII word characters.
Expected<hir::Translation, SyntaxError> translate(const ast::Ast& ast);

}  // namespace korvel::regex
