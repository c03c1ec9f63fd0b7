#include "text/base64.hpp"

#include <gtest/gtest.h>

#include <string>

namespace korvel {
namespace {

TEST(Base64Test, EncodesInGroupsOfThree) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string_view("\0\0\0", 3), "AAAA"},
      {"\xFB\xEF\xBE", "++++"},
      {"\xFF\xFF\xFF", "////"},
  };
  for (const auto& [bytes, encoded] : cases) {
    EXPECT_EQ(base64::encode(bytes), encoded) << encoded;
    const auto decoded = base64::decode(encoded);
    ASSERT_TRUE(decoded) << encoded << ": " << decoded.error();
    EXPECT_EQ(*decoded, bytes) << encoded;
  }
}

TEST(Base64Test, EncodesEveryByte) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  for (std::size_t length = 0; length <= bytes.size(); length += 37) {
    const std::string_view part(bytes.data(), length);
    const std::string encoded = base64::encode(part);
    EXPECT_EQ(encoded.size(), (length + 2) / 3 * 4);
    const auto decoded = base64::decode(encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, part);
  }
}

TEST(Base64Test, DecodingErrorsInTheirOrder) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      // A foreign final byte alone in its group is found before anything else.
      {"YQ== ", "Invalid symbol 32, offset 4."},
      {"!AAA\n", "Invalid symbol 10, offset 4."},
      // Groups before the last: the first byte that is not a symbol, "=" included.
      {"YQ==YQ==", "Invalid symbol 61, offset 2."},
      {"AB!DAAAA", "Invalid symbol 33, offset 2."},
      {"AAAA AAA=", "Invalid symbol 32, offset 4."},
      {"!AAAY", "Invalid symbol 33, offset 0."},
      // The last group.
      {"Y!==", "Invalid symbol 33, offset 1."},
      {"=AAA", "Invalid symbol 61, offset 0."},
      {"A===", "Invalid symbol 61, offset 1."},
      {"Y=", "Invalid symbol 61, offset 1."},
      {"AAAA=", "Invalid symbol 61, offset 4."},
      {"AB=C", "Invalid symbol 61, offset 2."},
      {"AB=!", "Invalid symbol 61, offset 2."},
      {"ABC!", "Invalid symbol 33, offset 3."},
      {"AAAAAB!", "Invalid symbol 33, offset 6."},
      // Too few symbols for a byte.
      {"Y", "Invalid input length: 1"},
      {"AAAAA", "Invalid input length: 5"},
      // Padding that does not complete the group.
      {"YQ", "Invalid padding"},
      {"YQ=", "Invalid padding"},
      {"YWI", "Invalid padding"},
      {"AAAAYQ", "Invalid padding"},
      // Bits that a canonical encoder writes as zero.
      {"YR==", "Invalid last symbol 82, offset 1."},
      {"YWJ=", "Invalid last symbol 74, offset 2."},
      {"AAAAYR==", "Invalid last symbol 82, offset 5."},
      {"YR", "Invalid padding"},
  };
  for (const auto& [text, error] : cases) {
    const auto decoded = base64::decode(text);
    ASSERT_FALSE(decoded) << text;
    EXPECT_EQ(decoded.error(), error) << text;
  }
}

}  // namespace
}  // namespace korvel
