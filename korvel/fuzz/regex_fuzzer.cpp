// Compiles the input up to its first NUL byte as a pattern and matches the
// rest against it; a pattern that fails must say why. The searches of a
// compiled pattern (lazy DFAs, literal searches) must answer as the Pike VM
// does, on the text and on the text repeated past the length from which
// they run at once, and the same text must match the same way every time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.hpp"
#include "regex/compiler.hpp"
#include "regex/parser.hpp"
#include "regex/pike_vm.hpp"
#include "regex/regex.hpp"
#include "regex/search.hpp"
#include "regex/translator.hpp"

namespace {

using namespace korvel::regex;

// Enough searches of a short text for the later ones to run on DFAs.
constexpr int kRounds = 6;
constexpr std::size_t kLongText = 300;

void cross_check(std::string_view pattern, std::string_view text) {
  auto regex = Regex::compile(pattern);
  if (!regex) {
    korvel::fuzz::check(!regex.error().empty());
    return;
  }
  auto program = compile(std::move(*translate(*parse(pattern))));
  korvel::fuzz::check(program.has_value());
  const Searcher searcher(std::move(*program));
  std::string long_text;
  while (!text.empty() && long_text.size() < kLongText) long_text += text;
  for (const std::string_view t : {text, std::string_view(long_text)}) {
    const bool plain = pike_vm_is_match(searcher.program(), t);
    for (int round = 0; round < kRounds; ++round)
      korvel::fuzz::check(searcher.is_match(t) == plain);
    korvel::fuzz::check(regex->is_match(t) == plain);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view pattern = input.substr(0, split);
  const std::string_view text = split == std::string_view::npos ? "" : input.substr(split + 1);
  korvel::fuzz::abort_on_internal_stop([&] { cross_check(pattern, text); });
  return 0;
}
