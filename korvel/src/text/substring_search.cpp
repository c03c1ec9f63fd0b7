#include "text/substring_search.hpp"

#include <algorithm>
#include <array>
#include <cstring>

namespace korvel {
namespace {

constexpr std::size_t npos = std::string_view::npos;

unsigned char byte_at(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

// The start of the lexicographically largest suffix of `pattern` (by byte
// order, or by reversed byte order), and that suffix's period. One of the two
// starts is a critical position of the pattern; the work is linear.
struct Factorization {
  std::size_t split;
  std::size_t period;
};

Factorization maximal_suffix(std::string_view pattern, bool reversed) {
  std::size_t start = 0;      // the largest suffix found so far
  std::size_t candidate = 1;  // a later suffix being compared with it
  std::size_t offset = 0;     // how far the two agree
  std::size_t period = 1;
  while (candidate + offset < pattern.size()) {
    const unsigned char a = byte_at(pattern, candidate + offset);
    const unsigned char b = byte_at(pattern, start + offset);
    if (a == b) {
      if (offset + 1 == period) {
        candidate += period;
        offset = 0;
      } else {
        ++offset;
      }
    } else if ((a > b) != reversed) {
      // The candidate is larger: it becomes the suffix to beat.
      start = candidate;
      candidate = start + 1;
      offset = 0;
      period = 1;
    } else {
      candidate += offset + 1;
      offset = 0;
      period = candidate - start;
    }
  }
  return {start, period};
}

// How common a byte is in texts, roughly: blanks most, then lower-case
// letters, then digits, capitals and common punctuation; everything else
// (other punctuation, control bytes, non-ASCII) least.
int commonness(unsigned char c) {
  if (c == ' ') return 3;
  if (c >= 'a' && c <= 'z') return 2;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ',' || c == '.' || c == '\n') {
    return 1;
  }
  return 0;
}

// The pattern position whose byte the skip loop looks for: a rare kind of
// byte, then one that the pattern itself holds least often.
std::size_t choose_anchor(std::string_view pattern) {
  std::array<std::size_t, 256> counts{};
  for (char c : pattern) ++counts[static_cast<unsigned char>(c)];
  std::size_t best = 0;
  for (std::size_t at = 1; at < pattern.size(); ++at) {
    const unsigned char c = byte_at(pattern, at);
    const unsigned char b = byte_at(pattern, best);
    if (std::pair(commonness(c), counts[c]) <= std::pair(commonness(b), counts[b])) best = at;
  }
  return best;
}

}  // namespace

SubstringSearch::SubstringSearch(std::string_view pattern) : pattern_(pattern) {
  if (pattern_.size() < 2) return;
  const Factorization forward = maximal_suffix(pattern_, false);
  const Factorization backward = maximal_suffix(pattern_, true);
  const Factorization critical = forward.split >= backward.split ? forward : backward;
  split_ = critical.split;
  period_ = critical.period;
  // The period of the right part is the pattern's period when the left part
  // recurs one period later; the search may then remember a matched prefix.
  periodic_ = std::memcmp(pattern_.data(), pattern_.data() + period_, split_) == 0;
  if (!periodic_) period_ = std::max(split_, pattern_.size() - split_) + 1;
  anchor_ = choose_anchor(pattern_);
}

std::size_t SubstringSearch::find(std::string_view text, std::size_t from) const {
  const std::size_t m = pattern_.size();
  if (from > text.size() || text.size() - from < m) return npos;
  if (m == 0) return from;
  if (m == 1) {
    const void* hit = std::memchr(text.data() + from, pattern_[0], text.size() - from);
    return hit == nullptr ? npos
                          : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
  }
  return periodic_ ? find_periodic(text, from) : find_aperiodic(text, from);
}

// The first window at or after `at` whose anchor byte matches, or npos.
std::size_t SubstringSearch::skip_to_anchor(std::string_view text, std::size_t at) const {
  // Checked inline first: where the anchor is everywhere, a call per window
  // would cost more than the comparison it saves.
  if (text[at + anchor_] == pattern_[anchor_]) return at;
  const std::size_t windows = text.size() - pattern_.size() - at + 1;
  const void* hit = std::memchr(text.data() + at + anchor_, pattern_[anchor_], windows);
  if (hit == nullptr) return npos;
  return static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) - anchor_;
}

std::size_t SubstringSearch::find_periodic(std::string_view text, std::size_t at) const {
  const std::size_t m = pattern_.size();
  const std::size_t last = text.size() - m;
  // The length of the window's prefix known to match from the previous
  // window; skipping is only safe when nothing is remembered.
  std::size_t memory = 0;
  while (at <= last) {
    if (memory == 0 && (at = skip_to_anchor(text, at)) == npos) return npos;
    std::size_t i = std::max(split_, memory);
    while (i < m && pattern_[i] == text[at + i]) ++i;
    if (i < m) {
      at += i - split_ + 1;
      memory = 0;
      continue;
    }
    i = split_;
    while (i > memory && pattern_[i - 1] == text[at + i - 1]) --i;
    if (i <= memory) return at;
    at += period_;
    memory = m - period_;
  }
  return npos;
}

std::size_t SubstringSearch::find_aperiodic(std::string_view text, std::size_t at) const {
  const std::size_t m = pattern_.size();
  const std::size_t last = text.size() - m;
  while (at <= last) {
    if ((at = skip_to_anchor(text, at)) == npos) return npos;
    std::size_t i = split_;
    while (i < m && pattern_[i] == text[at + i]) ++i;
    if (i < m) {
      at += i - split_ + 1;
      continue;
    }
    i = split_;
    while (i > 0 && pattern_[i - 1] == text[at + i - 1]) --i;
    if (i == 0) return at;
    at += period_;
  }
  return npos;
}

}  // namespace korvel
