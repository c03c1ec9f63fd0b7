#include "regex/code_point_set.hpp"

#include <algorithm>
#include <utility>

#include "unicode/unicode.hpp"

namespace korvel::regex {
namespace {

using unicode::CaseFoldLink;

// Sorts ranges and joins the ones that touch or overlap.
void canonicalize(std::vector<Range>& ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.first < b.first; });
  std::size_t out = 0;
  for (const Range& range : ranges) {
    if (out > 0 && range.first <= ranges[out - 1].last + 1) {
      ranges[out - 1].last = std::max(ranges[out - 1].last, range.last);
    } else {
      ranges[out++] = range;
    }
  }
  ranges.resize(out);
}

const CaseFoldLink* find_link(char32_t c) {
  const auto links = unicode::tables::kCaseFoldOrbits;
  auto it = std::lower_bound(links.begin(), links.end(), c,
                             [](const CaseFoldLink& link, char32_t cp) { return link.c < cp; });
  return it != links.end() && it->c == c ? &*it : nullptr;
}

}  // namespace

CodePointSet CodePointSet::borrowed(unicode::RangeTable table) {
  CodePointSet set;
  set.borrowed_ = true;
  set.table_ = table;
  return set;
}

CodePointSet CodePointSet::from_ranges(std::vector<Range> ranges) {
  canonicalize(ranges);
  CodePointSet set;
  set.owned_ = std::move(ranges);
  return set;
}

void CodePointSet::assign(std::vector<Range> ranges) {
  borrowed_ = false;
  table_ = {};
  owned_ = std::move(ranges);
}

bool CodePointSet::contains(char32_t c) const { return unicode::contains(ranges(), c); }

std::optional<char32_t> CodePointSet::single() const {
  const auto set = ranges();
  if (set.size() == 1 && set[0].first == set[0].last) return set[0].first;
  return std::nullopt;
}

void CodePointSet::union_with(const CodePointSet& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  std::vector<Range> merged;
  merged.reserve(ranges().size() + other.ranges().size());
  std::merge(ranges().begin(), ranges().end(), other.ranges().begin(), other.ranges().end(),
             std::back_inserter(merged),
             [](const Range& a, const Range& b) { return a.first < b.first; });
  canonicalize(merged);
  assign(std::move(merged));
}

void CodePointSet::intersect_with(const CodePointSet& other) {
  const auto a = ranges();
  const auto b = other.ranges();
  std::vector<Range> result;
  for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    const char32_t first = std::max(a[i].first, b[j].first);
    const char32_t last = std::min(a[i].last, b[j].last);
    if (first <= last) result.push_back({first, last});
    if (a[i].last < b[j].last) {
      ++i;
    } else {
      ++j;
    }
  }
  assign(std::move(result));
}

void CodePointSet::subtract(const CodePointSet& other) {
  if (other.empty() || empty()) return;
  CodePointSet complement = other;
  complement.negate();
  intersect_with(complement);
}

void CodePointSet::symmetric_difference_with(const CodePointSet& other) {
  CodePointSet both = *this;
  both.intersect_with(other);
  union_with(other);
  subtract(both);
}

void CodePointSet::negate(char32_t max) {
  std::vector<Range> result;
  result.reserve(ranges().size() + 1);
  char32_t next = 0;
  bool done = false;
  for (const Range& range : ranges()) {
    if (range.first > max) break;
    if (range.first > next) result.push_back({next, range.first - 1});
    if (range.last >= max) {
      done = true;
      break;
    }
    next = range.last + 1;
  }
  if (!done) result.push_back({next, max});
  assign(std::move(result));
}

void CodePointSet::case_fold_simple() {
  const auto links = unicode::tables::kCaseFoldOrbits;
  std::vector<Range> added;
  auto link = links.begin();
  for (const Range& range : ranges()) {
    link = std::lower_bound(link, links.end(), range.first,
                            [](const CaseFoldLink& l, char32_t cp) { return l.c < cp; });
    for (; link != links.end() && link->c <= range.last; ++link) {
      // Follow the orbit until it comes back into the set: each member
      // outside the set is reached from exactly one member before it.
      for (char32_t member = link->next;
           (member < range.first || member > range.last) && !contains(member);
           member = find_link(member)->next) {
        added.push_back({member, member});
      }
    }
  }
  if (added.empty()) return;
  union_with(from_ranges(std::move(added)));
}

void CodePointSet::case_fold_ascii() {
  std::vector<Range> added;
  for (const Range& range : ranges()) {
    for (const auto& [from, to] : {std::pair<char32_t, char32_t>{'a', 'A'}, {'A', 'a'}}) {
      const char32_t first = std::max(range.first, from);
      const char32_t last = std::min<char32_t>(range.last, from + 25);
      if (first <= last) added.push_back({first - from + to, last - from + to});
    }
  }
  if (added.empty()) return;
  union_with(from_ranges(std::move(added)));
}

void CodePointSetBuilder::add(Range range) {
  ranges_.push_back(range);
  fold_when_doubled();
}

void CodePointSetBuilder::add(const CodePointSet& set) {
  const std::span<const Range> ranges = set.ranges();
  ranges_.insert(ranges_.end(), ranges.begin(), ranges.end());
  fold_when_doubled();
}

void CodePointSetBuilder::fold_when_doubled() {
  if (ranges_.size() <= 2 * folded_size_) return;
  canonicalize(ranges_);
  folded_size_ = ranges_.size();
}

CodePointSet CodePointSetBuilder::build() && {
  return CodePointSet::from_ranges(std::move(ranges_));
}

bool has_case_fold_partner(char32_t c) { return find_link(c) != nullptr; }

}  // namespace korvel::regex
