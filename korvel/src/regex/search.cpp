#include "regex/search.hpp"

#include <utility>

#include "regex/pike_vm.hpp"

namespace korvel::regex {
namespace {

// The bytes of DFA states one cache may hold.
constexpr std::size_t kDfaBudget = std::size_t{1} << 20;
// Programs with more instructions than this run on the Pike VM: their states
// would fill a cache too soon to pay for building them.
constexpr std::size_t kMaxDfaInsts = kDfaBudget / 64;

// Building the first states of a DFA costs more than the Pike VM spends on a
// short text. The first few short texts that a compiled pattern meets run on
// the Pike VM; a pattern that keeps meeting texts then has its DFA states
// built and uses them from then on.
constexpr std::size_t kShortText = 256;
constexpr std::uint32_t kColdSearches = 4;

// After this many places where the inner literal occurs, the checks around
// it give way to one forward run when the places are closer than kMinGap
// bytes on average: the forward run reads each byte once, the checks start
// two runs at every place.
constexpr std::size_t kProbationPlaces = 8;
constexpr std::size_t kMinGap = 32;

Nfa nfa_of(const std::vector<Inst>& insts, const Program& program, bool anchored, bool reverse) {
  return {insts, program.matchers, 0, anchored, reverse};
}

// A fragment that matches the empty text at once: nothing to check.
bool is_trivial(const Fragment& fragment) {
  return fragment.insts.size() == 1 && fragment.insts[0].op == Op::kMatch;
}

}  // namespace

struct Searcher::Caches {
  std::optional<DfaCache> forward;
  std::optional<DfaCache> reversed;
  std::optional<DfaCache> before;
  std::optional<DfaCache> after;

  static DfaCache& get(std::optional<DfaCache>& slot, const Nfa& nfa, const Prefilter* prefilter) {
    if (!slot) slot.emplace(nfa, prefilter, kDfaBudget);
    return *slot;
  }
};

Searcher::Searcher(Program program) : program_(std::move(program)) {
  forward_ = nfa_of(program_.insts, program_, program_.anchored_start, false);
  reversed_ = nfa_of(program_.reversed.insts, program_, true, true);
  fits_dfa_ = program_.insts.size() <= kMaxDfaInsts;
  if (!program_.prefixes.empty() && LiteralSetSearch::supported()) {
    prefilter_ = &prefix_set_.emplace(program_.prefixes);
    prefix_set_is_whole_ = program_.prefixes_exact;
  } else if (!program_.anchored_start && !program_.prefix.empty()) {
    prefilter_ = &prefix_.emplace(program_.prefix);
  }
  if (program_.inner) {
    const InnerLiteral& inner = *program_.inner;
    before_ = nfa_of(inner.before.insts, program_, true, true);
    after_ = nfa_of(inner.after.insts, program_, true, false);
    inner_.emplace(inner.text);
    inner_is_whole_ = is_trivial(inner.before) && is_trivial(inner.after);
  }
}

Searcher::~Searcher() = default;

bool Searcher::is_match(std::string_view text) const {
  if (prefix_set_is_whole_) {
    if (const std::optional<bool> found = prefix_set_->search.occurs_in(text)) return *found;
  }
  std::size_t inner_at = 0;
  if (inner_) {
    // Every match holds the inner literal; without it there is nothing to run.
    inner_at = inner_->find(text);
    if (inner_at == std::string_view::npos) return false;
    if (inner_is_whole_) return true;
  }
  if (fits_dfa_ && (text.size() >= kShortText || warm())) {
    auto caches = caches_.take([] { return std::make_unique<Caches>(); });
    const std::optional<bool> matched = run_dfas(*caches, text, inner_at);
    caches.done();
    // Written once only: threads that search at the same time share it.
    if (!warm()) cold_searches_.store(kColdSearches, std::memory_order_relaxed);
    if (matched) return *matched;
  }
  return pike_vm_is_match(program_, text);
}

bool Searcher::warm() const {
  if (cold_searches_.load(std::memory_order_relaxed) >= kColdSearches) return true;
  cold_searches_.fetch_add(1, std::memory_order_relaxed);
  return false;
}

std::optional<bool> Searcher::run_dfas(Caches& caches, std::string_view text,
                                       std::size_t inner_at) const {
  if (program_.anchored_end && !program_.anchored_start) {
    const DfaResult result =
        Caches::get(caches.reversed, reversed_, nullptr).reverse(text, text.size(), 0);
    if (result.outcome == DfaOutcome::kGaveUp) return std::nullopt;
    return result.outcome == DfaOutcome::kMatch;
  }
  if (inner_) return around_inner(caches, text, inner_at);
  return forward(caches, text);
}

std::optional<bool> Searcher::forward(Caches& caches, std::string_view text) const {
  const DfaResult result = Caches::get(caches.forward, forward_, prefilter_).forward(text, 0);
  if (result.outcome == DfaOutcome::kGaveUp) return std::nullopt;
  return result.outcome == DfaOutcome::kMatch;
}

// Every match is a text that `before` matches reading backward from where the
// literal starts, the literal, and a text that `after` matches from where it
// ends. The runs around one place may read bytes that runs around other
// places read too; as soon as a run would reach back or forward into bytes
// that a run in the same direction has read, one forward run decides
// instead. So each byte is read at most once per direction before that.
std::optional<bool> Searcher::around_inner(Caches& caches, std::string_view text,
                                           std::size_t at) const {
  const std::size_t length = program_.inner->text.size();
  DfaCache& before = Caches::get(caches.before, before_, nullptr);
  DfaCache& after = Caches::get(caches.after, after_, nullptr);
  std::size_t floor = 0;       // where the last backward run started
  std::size_t read_up_to = 0;  // where the last forward run stopped
  for (std::size_t places = 0;; ++places, at = inner_->find(text, at + 1)) {
    if (at == std::string_view::npos) return false;
    if (at + length < read_up_to) break;
    if (places == kProbationPlaces && at < kMinGap * places) break;
    const DfaResult back = before.reverse(text, at, floor);
    if (back.outcome == DfaOutcome::kGaveUp) return std::nullopt;
    if (back.outcome == DfaOutcome::kStopped) break;
    floor = at;
    if (back.outcome == DfaOutcome::kMatch) {
      const DfaResult ahead = after.forward(text, at + length);
      if (ahead.outcome == DfaOutcome::kGaveUp) return std::nullopt;
      if (ahead.outcome == DfaOutcome::kMatch) return true;
      read_up_to = ahead.at;
    }
  }
  return forward(caches, text);
}

}  // namespace korvel::regex
