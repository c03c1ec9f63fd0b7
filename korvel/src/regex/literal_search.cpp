#include "regex/literal_search.hpp"

#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace korvel::regex {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// Failed checks that are free; beyond them the checks may compare up to four
// bytes per byte scanned before the two-way search takes over.
constexpr std::size_t kFreeChecks = 64;
constexpr std::size_t kCheckedPerScanned = 4;

struct Needle {
  const char* data;
  std::size_t size;
  std::size_t first;
  std::size_t second;
};

// The outcome of a scan: the place found, npos, or kHandOver with the
// place where the two-way search goes on.
constexpr std::size_t kHandOver = npos - 1;

struct Scanned {
  std::size_t found;
  std::size_t resume = 0;
};

// Checks places against the whole literal, and keeps count of the failures.
class Checker {
 public:
  Checker(const Needle& needle, const char* text, std::size_t from)
      : needle_(needle), text_(text), from_(from) {}

  // Bit k of `places`: a place at `at + k` worth checking. The first place
  // that holds the literal, npos for none, or kHandOver when checks have cost
  // too much for the bytes scanned up to `end`.
  std::size_t check(std::uint32_t places, std::size_t at, std::size_t end) {
    for (; places != 0; places &= places - 1) {
      const std::size_t place = at + static_cast<std::size_t>(__builtin_ctz(places));
      if (std::memcmp(text_ + place, needle_.data, needle_.size) == 0) return place;
      ++failures_;
    }
    if (failures_ > kFreeChecks && failures_ * needle_.size > kCheckedPerScanned * (end - from_)) {
      return kHandOver;
    }
    return npos;
  }

 private:
  const Needle& needle_;
  const char* text_;
  std::size_t from_;
  std::size_t failures_ = 0;
};

// Looks at the places from `at` to `places` (exclusive) a block at a time:
// `Blocks::mask` gives the places worth checking among the kWidth that
// start at an address, `Blocks::any4` whether there are any among four
// blocks. One unaligned block first, then blocks whose first load is
// aligned, then one last block that ends with the last place.
template <typename Blocks>
[[gnu::always_inline]] inline Scanned scan_blocks(const Blocks& blocks, const Needle& needle,
                                                  const char* text, std::size_t places,
                                                  std::size_t at) {
  constexpr std::size_t kWidth = Blocks::kWidth;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  Checker checker(needle, text, at);
  const auto check = [&](std::uint32_t mask, std::size_t block) -> Scanned {
    const std::size_t found = mask != 0 ? checker.check(mask, block, block + kWidth) : npos;
    return {found, block + kWidth};
  };
  if (places - at < kWidth) {
    for (; at < places; ++at) {
      if (text[at + needle.first] == needle.data[needle.first] &&
          text[at + needle.second] == needle.data[needle.second] &&
          std::memcmp(text + at, needle.data, needle.size) == 0) {
        return {at};
      }
    }
    return {npos};
  }
  if (Scanned s = check(blocks.mask(bytes + at), at); s.found != npos) return s;
  at += kWidth - reinterpret_cast<std::uintptr_t>(bytes + at + needle.first) % kWidth;
  for (; at + 4 * kWidth <= places; at += 4 * kWidth) {
    if (!blocks.any4(bytes + at)) continue;
    for (std::size_t block = at; block < at + 4 * kWidth; block += kWidth) {
      if (Scanned s = check(blocks.mask(bytes + block), block); s.found != npos) return s;
    }
  }
  for (; at + kWidth <= places; at += kWidth) {
    if (Scanned s = check(blocks.mask(bytes + at), at); s.found != npos) return s;
  }
  if (at < places) {
    // The places before `at` in the last block were looked at already.
    const std::size_t last = places - kWidth;
    const std::uint32_t seen = (std::uint32_t{1} << (at - last)) - 1;
    if (Scanned s = check(blocks.mask(bytes + last) & ~seen, last); s.found != npos) return s;
  }
  return {npos};
}

// Places where the literal's two chosen bytes stand, 16 at a time.
struct PairSse2 {
  static constexpr std::size_t kWidth = 16;
  __m128i first;
  __m128i second;
  std::size_t first_at;
  std::size_t second_at;

  explicit PairSse2(const Needle& needle)
      : first(_mm_set1_epi8(needle.data[needle.first])),
        second(_mm_set1_epi8(needle.data[needle.second])),
        first_at(needle.first),
        second_at(needle.second) {}

  __m128i places(const unsigned char* at) const {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + first_at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second_at));
    return _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second));
  }
  std::uint32_t mask(const unsigned char* at) const {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(places(at)));
  }
  bool any4(const unsigned char* at) const {
    const __m128i any = _mm_or_si128(_mm_or_si128(places(at), places(at + 16)),
                                     _mm_or_si128(places(at + 32), places(at + 48)));
    return _mm_movemask_epi8(any) != 0;
  }
};

// The same, 32 at a time.
struct PairAvx2 {
  static constexpr std::size_t kWidth = 32;
  __m256i first;
  __m256i second;
  std::size_t first_at;
  std::size_t second_at;

  [[gnu::target("avx2")]] explicit PairAvx2(const Needle& needle)
      : first(_mm256_set1_epi8(needle.data[needle.first])),
        second(_mm256_set1_epi8(needle.data[needle.second])),
        first_at(needle.first),
        second_at(needle.second) {}

  [[gnu::target("avx2")]] __m256i places(const unsigned char* at) const {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + first_at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + second_at));
    return _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, second));
  }
  [[gnu::target("avx2")]] std::uint32_t mask(const unsigned char* at) const {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(places(at)));
  }
  [[gnu::target("avx2")]] bool any4(const unsigned char* at) const {
    const __m256i any = _mm256_or_si256(_mm256_or_si256(places(at), places(at + 32)),
                                        _mm256_or_si256(places(at + 64), places(at + 96)));
    return !_mm256_testz_si256(any, any);
  }
};

// Places where the literal's one byte stands, 32 at a time.
struct ByteAvx2 {
  static constexpr std::size_t kWidth = 32;
  __m256i byte;

  [[gnu::target("avx2")]] explicit ByteAvx2(const Needle& needle)
      : byte(_mm256_set1_epi8(needle.data[0])) {}

  [[gnu::target("avx2")]] __m256i places(const unsigned char* at) const {
    return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), byte);
  }
  [[gnu::target("avx2")]] std::uint32_t mask(const unsigned char* at) const {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(places(at)));
  }
  [[gnu::target("avx2")]] bool any4(const unsigned char* at) const {
    const __m256i any = _mm256_or_si256(_mm256_or_si256(places(at), places(at + 32)),
                                        _mm256_or_si256(places(at + 64), places(at + 96)));
    return !_mm256_testz_si256(any, any);
  }
};

Scanned scan_sse2(const Needle& needle, std::string_view text, std::size_t at) {
  return scan_blocks(PairSse2(needle), needle, text.data(), text.size() - needle.size + 1, at);
}

[[gnu::target("avx2")]] Scanned scan_avx2(const Needle& needle, std::string_view text,
                                          std::size_t at) {
  const std::size_t places = text.size() - needle.size + 1;
  if (needle.size == 1) return scan_blocks(ByteAvx2(needle), needle, text.data(), places, at);
  return scan_blocks(PairAvx2(needle), needle, text.data(), places, at);
}

bool has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace

int byte_commonness(unsigned char byte) {
  constexpr std::string_view kLettersByFrequency = "zqxjkvbpygfwmucldrhsnioate";
  if (byte == ' ') return 250;
  if (byte >= 'a' && byte <= 'z') return 120 + 4 * static_cast<int>(kLettersByFrequency.find(byte));
  if (byte >= 'A' && byte <= 'Z') {
    return 40 + 2 * static_cast<int>(kLettersByFrequency.find(static_cast<char>(byte | 0x20)));
  }
  if (byte >= 0x80 && byte <= 0xBF) return 160;
  if (byte == '\n' || byte == ',' || byte == '.') return 150;
  if (byte >= '0' && byte <= '9') return byte <= '2' ? 110 : 100;
  if (byte == '-' || byte == '_' || byte == '/' || byte == ':' || byte == '"' || byte == '=') {
    return 90;
  }
  if (byte >= 0xC2 && byte <= 0xEF) return 80;
  if (byte > ' ' && byte < 0x7F) return 60;
  if (byte == '\t' || byte == '\r' || (byte >= 0xF0 && byte <= 0xF4)) return 30;
  return 0;
}

LiteralSearch::LiteralSearch(std::string_view literal) : literal_(literal), two_way_(literal) {
  const auto commonness = [&](std::size_t at) {
    return byte_commonness(static_cast<unsigned char>(literal[at]));
  };
  for (std::size_t at = 1; at < literal.size(); ++at) {
    if (commonness(at) < commonness(first_)) first_ = at;
  }
  // The second byte differs from the first where the literal allows, which
  // makes chance pairs rarer.
  const auto worse = [&](std::size_t a, std::size_t b) {
    return std::pair(literal[a] == literal[first_], commonness(a)) <
           std::pair(literal[b] == literal[first_], commonness(b));
  };
  second_ = first_;
  for (std::size_t at = 0; at < literal.size(); ++at) {
    if (at != first_ && (second_ == first_ || worse(at, second_))) second_ = at;
  }
  if (second_ < first_) std::swap(first_, second_);
}

std::size_t LiteralSearch::find(std::string_view text, std::size_t from) const {
  if (from > text.size() || text.size() - from < literal_.size()) return npos;
  if (literal_.empty()) return from;
  if (literal_.size() == 1 && !has_avx2()) return two_way_.find(text, from);
  const Needle needle = {literal_.data(), literal_.size(), first_, second_};
  const Scanned scanned =
      has_avx2() ? scan_avx2(needle, text, from) : scan_sse2(needle, text, from);
  if (scanned.found == kHandOver) return two_way_.find(text, scanned.resume);
  return scanned.found;
}

}  // namespace korvel::regex
