#include "regex/regex.hpp"

#include <utility>

#include "regex/compiler.hpp"
#include "regex/parser.hpp"
#include "regex/program.hpp"
#include "regex/search.hpp"
#include "regex/size_limit.hpp"
#include "regex/translator.hpp"

namespace korvel::regex {

Expected<Regex, std::string> Regex::compile(std::string_view pattern) {
  auto ast = parse(pattern);
  if (!ast) return Unexpected(format_report(pattern, ast.error()));
  auto translation = translate(*ast);
  if (!translation) return Unexpected(format_report(pattern, translation.error()));
  auto program = regex::compile(std::move(*translation));
  if (!program) {
    return Unexpected("Compiled regex exceeds size limit of " + std::to_string(kSizeLimit) +
                      " bytes.");
  }
  return Regex(std::make_unique<const Searcher>(std::move(*program)));
}

Regex::Regex(std::unique_ptr<const Searcher> searcher) : searcher_(std::move(searcher)) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

bool Regex::is_match(std::string_view text) const { return searcher_->is_match(text); }

}  // namespace korvel::regex
