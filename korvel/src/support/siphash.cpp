#include "korvel/siphash.hpp"

#include <sys/random.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvel {
namespace {

inline void sip_round(std::uint64_t& v0, std::uint64_t& v1, std::uint64_t& v2, std::uint64_t& v3) {
  v0 += v1;
  v1 = std::rotl(v1, 13);
  v1 ^= v0;
  v0 = std::rotl(v0, 32);
  v2 += v3;
  v3 = std::rotl(v3, 16);
  v3 ^= v2;
  v0 += v3;
  v3 = std::rotl(v3, 21);
  v3 ^= v0;
  v2 += v1;
  v1 = std::rotl(v1, 17);
  v1 ^= v2;
  v2 = std::rotl(v2, 32);
}

// The first `n` (at most 8) bytes at p as a little-endian number.
std::uint64_t load_le(const unsigned char* p, std::size_t n = 8) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t value = 0;
    std::memcpy(&value, p, n);
    return value;
  } else {
    std::uint64_t value = 0;
    for (std::size_t i = n; i-- > 0;) value = (value << 8) | p[i];
    return value;
  }
}

}  // namespace

SipHasher13::SipHasher13(std::uint64_t k0, std::uint64_t k1)
    : v0_(k0 ^ 0x736f6d6570736575ULL),
      v1_(k1 ^ 0x646f72616e646f6dULL),
      v2_(k0 ^ 0x6c7967656e657261ULL),
      v3_(k1 ^ 0x7465646279746573ULL) {}

void SipHasher13::compress(std::uint64_t block) {
  v3_ ^= block;
  sip_round(v0_, v1_, v2_, v3_);
  v0_ ^= block;
}

void SipHasher13::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  length_ += size;
  if (tail_size_ != 0) {
    const std::size_t fill = std::min(8 - tail_size_, size);
    tail_ |= load_le(bytes, fill) << (8 * tail_size_);
    tail_size_ += fill;
    bytes += fill;
    size -= fill;
    if (tail_size_ < 8) return;
    compress(tail_);
    tail_ = 0;
    tail_size_ = 0;
  }
  for (; size >= 8; bytes += 8, size -= 8) compress(load_le(bytes));
  tail_ = load_le(bytes, size);
  tail_size_ = size;
}

void SipHasher13::write_u64_le(std::uint64_t value) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  write(bytes, 8);
}

std::uint64_t SipHasher13::finish() const {
  std::uint64_t v0 = v0_, v1 = v1_, v2 = v2_, v3 = v3_;
  const std::uint64_t block = (length_ << 56) | tail_;
  v3 ^= block;
  sip_round(v0, v1, v2, v3);
  v0 ^= block;
  v2 ^= 0xff;
  sip_round(v0, v1, v2, v3);
  sip_round(v0, v1, v2, v3);
  sip_round(v0, v1, v2, v3);
  return v0 ^ v1 ^ v2 ^ v3;
}

namespace {

// Per-thread keys from the system's random source, advanced for every new map.
struct ThreadKeys {
  std::uint64_t k0;
  std::uint64_t k1;

  ThreadKeys() {
    std::uint64_t keys[2] = {0x243f6a8885a308d3ULL, 0x13198a2e03707344ULL};
    unsigned char* out = reinterpret_cast<unsigned char*>(keys);
    std::size_t filled = 0;
    while (filled < sizeof keys) {
      const ssize_t n = getrandom(out + filled, sizeof keys - filled, 0);
      if (n <= 0) break;  // keep the fixed fallback rather than fail a lookup
      filled += static_cast<std::size_t>(n);
    }
    k0 = keys[0];
    k1 = keys[1];
  }
};

}  // namespace

RandomState::RandomState() {
  thread_local ThreadKeys keys;
  k0_ = keys.k0++;
  k1_ = keys.k1;
}

std::size_t RandomState::operator()(std::string_view key) const {
  // The stream is the key's bytes and one 0xff byte (so that "a" + "b" and
  // "ab" differ when keys are combined); written in one pass, since this runs
  // for every lookup of a variable or a function.
  SipHasher13 hasher(k0_, k1_);
  const auto* bytes = reinterpret_cast<const unsigned char*>(key.data());
  const std::size_t blocks = key.size() / 8 * 8;
  for (std::size_t i = 0; i < blocks; i += 8) hasher.compress(load_le(bytes + i));
  std::uint64_t tail = 0;
  for (std::size_t i = key.size(); i-- > blocks;) tail = (tail << 8) | bytes[i];
  const std::size_t tail_size = key.size() - blocks;
  tail |= std::uint64_t{0xff} << (8 * tail_size);
  if (tail_size == 7) {
    hasher.compress(tail);
    tail = 0;
  }
  hasher.tail_ = tail;
  hasher.tail_size_ = (tail_size + 1) % 8;
  hasher.length_ = key.size() + 1;
  return static_cast<std::size_t>(hasher.finish());
}

}  // namespace korvel
