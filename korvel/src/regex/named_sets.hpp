// The sets that classes name: Perl classes, ASCII classes and Unicode
// properties (\p{...}).
#pragma once

#include <string_view>

#include "korvel/expected.hpp"
#include "regex/ast.hpp"
#include "regex/code_point_set.hpp"
#include "regex/syntax_error.hpp"

namespace korvel::regex {

// \d, \s or \w: Unicode-aware, or ASCII only.
CodePointSet perl_set(ast::PerlKind kind, bool unicode);

// [:alpha:] and the other ASCII classes.
CodePointSet ascii_set(ast::AsciiKind kind);

// The set of \pX, \p{Name} or \p{name=value} (not negated). Names are matched
// loosely. Fails with kUnicodePropertyNotFound or kUnicodePropertyValueNotFound.
Expected<CodePointSet, ErrorKind> unicode_property_set(ast::UnicodeClassKind kind,
                                                       std::string_view name,
                                                       std::string_view value);

}  // namespace korvel::regex
