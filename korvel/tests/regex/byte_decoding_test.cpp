// Reading UTF-8 a byte at a time, either way, cuts a text into the
// characters that decoding it from the start gives.
#include "regex/byte_decoding.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "regex/look_flags.hpp"
#include "text/utf8.hpp"

namespace korvel::regex {
namespace {

std::vector<char32_t> decoded_from_the_start(std::string_view text) {
  std::vector<char32_t> chars;
  for (std::size_t at = 0; at < text.size();) {
    chars.push_back(char_after(text, at));
    at += utf8::decode_first(text.substr(at)).length;
  }
  return chars;
}

std::vector<char32_t> read_bytewise(std::string_view text, bool backward) {
  std::vector<char32_t> chars;
  Pending pending;
  const auto take = [&](unsigned byte) {
    const Decoding decoding = backward ? read_backward(pending, byte) : read_forward(pending, byte);
    chars.insert(chars.end(), decoding.chars.begin(), decoding.chars.begin() + decoding.count);
    pending = decoding.pending;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    take(static_cast<unsigned char>(text[backward ? text.size() - 1 - i : i]));
  }
  take(kEndOfText);
  EXPECT_EQ(chars.back(), kNoChar);
  chars.pop_back();
  if (backward) std::reverse(chars.begin(), chars.end());
  return chars;
}

TEST(ByteDecodingTest, BothWaysReadWhatDecodingFromTheStartReads) {
  // Bytes that make characters of each length, their parts, and bytes that
  // UTF-8 never holds or holds only after other bytes.
  const std::vector<std::string> pieces = {"a",
                                           "\xc3\xa9",
                                           "\xe6\x97\xa5",
                                           "\xf0\x9f\x92\xa9",
                                           "\xc3",
                                           "\xe6\x97",
                                           "\xf0\x9f\x92",
                                           "\x80",
                                           "\xbf",
                                           "\xff",
                                           "\xc0\x80",
                                           "\xe0\x80\x80",
                                           "\xe0\xa0\x80",
                                           "\xed\xa0\x80",
                                           "\xed\x9f\xbf",
                                           "\xf4\x8f\xbf\xbf",
                                           "\xf4\x90\x80\x80",
                                           "\xf5"};
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = random() % 8; n > 0; --n) text += pieces[random() % pieces.size()];
    const std::vector<char32_t> expected = decoded_from_the_start(text);
    ASSERT_EQ(read_bytewise(text, false), expected) << testing::PrintToString(text);
    ASSERT_EQ(read_bytewise(text, true), expected) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace korvel::regex
