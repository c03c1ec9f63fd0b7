#include "regex/hir.hpp"

#include <algorithm>
#include <utility>

#include "text/utf8.hpp"

namespace korvel::regex::hir {
namespace {

Length add(Length a, Length b) {
  if (!a || !b || *a > UINT64_MAX - *b) return std::nullopt;
  return *a + *b;
}

// A shortest length only bounds from below, so it saturates instead.
Length add_saturating(Length a, Length b) {
  if (!a || !b) return std::nullopt;
  return *a > UINT64_MAX - *b ? UINT64_MAX : *a + *b;
}

Length multiply(Length a, std::uint64_t n) {
  if (!a || (n != 0 && *a > UINT64_MAX / n)) return std::nullopt;
  return *a * n;
}

Length multiply_saturating(Length a, std::uint64_t n) {
  if (!a) return std::nullopt;
  return n != 0 && *a > UINT64_MAX / n ? UINT64_MAX : *a * n;
}

std::uint64_t encoded_length(std::u32string_view text) {
  std::uint64_t length = 0;
  for (const char32_t c : text) length += utf8::encoded_length(c);
  return length;
}

bool matches_only_empty(const Hir& hir) { return hir.max_length == std::uint64_t{0}; }

// The anchors that a concatenation cannot avoid at its start: those of its
// items up to the first one that may consume text. Likewise at the end.
void set_concat_anchors(Hir& hir) {
  for (const Hir& sub : hir.subs) {
    hir.anchored_start = hir.anchored_start || sub.anchored_start;
    if (!matches_only_empty(sub)) break;
  }
  for (auto sub = hir.subs.rbegin(); sub != hir.subs.rend(); ++sub) {
    hir.anchored_end = hir.anchored_end || sub->anchored_end;
    if (!matches_only_empty(*sub)) break;
  }
}

Length shorter(Length a, Length b) { return a && b ? Length(std::min(*a, *b)) : Length(); }
Length longer(Length a, Length b) { return a && b ? Length(std::max(*a, *b)) : Length(); }

// A branch that cannot match makes both lengths of an alternation unknown.
void set_alternation_properties(Hir& hir) {
  const Hir& first = hir.subs.front();
  hir.min_length = first.min_length;
  hir.max_length = first.max_length;
  hir.anchored_start = first.anchored_start;
  hir.anchored_end = first.anchored_end;
  for (const Hir& sub : hir.subs) {
    hir.min_length = shorter(hir.min_length, sub.min_length);
    hir.max_length = longer(hir.max_length, sub.max_length);
    hir.anchored_start = hir.anchored_start && sub.anchored_start;
    hir.anchored_end = hir.anchored_end && sub.anchored_end;
  }
}

// Every branch a single character: the class of those characters.
std::optional<Hir> single_characters(std::vector<CodePointSet>& sets,
                                     const std::vector<Hir>& subs) {
  std::vector<Range> ranges;
  for (const Hir& sub : subs) {
    if (sub.kind != Kind::kLiteral || sub.text.size() != 1) return std::nullopt;
    ranges.push_back({sub.text[0], sub.text[0]});
  }
  return cls(sets, CodePointSet::from_ranges(std::move(ranges)), false);
}

// Every branch a class: their union, a Unicode class. The ranges are
// gathered and sorted once, however many branches there are.
std::optional<Hir> union_of_classes(std::vector<CodePointSet>& sets, const std::vector<Hir>& subs) {
  std::vector<Range> ranges;
  for (const Hir& sub : subs) {
    if (sub.kind != Kind::kClass) return std::nullopt;
    const auto members = sets[sub.set].ranges();
    ranges.insert(ranges.end(), members.begin(), members.end());
  }
  return cls(sets, CodePointSet::from_ranges(std::move(ranges)), false);
}

// The items that begin every branch, when all branches are concatenations,
// come out in front: "ab\d|ab\w" is "ab(?:\d|\w)".
std::optional<Hir> common_prefix_out(std::vector<CodePointSet>& sets, std::vector<Hir>& subs) {
  if (subs[0].kind != Kind::kConcat) return std::nullopt;
  std::size_t common = subs[0].subs.size();
  for (std::size_t i = 1; i < subs.size(); ++i) {
    if (subs[i].kind != Kind::kConcat) return std::nullopt;
    const auto& items = subs[i].subs;
    std::size_t n = 0;
    while (n < common && n < items.size() && same(subs[0].subs[n], items[n], sets)) ++n;
    common = n;
    if (common == 0) return std::nullopt;
  }
  std::vector<Hir> items(std::make_move_iterator(subs[0].subs.begin()),
                         std::make_move_iterator(subs[0].subs.begin() + common));
  std::vector<Hir> rests;
  for (Hir& sub : subs) {
    rests.push_back(concat(std::vector<Hir>(std::make_move_iterator(sub.subs.begin() + common),
                                            std::make_move_iterator(sub.subs.end()))));
  }
  items.push_back(alternation(sets, std::move(rests)));
  return concat(std::move(items));
}

}  // namespace

bool same(const Hir& a, const Hir& b, const std::vector<CodePointSet>& sets) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case Kind::kEmpty: return true;
    case Kind::kLiteral: return a.text == b.text;
    case Kind::kClass:
      return a.byte_class == b.byte_class &&
             std::ranges::equal(sets[a.set].ranges(), sets[b.set].ranges(),
                                [](const Range& x, const Range& y) {
                                  return x.first == y.first && x.last == y.last;
                                });
    case Kind::kLook: return a.look == b.look;
    case Kind::kRepetition:
      return a.min == b.min && a.max == b.max && a.greedy == b.greedy &&
             same(a.subs[0], b.subs[0], sets);
    case Kind::kCapture: return false;
    case Kind::kConcat:
    case Kind::kAlternation:
      return std::ranges::equal(a.subs, b.subs,
                                [&](const Hir& x, const Hir& y) { return same(x, y, sets); });
  }
  return false;
}

Hir empty() { return Hir{}; }

Hir literal(std::u32string text) {
  if (text.empty()) return empty();
  Hir hir;
  hir.kind = Kind::kLiteral;
  hir.min_length = hir.max_length = encoded_length(text);
  hir.text = std::move(text);
  return hir;
}

Hir literal(char32_t c) { return literal(std::u32string(1, c)); }

Hir look(Look look) {
  Hir hir;
  hir.kind = Kind::kLook;
  hir.look = look;
  hir.anchored_start = look == Look::kStart;
  hir.anchored_end = look == Look::kEnd;
  return hir;
}

Hir cls(std::vector<CodePointSet>& sets, CodePointSet set, bool byte_class) {
  if (auto c = set.single()) return literal(*c);
  Hir hir;
  hir.kind = Kind::kClass;
  hir.byte_class = byte_class || set.empty();
  if (set.empty()) {
    hir.min_length = hir.max_length = std::nullopt;
  } else {
    hir.min_length = utf8::encoded_length(set.ranges().front().first);
    hir.max_length = utf8::encoded_length(set.max());
  }
  hir.set = static_cast<std::uint32_t>(sets.size());
  sets.push_back(std::move(set));
  return hir;
}

Hir repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max, bool greedy) {
  if (matches_only_empty(sub)) {
    min = std::min<std::uint32_t>(min, 1);
    max = std::min<std::uint32_t>(max.value_or(1), 1);
  }
  if (min == 0 && max == 0u) return empty();
  if (min == 1 && max == 1u) return sub;
  Hir hir;
  hir.kind = Kind::kRepetition;
  hir.min = min;
  hir.max = max;
  hir.greedy = greedy;
  hir.min_length = multiply_saturating(sub.min_length, min);
  hir.max_length = max ? multiply(sub.max_length, *max) : Length();
  hir.anchored_start = min > 0 && sub.anchored_start;
  hir.anchored_end = min > 0 && sub.anchored_end;
  hir.subs.push_back(std::move(sub));
  return hir;
}

Hir capture(Hir sub) {
  Hir hir;
  hir.kind = Kind::kCapture;
  hir.min_length = sub.min_length;
  hir.max_length = sub.max_length;
  hir.anchored_start = sub.anchored_start;
  hir.anchored_end = sub.anchored_end;
  hir.subs.push_back(std::move(sub));
  return hir;
}

Hir concat(std::vector<Hir> subs) {
  if (subs.size() == 1 && subs[0].kind != Kind::kConcat) return std::move(subs[0]);
  std::vector<Hir> items;
  items.reserve(subs.size());
  std::u32string text;
  auto take = [&](Hir& sub) {
    if (sub.kind == Kind::kLiteral) {
      text += sub.text;
      return;
    }
    if (!text.empty()) items.push_back(literal(std::exchange(text, {})));
    items.push_back(std::move(sub));
  };
  for (Hir& sub : subs) {
    if (sub.kind == Kind::kEmpty) continue;
    if (sub.kind == Kind::kConcat) {
      for (Hir& item : sub.subs) take(item);
    } else {
      take(sub);
    }
  }
  if (!text.empty()) items.push_back(literal(std::move(text)));
  if (items.empty()) return empty();
  if (items.size() == 1) return std::move(items[0]);
  Hir hir;
  hir.kind = Kind::kConcat;
  for (const Hir& item : items) {
    hir.min_length = add_saturating(hir.min_length, item.min_length);
    hir.max_length = add(hir.max_length, item.max_length);
  }
  hir.subs = std::move(items);
  set_concat_anchors(hir);
  return hir;
}

Hir alternation(std::vector<CodePointSet>& sets, std::vector<Hir> subs) {
  std::vector<Hir> branches;
  for (Hir& sub : subs) {
    if (sub.kind == Kind::kAlternation) {
      std::move(sub.subs.begin(), sub.subs.end(), std::back_inserter(branches));
    } else {
      branches.push_back(std::move(sub));
    }
  }
  if (branches.empty()) return cls(sets, CodePointSet(), true);
  if (branches.size() == 1) return std::move(branches[0]);
  if (auto merged = single_characters(sets, branches)) return std::move(*merged);
  if (auto merged = union_of_classes(sets, branches)) return std::move(*merged);
  if (auto factored = common_prefix_out(sets, branches)) return std::move(*factored);
  Hir hir;
  hir.kind = Kind::kAlternation;
  hir.subs = std::move(branches);
  set_alternation_properties(hir);
  return hir;
}

}  // namespace korvel::regex::hir
