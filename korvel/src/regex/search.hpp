// Whether a compiled pattern matches a text, by the cheapest way that is
// exact for it:
//
// - a pattern that is one literal, or one of a few, is a literal search;
// - a pattern anchored at the start runs forward from there, one anchored at
//   the end (only) backward from there;
// - a pattern with a literal that every match contains looks for that
//   literal, then checks the parts of the pattern before it (reading
//   backward) and after it (reading forward) around each place it occurs;
// - any other pattern runs forward over the text, skipping with a literal
//   search to where its literal prefix, or one of a few literal prefixes,
//   occurs whenever no match is under way.
//
// Each run is a lazy DFA. When a DFA gives up, or the checks around a literal
// would read the same bytes again and again, the search falls back to a
// single forward run or to the Pike VM, so the time stays linear in the text
// for every pattern.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "regex/cache_pool.hpp"
#include "regex/lazy_dfa.hpp"
#include "regex/literal_search.hpp"
#include "regex/literal_set_search.hpp"
#include "regex/program.hpp"

namespace korvel::regex {

class Searcher {
 public:
  explicit Searcher(Program program);
  ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;

  // Safe to call from several threads at once.
  bool is_match(std::string_view text) const;

  const Program& program() const { return program_; }

 private:
  struct Caches;

  // A literal search that a forward DFA skips with.
  template <typename Search>
  class LiteralFilter : public Prefilter {
   public:
    template <typename Literals>
    explicit LiteralFilter(Literals&& literals) : search(std::forward<Literals>(literals)) {}
    std::size_t find(std::string_view text, std::size_t from) const override {
      return search.find(text, from);
    }

    const Search search;
  };

  bool warm() const;
  // Nothing when a DFA gave up.
  std::optional<bool> run_dfas(Caches& caches, std::string_view text, std::size_t inner_at) const;
  std::optional<bool> forward(Caches& caches, std::string_view text) const;
  // From the first place where the inner literal occurs.
  std::optional<bool> around_inner(Caches& caches, std::string_view text, std::size_t at) const;

  Program program_;
  Nfa forward_;
  Nfa reversed_;
  Nfa before_;
  Nfa after_;
  std::optional<LiteralFilter<LiteralSearch>> prefix_;
  std::optional<LiteralFilter<LiteralSetSearch>> prefix_set_;
  const Prefilter* prefilter_ = nullptr;
  std::optional<LiteralSearch> inner_;
  bool inner_is_whole_ = false;
  bool prefix_set_is_whole_ = false;
  bool fits_dfa_ = false;
  mutable CachePool<Caches> caches_;
  mutable std::atomic<std::uint32_t> cold_searches_{0};
};

}  // namespace korvel::regex
