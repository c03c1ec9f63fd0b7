// SipHash-1-3, the keyed hash behind the engine's hash maps and the stable
// hash of access paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel {

// Streams bytes into SipHash-1-3 (one compression round per 8-byte block,
// three finalisation rounds) under a 128-bit key given as two halves.
class SipHasher13 {
 public:
  SipHasher13(std::uint64_t k0, std::uint64_t k1);

  void write(const void* data, std::size_t size);
  void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
  void write_u8(std::uint8_t byte) { write(&byte, 1); }
  void write_u64_le(std::uint64_t value);

  std::uint64_t finish() const;

 private:
  friend class RandomState;

  void compress(std::uint64_t block);

  std::uint64_t v0_, v1_, v2_, v3_;
  std::uint64_t tail_ = 0;  // the bytes of an unfinished block, little-endian
  std::size_t tail_size_ = 0;
  std::uint64_t length_ = 0;  // all bytes written, modulo 2^64
};

// A hash functor for maps keyed by text. Each instance draws fresh keys, so
// that nobody can choose keys that collide and no map's order can be relied on.
class RandomState {
 public:
  using is_transparent = void;

  RandomState();
  // Fixed keys, for reproducible hashing.
  RandomState(std::uint64_t k0, std::uint64_t k1) : k0_(k0), k1_(k1) {}

  std::size_t operator()(std::string_view key) const;

 private:
  std::uint64_t k0_, k1_;
};

}  // namespace korvel
