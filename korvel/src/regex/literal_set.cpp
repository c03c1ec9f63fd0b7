#include "regex/literal_set.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;

constexpr std::size_t kLiteralSetBranches = 3000;

// How far the texts that begin a pattern's matches are followed. A class
// of more members, a repetition of more copies, a longer text or more texts
// than these leave the list inexact (it only begins the matches) or give
// up on it.
constexpr std::size_t kMaxClassMembers = 10;
constexpr std::uint32_t kMaxCopies = 10;
constexpr std::size_t kMaxTextBytes = 100;
constexpr std::size_t kMaxTexts = 250;

// A text that matches begin with; exact when it is a whole match.
struct Text {
  std::string bytes;
  bool exact = true;

  friend bool operator==(const Text&, const Text&) = default;
};

// The texts that a pattern's matches begin with, in the order that the
// pattern prefers them; or none at all when they could be anything.
class Texts {
 public:
  static Texts none() { return Texts(std::nullopt); }
  static Texts of(std::string bytes) { return Texts(std::vector<Text>{{std::move(bytes), true}}); }
  static Texts empty() { return Texts(std::vector<Text>{}); }

  bool finite() const { return texts_.has_value(); }
  std::size_t size() const { return texts_->size(); }
  std::vector<Text>& texts() { return *texts_; }
  const std::vector<Text>& texts() const { return *texts_; }

  bool all_exact() const {
    return finite() &&
           std::all_of(texts_->begin(), texts_->end(), [](const Text& t) { return t.exact; });
  }
  bool none_exact() const {
    return !finite() ||
           std::none_of(texts_->begin(), texts_->end(), [](const Text& t) { return t.exact; });
  }
  std::optional<std::size_t> shortest() const {
    if (!finite() || texts_->empty()) return std::nullopt;
    std::size_t shortest = SIZE_MAX;
    for (const Text& text : *texts_) shortest = std::min(shortest, text.bytes.size());
    return shortest;
  }

  void make_infinite() { texts_.reset(); }
  void make_inexact() {
    if (!finite()) return;
    for (Text& text : *texts_) text.exact = false;
  }

  // A text equal to the last one, exactness included, is not added again.
  void push(Text text) {
    if (!finite()) return;
    if (!texts_->empty() && texts_->back() == text) return;
    texts_->push_back(std::move(text));
  }

  // Cuts every text to at most `bytes` bytes; a cut text is inexact.
  void keep_first_bytes(std::size_t bytes) {
    if (!finite()) return;
    for (Text& text : *texts_) {
      if (bytes >= text.bytes.size()) continue;
      text.exact = false;
      text.bytes.resize(bytes);
    }
  }

  // Equal neighbours are one, exact only if both were.
  void dedup() {
    if (!finite()) return;
    std::vector<Text>& texts = *texts_;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (kept > 0 && texts[kept - 1].bytes == texts[i].bytes) {
        texts[kept - 1].exact = texts[kept - 1].exact && texts[i].exact;
        continue;
      }
      if (kept != i) texts[kept] = std::move(texts[i]);
      ++kept;
    }
    texts.resize(kept);
  }

  // These texts, then the other's.
  void unite(Texts other) {
    if (!other.finite()) {
      make_infinite();
      return;
    }
    if (!finite()) return;
    std::move(other.texts_->begin(), other.texts_->end(), std::back_inserter(*texts_));
    dedup();
  }

  // Each exact text followed by each of the other's; an inexact one stays.
  void cross(const Texts& other) {
    if (!other.finite()) {
      if (shortest() == 0u) {
        make_infinite();
      } else {
        make_inexact();
      }
      return;
    }
    if (!finite()) return;
    std::vector<Text> crossed;
    for (Text& text : *texts_) {
      if (!text.exact) {
        crossed.push_back(std::move(text));
        continue;
      }
      for (const Text& next : *other.texts_)
        crossed.push_back({text.bytes + next.bytes, next.exact});
    }
    *texts_ = std::move(crossed);
    dedup();
  }

 private:
  explicit Texts(std::optional<std::vector<Text>> texts) : texts_(std::move(texts)) {}

  std::optional<std::vector<Text>> texts_;
};

// The texts that the matches of an expression begin with.
class Prefixes {
 public:
  explicit Prefixes(const std::vector<CodePointSet>& sets) : sets_(sets) {}

  Texts of(const Hir& hir) const {
    switch (hir.kind) {
      case Kind::kEmpty:
      case Kind::kLook: return Texts::of("");
      case Kind::kLiteral: {
        std::string bytes;
        for (const char32_t c : hir.text) utf8::append(bytes, c);
        Texts texts = Texts::of(std::move(bytes));
        texts.keep_first_bytes(kMaxTextBytes);
        return texts;
      }
      case Kind::kClass: return of_class(sets_[hir.set]);
      case Kind::kRepetition: return of_repetition(hir);
      case Kind::kCapture: return of(hir.subs[0]);
      case Kind::kConcat: {
        Texts texts = Texts::of("");
        for (const Hir& item : hir.subs) {
          if (texts.none_exact()) break;
          texts = cross(std::move(texts), of(item));
        }
        return texts;
      }
      case Kind::kAlternation: {
        Texts texts = Texts::empty();
        for (const Hir& branch : hir.subs) {
          if (!texts.finite()) break;
          texts = unite(std::move(texts), of(branch));
        }
        return texts;
      }
    }
    return Texts::none();
  }

 private:
  Texts of_class(const CodePointSet& set) const {
    std::size_t members = 0;
    for (const Range& range : set.ranges()) {
      if (members > kMaxClassMembers) return Texts::none();
      members += range.last - range.first + 1;
    }
    if (members > kMaxClassMembers) return Texts::none();
    Texts texts = Texts::empty();
    for (const Range& range : set.ranges()) {
      for (char32_t c = range.first; c <= range.last; ++c) {
        std::string bytes;
        utf8::append(bytes, c);
        texts.push({std::move(bytes), true});
      }
    }
    return texts;
  }

  // x? and x* offer x's texts (inexact, for x*) and the empty text, in the
  // order of preference; x{n} is n copies, inexact beyond kMaxCopies; x{n,}
  // and x{n,m} are the first n copies, inexact.
  Texts of_repetition(const Hir& hir) const {
    Texts sub = of(hir.subs[0]);
    if (hir.min == 0) {
      if (hir.max != 1u) sub.make_inexact();
      Texts empty = Texts::of("");
      if (!hir.greedy) std::swap(sub, empty);
      return unite(std::move(sub), std::move(empty));
    }
    Texts texts = Texts::of("");
    for (std::uint32_t i = 0; i < std::min(hir.min, kMaxCopies); ++i) {
      if (texts.none_exact()) break;
      texts = cross(std::move(texts), sub);
    }
    if (hir.max != hir.min || hir.min > kMaxCopies) texts.make_inexact();
    return texts;
  }

  static Texts cross(Texts texts, Texts next) {
    if (texts.finite() && next.finite() && texts.size() * next.size() > kMaxTexts) {
      next.make_infinite();
    }
    texts.cross(next);
    texts.keep_first_bytes(kMaxTextBytes);
    return texts;
  }

  // Too many texts are first cut to four bytes, and given up on if that
  // does not make them few enough.
  static Texts unite(Texts texts, Texts other) {
    if (texts.finite() && other.finite() && texts.size() + other.size() > kMaxTexts) {
      texts.keep_first_bytes(4);
      other.keep_first_bytes(4);
      texts.dedup();
      other.dedup();
      if (texts.size() + other.size() > kMaxTexts) other.make_infinite();
    }
    texts.unite(std::move(other));
    return texts;
  }

  const std::vector<CodePointSet>& sets_;
};

// Drops each text that an earlier one begins: the earlier one is always
// preferred where both match.
void drop_preempted(std::vector<Text>& texts) {
  struct Node {
    std::vector<std::pair<unsigned char, std::uint32_t>> next;  // sorted
    bool ends_text = false;
  };
  std::vector<Node> trie(1);
  auto insert = [&](const std::string& bytes) {
    std::uint32_t at = 0;
    if (trie[at].ends_text) return false;
    for (const char c : bytes) {
      auto& next = trie[at].next;
      const auto byte = static_cast<unsigned char>(c);
      auto it = std::lower_bound(next.begin(), next.end(), byte,
                                 [](const auto& edge, unsigned char b) { return edge.first < b; });
      if (it != next.end() && it->first == byte) {
        at = it->second;
        if (trie[at].ends_text) return false;
        continue;
      }
      const auto created = static_cast<std::uint32_t>(trie.size());
      next.insert(it, {byte, created});
      trie.emplace_back();
      at = created;
    }
    trie[at].ends_text = true;
    return true;
  };
  std::erase_if(texts, [&](const Text& text) { return !insert(text.bytes); });
}

std::string_view common_prefix(const std::vector<Text>& texts) {
  std::string_view prefix = texts[0].bytes;
  for (const Text& text : texts) {
    std::size_t n = 0;
    while (n < prefix.size() && n < text.bytes.size() && prefix[n] == text.bytes[n]) ++n;
    prefix = prefix.substr(0, n);
  }
  return prefix;
}

// The bytes that are common in text: line feed, carriage return, space,
// ( ) , - . / 0 1 2 9 : _ | and the letters a to i, l to p, r to v, x and
// y; and the bytes 80-84, 90, B1, B5-B7, B9-BD, BF and C0-FF.
bool is_common_byte(unsigned char byte) {
  static constexpr std::string_view kCommonAscii = "\n\r (),-./0129:_abcdefghilmnoprstuvxy|";
  if (byte < 0x80) return kCommonAscii.find(static_cast<char>(byte)) != std::string_view::npos;
  static constexpr std::array<std::pair<unsigned char, unsigned char>, 6> kCommonHigh = {
      {{0x80, 0x84}, {0x90, 0x90}, {0xB1, 0xB1}, {0xB5, 0xB7}, {0xB9, 0xBD}, {0xBF, 0xFF}}};
  return std::any_of(kCommonHigh.begin(), kCommonHigh.end(), [&](const auto& range) {
    return byte >= range.first && byte <= range.second;
  });
}

// What is left of the texts after they are narrowed down for a fast search
// of the start of a match; the pattern is a set of texts only if all of
// them stay exact. Texts that an earlier one begins are dropped. Two or
// more texts that share a first one to three bytes, the first of them not
// common in text, are cut to that first byte. A common beginning longer
// than four bytes, or two to four bytes long when the texts are not at most
// 16 and all exact, is all that is kept. Then, while there are too many
// texts, they are cut to 5, 4, 3, 2 and 1 bytes, for more than 10, 10, 64,
// 64 and 10 texts; but exact texts are kept as they were when that leaves
// them unbounded, or a text of at most two bytes, or more than 64 texts.
Texts narrowed(Texts texts) {
  if (!texts.finite()) return texts;
  const std::size_t original = texts.size();
  if (texts.shortest() == 0u) return Texts::none();
  drop_preempted(texts.texts());
  if (!texts.texts().empty()) {
    const std::size_t fix = common_prefix(texts.texts()).size();
    if (original > 1 && fix >= 1 && fix <= 3 &&
        !is_common_byte(static_cast<unsigned char>(texts.texts()[0].bytes[0]))) {
      texts.keep_first_bytes(1);
      texts.dedup();
      return texts;
    }
    const bool fast = texts.all_exact() && texts.size() <= 16;
    if (fix > 4 || (fix > 1 && !fast)) {
      texts.keep_first_bytes(fix);
      texts.dedup();
    }
  }
  const std::optional<Texts> exact = texts.all_exact() ? std::optional(texts) : std::nullopt;
  static constexpr std::pair<std::size_t, std::size_t> kCuts[] = {
      {5, 10}, {4, 10}, {3, 64}, {2, 64}, {1, 10}};
  for (const auto& [keep, limit] : kCuts) {
    if (texts.size() <= limit) break;
    texts.keep_first_bytes(keep);
    drop_preempted(texts.texts());
  }
  if (exact) {
    const auto shortest = texts.shortest();
    if (!shortest || *shortest <= 2 || texts.size() > 64) return *exact;
  }
  return texts;
}

bool has_group_or_assertion(const Hir& hir) {
  if (hir.kind == Kind::kCapture || hir.kind == Kind::kLook) return true;
  return std::any_of(hir.subs.begin(), hir.subs.end(), has_group_or_assertion);
}

bool is_large_literal_alternation(const Hir& root) {
  return root.kind == Kind::kAlternation && root.subs.size() >= kLiteralSetBranches &&
         std::all_of(root.subs.begin(), root.subs.end(),
                     [](const Hir& branch) { return branch.kind == Kind::kLiteral; });
}

}  // namespace

bool is_literal_set(const hir::Translation& translation) {
  if (has_group_or_assertion(translation.root)) return false;
  const Texts texts = narrowed(Prefixes(translation.sets).of(translation.root));
  if (texts.all_exact() && !texts.texts().empty()) return true;
  return is_large_literal_alternation(translation.root);
}

}  // namespace korvel::regex
