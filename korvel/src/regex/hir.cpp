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

Length multiply(Length a, std::uint64_t n) {
  if (!a || (n != 0 && *a > UINT64_MAX / n)) return std::nullopt;
  return *a * n;
}

}  // namespace

Hir empty() { return Hir{}; }

Hir literal(char32_t c) {
  Hir hir;
  hir.kind = Kind::kLiteral;
  hir.c = c;
  hir.max_length = utf8::encoded_length(c);
  return hir;
}

Hir look(Look look) {
  Hir hir;
  hir.kind = Kind::kLook;
  hir.look = look;
  return hir;
}

Hir cls(std::vector<CodePointSet>& sets, CodePointSet set) {
  if (auto c = set.single()) return literal(*c);
  Hir hir;
  hir.kind = Kind::kClass;
  hir.max_length = set.empty() ? Length() : Length(utf8::encoded_length(set.max()));
  hir.set = static_cast<std::uint32_t>(sets.size());
  sets.push_back(std::move(set));
  return hir;
}

Hir repetition(Hir sub, std::uint32_t min, std::optional<std::uint32_t> max) {
  if (sub.max_length == std::uint64_t{0}) {
    min = std::min<std::uint32_t>(min, 1);
    max = std::min<std::uint32_t>(max.value_or(1), 1);
  }
  if (min == 0 && max == 0u) return empty();
  if (min == 1 && max == 1u) return sub;
  Hir hir;
  hir.kind = Kind::kRepetition;
  hir.min = min;
  hir.max = max;
  hir.max_length = max ? multiply(sub.max_length, *max) : Length();
  hir.subs.push_back(std::move(sub));
  return hir;
}

Hir capture(Hir sub) {
  Hir hir;
  hir.kind = Kind::kCapture;
  hir.max_length = sub.max_length;
  hir.subs.push_back(std::move(sub));
  return hir;
}

Hir concat(std::vector<Hir> subs) {
  if (subs.empty()) return empty();
  if (subs.size() == 1) return std::move(subs[0]);
  Hir hir;
  hir.kind = Kind::kConcat;
  for (const Hir& sub : subs) hir.max_length = add(hir.max_length, sub.max_length);
  hir.subs = std::move(subs);
  return hir;
}

Hir alternation(std::vector<Hir> subs) {
  if (subs.size() == 1) return std::move(subs[0]);
  Hir hir;
  hir.kind = Kind::kAlternation;
  for (const Hir& sub : subs) {
    if (!sub.max_length || !hir.max_length) {
      hir.max_length.reset();
    } else {
      hir.max_length = std::max(*hir.max_length, *sub.max_length);
    }
  }
  hir.subs = std::move(subs);
  return hir;
}

}  // namespace korvel::regex::hir
