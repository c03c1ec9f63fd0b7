#include "unicode/unicode.hpp"

#include <gtest/gtest.h>

#include "text/utf8.hpp"

namespace korvel::unicode {
namespace {

TEST(UnicodeTest, WhiteSpaceIsExactlyTheListedSet) {
  const char32_t listed[] = {0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x20,   0x85,   0xA0,
                             0x1680, 0x2000, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
  for (char32_t c : listed) EXPECT_TRUE(is_white_space(c)) << std::hex << static_cast<unsigned>(c);
  for (char32_t c : {0x08, 0x0E, 0x21, 0x84, 0x200B, 0xFEFF, 0x180E, 0x10FFFF}) {
    EXPECT_FALSE(is_white_space(static_cast<char32_t>(c))) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(UnicodeTest, Alphabetic) {
  // U+0363 became Alphabetic in Unicode 16.0; U+10D4A is a Garay letter, new in 16.0.
  for (char32_t c : {U'a', U'Z', U'\u00e9', U'\u65e5', U'\u0345', U'\u0363', U'\U00010D4A'}) {
    EXPECT_TRUE(is_alphabetic(c));
  }
  for (char32_t c : {U'0', U'_', U'@', U'[', U'`', U'{', U'\u0663', U' '}) {
    EXPECT_FALSE(is_alphabetic(c));
  }
}

TEST(UnicodeTest, GraphemeExtend) {
  EXPECT_TRUE(is_grapheme_extend(0x301));
  EXPECT_TRUE(is_grapheme_extend(0x200C));  // ZERO WIDTH NON-JOINER
  EXPECT_FALSE(is_grapheme_extend('e'));
  EXPECT_FALSE(is_grapheme_extend(0xE9));
  // Unicode 16.0 moved these spacing marks in and out.
  EXPECT_TRUE(is_grapheme_extend(0xCC0));     // KANNADA VOWEL SIGN II
  EXPECT_FALSE(is_grapheme_extend(0x1171E));  // AHOM CONSONANT SIGN MEDIAL RA
}

TEST(UnicodeTest, GeneralCategories) {
  EXPECT_EQ(general_category(0), GeneralCategory::Cc);
  EXPECT_EQ(general_category('A'), GeneralCategory::Lu);
  EXPECT_EQ(general_category('a'), GeneralCategory::Ll);
  EXPECT_EQ(general_category(' '), GeneralCategory::Zs);
  EXPECT_EQ(general_category(0x0663), GeneralCategory::Nd);
  EXPECT_EQ(general_category(0x0378), GeneralCategory::Cn);
  EXPECT_EQ(general_category(0x10D40), GeneralCategory::Nd);  // GARAY DIGIT ZERO, new in 16.0
  EXPECT_EQ(general_category(0xD800), GeneralCategory::Cs);
  EXPECT_EQ(general_category(0xE000), GeneralCategory::Co);
  EXPECT_EQ(general_category(0x10FFFF), GeneralCategory::Cn);
}

TEST(Utf8Test, DecodesWellFormedAndReplacesMalformedBytes) {
  struct Case {
    std::string_view text;
    char32_t code_point;
    std::size_t length;
  };
  const Case cases[] = {
      {"a", U'a', 1},
      {"\xc3\xa9", 0xE9, 2},
      {"\xe6\x97\xa5", 0x65E5, 3},
      {"\xf0\x9f\x92\xa9", 0x1F4A9, 4},
      {"\x80", utf8::kReplacement, 1},              // continuation byte
      {"\xc3", utf8::kReplacement, 1},              // truncated
      {"\xc0\x80", utf8::kReplacement, 1},          // overlong
      {"\xed\xa0\x80", utf8::kReplacement, 1},      // surrogate
      {"\xf4\x90\x80\x80", utf8::kReplacement, 1},  // above U+10FFFF
  };
  for (const Case& c : cases) {
    const utf8::Decoded d = utf8::decode_first(c.text);
    EXPECT_EQ(d.code_point, c.code_point);
    EXPECT_EQ(d.length, c.length);
  }
  EXPECT_EQ(utf8::decode_last("a\xc3\xa9").code_point, 0xE9u);
  EXPECT_EQ(utf8::count_chars("h\xc3\xa9llo"), 5u);
}

}  // namespace
}  // namespace korvel::unicode
