#include "regex/literal_set_search.hpp"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace korvel::regex {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Failed candidates that are free; beyond them the checks may compare up to
// four bytes per byte scanned.
constexpr std::size_t kFreeChecks = 64;
constexpr std::size_t kCheckedPerScanned = 4;

// The buckets of each position of a block of kWidth positions, found with
// kBytes fingerprint bytes: `block` leaves positions without one out of its
// mask, `any2` tells whether two blocks have any. When the literals' bytes
// there are all ASCII, a text byte's low half needs no masking: the shuffle
// gives no bucket for a byte of 0x80 or more, and no literal has one.
template <std::size_t kBytes, bool kAscii>
struct Ssse3Blocks {
  static constexpr std::size_t kWidth = 16;
  __m128i low[kBytes];
  __m128i high[kBytes];

  [[gnu::target("ssse3")]] explicit Ssse3Blocks(const std::array<std::uint8_t, 32>* lows,
                                                const std::array<std::uint8_t, 32>* highs) {
    for (std::size_t j = 0; j < kBytes; ++j) {
      low[j] = _mm_load_si128(reinterpret_cast<const __m128i*>(lows[j].data()));
      high[j] = _mm_load_si128(reinterpret_cast<const __m128i*>(highs[j].data()));
    }
  }

  [[gnu::target("ssse3")]] __m128i buckets_of(const unsigned char* at, std::size_t j) const {
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + j));
    const __m128i lo = _mm_shuffle_epi8(low[j], kAscii ? bytes : _mm_and_si128(bytes, nibble));
    const __m128i hi = _mm_shuffle_epi8(high[j], _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
    return _mm_and_si128(lo, hi);
  }

  [[gnu::target("ssse3")]] __m128i found(const unsigned char* at) const {
    __m128i found = buckets_of(at, 0);
    for (std::size_t j = 1; j < kBytes; ++j) found = _mm_and_si128(found, buckets_of(at, j));
    return found;
  }

  [[gnu::target("ssse3")]] bool any2(const unsigned char* at) const {
    const __m128i both = _mm_or_si128(found(at), found(at + kWidth));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(both, _mm_setzero_si128())) != 0xFFFF;
  }

  [[gnu::target("ssse3")]] std::uint32_t block(const unsigned char* at,
                                               std::uint8_t* buckets) const {
    const __m128i all = found(at);
    const auto none =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_setzero_si128())));
    const std::uint32_t mask = ~none & 0xFFFF;
    if (mask != 0) _mm_storeu_si128(reinterpret_cast<__m128i*>(buckets), all);
    return mask;
  }
};

template <std::size_t kBytes, bool kAscii>
struct Avx2Blocks {
  static constexpr std::size_t kWidth = 32;
  __m256i low[kBytes];
  __m256i high[kBytes];

  [[gnu::target("avx2")]] explicit Avx2Blocks(const std::array<std::uint8_t, 32>* lows,
                                              const std::array<std::uint8_t, 32>* highs) {
    for (std::size_t j = 0; j < kBytes; ++j) {
      low[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lows[j].data()));
      high[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(highs[j].data()));
    }
  }

  [[gnu::target("avx2")]] __m256i buckets_of(const unsigned char* at, std::size_t j) const {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + j));
    const __m256i lo =
        _mm256_shuffle_epi8(low[j], kAscii ? bytes : _mm256_and_si256(bytes, nibble));
    const __m256i hi =
        _mm256_shuffle_epi8(high[j], _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
    return _mm256_and_si256(lo, hi);
  }

  [[gnu::target("avx2")]] __m256i found(const unsigned char* at) const {
    __m256i found = buckets_of(at, 0);
    for (std::size_t j = 1; j < kBytes; ++j) found = _mm256_and_si256(found, buckets_of(at, j));
    return found;
  }

  [[gnu::target("avx2")]] bool any2(const unsigned char* at) const {
    const __m256i both = _mm256_or_si256(found(at), found(at + kWidth));
    return !_mm256_testz_si256(both, both);
  }

  [[gnu::target("avx2")]] std::uint32_t block(const unsigned char* at,
                                              std::uint8_t* buckets) const {
    const __m256i all = found(at);
    const auto none = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(all, _mm256_setzero_si256())));
    const std::uint32_t mask = ~none;
    if (mask != 0) _mm256_storeu_si256(reinterpret_cast<__m256i*>(buckets), all);
    return mask;
  }
};

bool has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace

bool LiteralSetSearch::supported() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

LiteralSetSearch::LiteralSetSearch(std::vector<std::string> literals)
    : literals_(std::move(literals)) {
  shortest_ = literals_.front().size();
  for (const std::string& literal : literals_) {
    shortest_ = std::min(shortest_, literal.size());
    longest_ = std::max(longest_, literal.size());
  }
  fingerprint_ = std::min<std::size_t>(3, shortest_);
  const std::size_t count = literals_.size();
  const std::size_t buckets = std::min<std::size_t>(8, count);
  for (std::size_t b = 0; b <= 8; ++b) {
    bucket_start_[b] = static_cast<std::uint8_t>(std::min(b, buckets) * count / buckets);
  }
  for (std::size_t b = 0; b < buckets; ++b) {
    for (std::size_t i = bucket_start_[b]; i < bucket_start_[b + 1]; ++i) {
      for (std::size_t j = 0; j < fingerprint_; ++j) {
        const auto byte = static_cast<unsigned char>(literals_[i][j]);
        ascii_ = ascii_ && byte < 0x80;
        for (const std::size_t half : {0, 16}) {
          low_[j][half + (byte & 0x0F)] |= static_cast<std::uint8_t>(1u << b);
          high_[j][half + (byte >> 4)] |= static_cast<std::uint8_t>(1u << b);
        }
      }
    }
  }
}

// Whether one of the literals of `buckets` starts at `at`.
bool LiteralSetSearch::check(std::string_view text, std::size_t at, std::uint8_t buckets) const {
  for (; buckets != 0; buckets &= static_cast<std::uint8_t>(buckets - 1)) {
    const int b = __builtin_ctz(buckets);
    for (std::size_t i = bucket_start_[b]; i < bucket_start_[b + 1]; ++i) {
      const std::string& literal = literals_[i];
      if (text.size() - at >= literal.size() &&
          std::memcmp(text.data() + at, literal.data(), literal.size()) == 0) {
        return true;
      }
    }
  }
  return false;
}

namespace {

// One search: where it looks, for literals of which lengths, and whether
// its answer is certain.
struct Query {
  std::string_view text;
  std::size_t from;
  std::size_t shortest;
  std::size_t longest;
  bool certain = true;
};

// The lookup tables: per fingerprint byte, by low and by high half.
struct Tables {
  std::size_t fingerprint;
  bool ascii;
  const std::array<std::uint8_t, 32>* low;
  const std::array<std::uint8_t, 32>* high;
};

// Scans the positions from where the query starts at which the shortest
// literal fits, a block at a time: two blocks at a time while their bytes
// lie in the text, each looked at alone only where the two have candidates,
// then single blocks, then one last block. A scan that stops at a candidate
// it did not check clears `certain`.
template <typename Blocks, typename Check>
[[gnu::always_inline]] inline std::size_t scan(const Blocks& blocks, std::size_t fingerprint,
                                               Query& query, const Check& check) {
  constexpr std::size_t kWidth = Blocks::kWidth;
  const std::string_view text = query.text;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t positions = text.size() - query.shortest + 1;
  std::uint8_t buckets[kWidth];
  std::size_t failures = 0;
  // The first candidate in the block at `at` that holds a literal; with too
  // many failures, the first candidate at all.
  const auto in_block = [&](std::uint32_t mask, std::size_t at) -> std::size_t {
    for (; mask != 0; mask &= mask - 1) {
      const int lane = __builtin_ctz(mask);
      if (check(at + lane, buckets[lane])) return at + lane;
      if (++failures > kFreeChecks &&
          failures * query.longest > kCheckedPerScanned * (at - query.from)) {
        query.certain = false;
        return at + lane;
      }
    }
    return npos;
  };
  std::size_t at = query.from;
  for (; at + 2 * kWidth + fingerprint - 1 <= text.size() && at + 2 * kWidth <= positions;
       at += 2 * kWidth) {
    if (!blocks.any2(bytes + at)) continue;
    for (const std::size_t block : {at, at + kWidth}) {
      const std::uint32_t mask = blocks.block(bytes + block, buckets);
      if (mask == 0) continue;
      if (const std::size_t found = in_block(mask, block); found != npos) return found;
    }
  }
  for (; at + kWidth + fingerprint - 1 <= text.size() && at < positions; at += kWidth) {
    const std::uint32_t mask = blocks.block(bytes + at, buckets);
    if (mask == 0) continue;
    if (const std::size_t found = in_block(mask, at); found != npos) return found;
  }
  if (at >= positions) return npos;
  // Fewer than kWidth positions remain. Where the text allows, the last
  // block ends at the text's end and overlaps the blocks scanned, whose
  // positions it leaves out; copying the rest would cost more.
  const std::size_t block_bytes = kWidth + fingerprint - 1;
  if (text.size() - query.from >= block_bytes) {
    const std::size_t last = text.size() - block_bytes;
    const std::uint64_t scanned = (std::uint64_t{1} << (at - last)) - 1;
    const std::uint64_t fitting = (std::uint64_t{1} << (positions - last)) - 1;
    const std::uint32_t mask = blocks.block(bytes + last, buckets);
    return in_block(mask & static_cast<std::uint32_t>(fitting & ~scanned), last);
  }
  unsigned char padded[kWidth + 4] = {};
  std::memcpy(padded, bytes + at, std::min(text.size() - at, sizeof padded));
  const std::uint32_t mask = blocks.block(padded, buckets);
  return in_block(mask & ((std::uint32_t{1} << (positions - at)) - 1), at);
}

template <template <std::size_t, bool> class Blocks, bool kAscii, typename Check>
[[gnu::always_inline]] inline std::size_t scan_with(const Tables& tables, Query& query,
                                                    const Check& check) {
  switch (tables.fingerprint) {
    case 1: return scan(Blocks<1, kAscii>(tables.low, tables.high), 1, query, check);
    case 2: return scan(Blocks<2, kAscii>(tables.low, tables.high), 2, query, check);
    default: return scan(Blocks<3, kAscii>(tables.low, tables.high), 3, query, check);
  }
}

template <template <std::size_t, bool> class Blocks, typename Check>
[[gnu::always_inline]] inline std::size_t scan_with(const Tables& tables, Query& query,
                                                    const Check& check) {
  if (tables.ascii) return scan_with<Blocks, true>(tables, query, check);
  return scan_with<Blocks, false>(tables, query, check);
}

template <typename Check>
[[gnu::target("ssse3")]] std::size_t scan_ssse3(const Tables& tables, Query& query,
                                                const Check& check) {
  return scan_with<Ssse3Blocks>(tables, query, check);
}

template <typename Check>
[[gnu::target("avx2")]] std::size_t scan_avx2(const Tables& tables, Query& query,
                                              const Check& check) {
  return scan_with<Avx2Blocks>(tables, query, check);
}

}  // namespace

std::size_t LiteralSetSearch::find(std::string_view text, std::size_t from) const {
  bool certain = true;
  return search(text, from, certain);
}

std::optional<bool> LiteralSetSearch::occurs_in(std::string_view text) const {
  bool certain = true;
  const std::size_t found = search(text, 0, certain);
  if (!certain) return std::nullopt;
  return found != npos;
}

std::size_t LiteralSetSearch::search(std::string_view text, std::size_t from, bool& certain) const {
  if (from > text.size() || text.size() - from < shortest_) return npos;
  Query query{text, from, shortest_, longest_};
  const Tables tables{fingerprint_, ascii_, low_.data(), high_.data()};
  const auto check = [&](std::size_t at, std::uint8_t buckets) {
    return this->check(text, at, buckets);
  };
  const std::size_t found =
      has_avx2() ? scan_avx2(tables, query, check) : scan_ssse3(tables, query, check);
  certain = query.certain;
  return found;
}

}  // namespace korvel::regex
