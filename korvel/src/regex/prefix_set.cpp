#include "regex/prefix_set.hpp"

#include <algorithm>
#include <compare>
#include <cstdint>
#include <optional>

#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;

// Classes of more characters than this give no prefixes.
constexpr std::size_t kMaxClassChars = 8;
// Unions grow to this many literals before they are cut short, so that even
// large alternations cost little.
constexpr std::size_t kMaxUnion = 4 * kMaxPrefixes;

// A literal of at most kMaxPrefixLength bytes as a number, first byte in the
// top bits: numbers order as the texts do, with the length to tell "a" from
// "a\0".
struct Prefix {
  std::uint64_t bytes = 0;
  std::uint8_t length = 0;

  auto operator<=>(const Prefix&) const = default;

  static Prefix of(std::string_view text) {
    Prefix prefix;
    for (const char c : text.substr(0, kMaxPrefixLength)) {
      prefix.bytes |= std::uint64_t{static_cast<unsigned char>(c)} << (56 - 8 * prefix.length++);
    }
    return prefix;
  }

  Prefix cut(std::size_t n) const {
    if (n >= length) return *this;
    const std::uint64_t kept = n == 0 ? 0 : ~std::uint64_t{0} << (64 - 8 * n);
    return {bytes & kept, static_cast<std::uint8_t>(n)};
  }

  // This literal followed by `tail`, cut to kMaxPrefixLength bytes.
  Prefix then(Prefix tail) const {
    if (length == kMaxPrefixLength) return *this;
    const Prefix joined = {bytes | (tail.bytes >> (8 * length)),
                           static_cast<std::uint8_t>(length + tail.length)};
    return joined.cut(kMaxPrefixLength);
  }

  std::string text() const {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
      text.push_back(static_cast<char>(bytes >> (56 - 8 * i)));
    return text;
  }
};

// The literals that every match of a node starts with one of: `complete`
// when every match is one of them as a text (none was cut short), and
// `conditional` when a match also depends on the text around it (a look).
struct Prefixes {
  std::vector<Prefix> literals;
  bool complete = true;
  bool conditional = false;
};

Prefixes single(std::string_view text) {
  return {{Prefix::of(text)}, text.size() <= kMaxPrefixLength, false};
}

// Sorts the literals and cuts them short, as little as needed, until at most
// `limit` remain; nothing when even one byte each leaves more.
std::optional<Prefixes> normalized(Prefixes prefixes, std::size_t limit) {
  std::vector<Prefix>& literals = prefixes.literals;
  std::sort(literals.begin(), literals.end());
  literals.erase(std::unique(literals.begin(), literals.end()), literals.end());
  for (std::size_t length = kMaxPrefixLength; literals.size() > limit; --length) {
    if (length == 1) return std::nullopt;
    // Cutting keeps the literals sorted, so alike ones end up side by side.
    for (Prefix& literal : literals) {
      if (literal.length >= length) {
        literal = literal.cut(length - 1);
        prefixes.complete = false;
      }
    }
    literals.erase(std::unique(literals.begin(), literals.end()), literals.end());
  }
  return prefixes;
}

class PrefixFinder {
 public:
  explicit PrefixFinder(const std::vector<CodePointSet>& sets) : sets_(sets) {}

  // Nothing when a match may start with any text.
  std::optional<Prefixes> of(const Hir& hir) const {
    switch (hir.kind) {
      case Kind::kEmpty: return single("");
      case Kind::kLook: return Prefixes{{Prefix{}}, true, true};
      case Kind::kLiteral: {
        std::string text;
        for (const char32_t c : hir.text) utf8::append(text, c);
        return single(text);
      }
      case Kind::kClass: return of_class(sets_[hir.set]);
      case Kind::kCapture: return of(hir.subs[0]);
      case Kind::kRepetition: {
        if (hir.min == 0) return std::nullopt;
        std::optional<Prefixes> prefixes = of(hir.subs[0]);
        if (prefixes) prefixes->complete = false;
        return prefixes;
      }
      case Kind::kConcat: return of_concat(hir.subs);
      case Kind::kAlternation: return of_alternation(hir.subs);
    }
    return std::nullopt;
  }

 private:
  static std::optional<Prefixes> of_class(const CodePointSet& set) {
    Prefixes prefixes;
    for (const Range& range : set.ranges()) {
      if (range.last - range.first >= kMaxClassChars - prefixes.literals.size()) {
        return std::nullopt;
      }
      for (char32_t c = range.first; c <= range.last; ++c) {
        std::string text;
        utf8::append(text, c);
        prefixes.literals.push_back(Prefix::of(text));
      }
    }
    if (prefixes.literals.empty()) return std::nullopt;
    return prefixes;
  }

  // Each literal so far followed by each of the next item's, while the
  // literals so far are whole matches of the items so far, and the
  // combinations stay few and within kMaxPrefixLength bytes.
  std::optional<Prefixes> of_concat(const std::vector<Hir>& subs) const {
    Prefixes joined = single("");
    for (const Hir& sub : subs) {
      std::optional<Prefixes> next = of(sub);
      if (!next || joined.literals.size() * next->literals.size() > kMaxPrefixes) {
        joined.complete = false;
        break;
      }
      Prefixes longer{{}, next->complete, joined.conditional || next->conditional};
      longer.literals.reserve(joined.literals.size() * next->literals.size());
      bool full = true;
      for (const Prefix& head : joined.literals) {
        for (const Prefix& tail : next->literals) {
          const Prefix& literal = longer.literals.emplace_back(head.then(tail));
          full = full && literal.length == kMaxPrefixLength;
          longer.complete = longer.complete && head.length + tail.length <= kMaxPrefixLength;
        }
      }
      joined = std::move(longer);
      if (!joined.complete || full) {
        joined.complete = joined.complete && &sub == &subs.back();
        break;
      }
    }
    if (joined.literals.size() == 1 && joined.literals[0].length == 0) return std::nullopt;
    return normalized(std::move(joined), kMaxPrefixes);
  }

  std::optional<Prefixes> of_alternation(const std::vector<Hir>& subs) const {
    Prefixes all;
    for (const Hir& sub : subs) {
      std::optional<Prefixes> prefixes = of(sub);
      if (!prefixes) return std::nullopt;
      all.complete = all.complete && prefixes->complete;
      all.conditional = all.conditional || prefixes->conditional;
      all.literals.insert(all.literals.end(), prefixes->literals.begin(), prefixes->literals.end());
      if (all.literals.size() > kMaxUnion) {
        std::optional<Prefixes> fewer = normalized(std::move(all), kMaxPrefixes);
        if (!fewer) return std::nullopt;
        all = std::move(*fewer);
      }
    }
    return normalized(std::move(all), kMaxPrefixes);
  }

  const std::vector<CodePointSet>& sets_;
};

}  // namespace

PrefixSet prefixes_of(const Hir& root, const std::vector<CodePointSet>& sets) {
  const std::optional<Prefixes> prefixes = PrefixFinder(sets).of(root);
  if (!prefixes || prefixes->literals.size() < 2) return {};
  PrefixSet set;
  for (const Prefix& literal : prefixes->literals) {
    if (literal.length == 0) return {};
    set.literals.push_back(literal.text());
  }
  set.exact = prefixes->complete && !prefixes->conditional;
  return set;
}

}  // namespace korvel::regex
