#include "text/base64.hpp"

#include <array>
#include <cstdint>

namespace korvel::base64 {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';
constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> make_decode_table() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kInvalid);
  for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecodeTable = make_decode_table();

std::uint8_t sextet(char symbol) { return kDecodeTable[static_cast<unsigned char>(symbol)]; }

Unexpected<std::string> invalid_symbol(char symbol, std::size_t offset) {
  return Unexpected("Invalid symbol " + std::to_string(static_cast<unsigned char>(symbol)) +
                    ", offset " + std::to_string(offset) + ".");
}

// The group that ends the text: its final one to four bytes.
std::size_t last_group_start(std::size_t length) {
  const std::size_t tail = length % 4;
  return length - (tail == 0 ? 4 : tail);
}

// What the last group holds once its bytes are known to be well placed.
struct LastGroup {
  std::size_t symbols;
  std::size_t pads;
  std::uint32_t bits;  // the symbols' sextets, first symbol highest
};

// Symbols, then "=" from the third position on, then nothing but "=". A stray
// byte after the padding is reported as the padding's first "=", where the
// text went wrong.
Expected<LastGroup, std::string> read_last_group(std::string_view text, std::size_t start) {
  LastGroup group{0, 0, 0};
  std::size_t first_pad = 0;
  for (std::size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    const std::size_t position = i - start;
    if (c == kPad) {
      if (position < 2) return invalid_symbol(c, i);
      if (group.pads++ == 0) first_pad = i;
      continue;
    }
    if (group.pads > 0) return invalid_symbol(kPad, first_pad);
    const std::uint8_t value = sextet(c);
    if (value == kInvalid) return invalid_symbol(c, i);
    group.bits = (group.bits << 6) | value;
    ++group.symbols;
  }
  return group;
}

}  // namespace

std::string encode(std::string_view bytes) {
  std::string out;
  out.resize((bytes.size() + 2) / 3 * 4);
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  std::size_t o = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out[o++] = kAlphabet[group >> 18];
    out[o++] = kAlphabet[(group >> 12) & 0x3F];
    out[o++] = kAlphabet[(group >> 6) & 0x3F];
    out[o++] = kAlphabet[group & 0x3F];
  }
  if (const std::size_t rest = bytes.size() - i; rest > 0) {
    const std::uint32_t group = (in[i] << 16) | (rest == 2 ? in[i + 1] << 8 : 0);
    out[o++] = kAlphabet[group >> 18];
    out[o++] = kAlphabet[(group >> 12) & 0x3F];
    out[o++] = rest == 2 ? kAlphabet[(group >> 6) & 0x3F] : kPad;
    out[o++] = kPad;
  }
  return out;
}

Expected<std::string, std::string> decode(std::string_view text) {
  if (text.empty()) return std::string();
  // A final byte that is alone in its group and plainly foreign, often a
  // trailing blank, is the most useful thing to report.
  if (text.size() % 4 == 1 && text.back() != kPad && sextet(text.back()) == kInvalid) {
    return invalid_symbol(text.back(), text.size() - 1);
  }

  std::string out;
  out.resize((text.size() + 3) / 4 * 3);
  std::size_t o = 0;
  const std::size_t last_start = last_group_start(text.size());
  for (std::size_t i = 0; i < last_start; i += 4) {
    std::uint32_t group = 0;
    for (std::size_t k = i; k < i + 4; ++k) {
      const std::uint8_t value = sextet(text[k]);
      if (value == kInvalid) return invalid_symbol(text[k], k);
      group = (group << 6) | value;
    }
    out[o++] = static_cast<char>(group >> 16);
    out[o++] = static_cast<char>(group >> 8);
    out[o++] = static_cast<char>(group);
  }

  auto last = read_last_group(text, last_start);
  if (!last) return Unexpected(std::move(last).error());
  const LastGroup group = *last;
  if (group.symbols < 2) {
    return Unexpected("Invalid input length: " + std::to_string(last_start + group.symbols));
  }
  if (group.symbols + group.pads != 4) return Unexpected(std::string("Invalid padding"));

  // n symbols carry 6n bits, of which the whole bytes are the first 8(n-1).
  const std::size_t bytes = group.symbols - 1;
  const std::size_t spare_bits = 6 * group.symbols - 8 * bytes;
  if ((group.bits & ((1u << spare_bits) - 1)) != 0) {
    const std::size_t offset = last_start + group.symbols - 1;
    return Unexpected("Invalid last symbol " +
                      std::to_string(static_cast<unsigned char>(text[offset])) + ", offset " +
                      std::to_string(offset) + ".");
  }
  const std::uint32_t data = group.bits >> spare_bits;
  for (std::size_t k = bytes; k-- > 0;) out[o++] = static_cast<char>(data >> (8 * k));
  out.resize(o);
  return out;
}

}  // namespace korvel::base64
