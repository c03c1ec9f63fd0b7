#include "regex/shortcuts.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "regex/compiler.hpp"
#include "regex/literal_search.hpp"
#include "regex/prefix_set.hpp"
#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;

// The nodes that every match runs through one after another: the root's
// concatenation, with the groups inside it opened.
std::vector<const Hir*> sequence_of(const Hir& root) {
  std::vector<const Hir*> sequence;
  std::vector<const Hir*> pending = {&root};
  while (!pending.empty()) {
    const Hir* hir = pending.back();
    pending.pop_back();
    if (hir->kind == Kind::kCapture) {
      pending.push_back(&hir->subs[0]);
    } else if (hir->kind == Kind::kConcat) {
      for (auto sub = hir->subs.rbegin(); sub != hir->subs.rend(); ++sub) pending.push_back(&*sub);
    } else {
      sequence.push_back(hir);
    }
  }
  return sequence;
}

// How well a literal serves to find matches: longer is better, and of two
// as long the one whose rarest byte is rarer.
std::pair<std::size_t, int> merit(std::string_view literal) {
  int rarest = 256;
  for (const char c : literal) rarest = std::min(rarest, byte_commonness(c));
  return {literal.size(), -rarest};
}

// The best run of literals in the sequence, as [first, last), and its text.
struct Run {
  std::size_t first = 0;
  std::size_t last = 0;
  std::string text;
};

Run best_literal_run(const std::vector<const Hir*>& sequence) {
  Run best;
  for (std::size_t first = 0; first < sequence.size();) {
    Run run{first, first, {}};
    while (run.last < sequence.size() && sequence[run.last]->kind == Kind::kLiteral) {
      for (const char32_t c : sequence[run.last++]->text) utf8::append(run.text, c);
    }
    first = std::max(run.last, first + 1);
    if (run.first != run.last && (best.first == best.last || merit(run.text) > merit(best.text))) {
      best = std::move(run);
    }
  }
  return best;
}

// As common in texts as blanks and the most frequent letters of prose.
constexpr int kCommonByte = 200;

// Whether searching for the inner literal beats running the program with
// its prefix: always when the literal is the whole pattern; otherwise when
// the prefix is shorter than three bytes and not longer than the literal,
// and the literal is not one common byte (it would be everywhere).
bool worth_searching(const Run& run, std::size_t items, std::string_view prefix) {
  if (run.first == 0 && run.last == items) return true;
  const bool common = run.text.size() == 1 &&
                      byte_commonness(static_cast<unsigned char>(run.text[0])) >= kCommonByte;
  return prefix.size() < 3 && prefix.size() <= run.text.size() && !common;
}

}  // namespace

void add_shortcuts(const Hir& root, Program& program) {
  program.anchored_end = root.anchored_end;
  if (program.anchored_end && !program.anchored_start) {
    const Hir* whole = &root;
    program.reversed = compile_fragment({&whole, 1}, true);
  }
  // A prefix this long is rare enough already.
  if (program.prefix.size() < 3 && !program.anchored_start) {
    PrefixSet prefixes = prefixes_of(root, program.sets);
    program.prefixes = std::move(prefixes.literals);
    program.prefixes_exact = prefixes.exact;
  }
  if (program.anchored_start || program.anchored_end) return;
  const std::vector<const Hir*> sequence = sequence_of(root);
  Run run = best_literal_run(sequence);
  if (run.first == run.last || !worth_searching(run, sequence.size(), program.prefix)) return;
  const std::span<const Hir* const> all(sequence);
  program.inner = InnerLiteral{std::move(run.text), compile_fragment(all.first(run.first), true),
                               compile_fragment(all.subspan(run.last), false)};
}

}  // namespace korvel::regex
