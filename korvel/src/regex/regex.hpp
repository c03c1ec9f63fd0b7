// Regular expressions: compile a pattern once, then test texts against it.
//
// Patterns are Unicode-aware: classes, word boundaries and case folding work
// on characters, \p{...} names properties, scripts and general categories,
// bracketed classes nest and combine with "&&", "--" and "~~", and inline
// flags such as (?i) switch modes; there is no look-around and no
// back-reference. Matching never backtracks; its time is linear in the text
// for every pattern.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "korvel/expected.hpp"

namespace korvel::regex {

class Searcher;

class Regex {
 public:
  // A refused pattern gives the report that begins "regex parse error:", or
  // "Compiled regex exceeds size limit of 10485760 bytes.".
  static Expected<Regex, std::string> compile(std::string_view pattern);

  Regex(Regex&&) noexcept;
  Regex& operator=(Regex&&) noexcept;
  ~Regex();

  // Whether the pattern matches anywhere in `text` (the empty match counts).
  // Safe to call from several threads at once.
  bool is_match(std::string_view text) const;

 private:
  explicit Regex(std::unique_ptr<const Searcher> searcher);

  std::unique_ptr<const Searcher> searcher_;
};

}  // namespace korvel::regex
