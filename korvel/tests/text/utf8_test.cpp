#include "text/utf8.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korvel::utf8 {
namespace {

TEST(Utf8Test, DecodeFirstRefusesWhatIsNotACharacter) {
  const std::pair<std::string_view, Decoded> cases[] = {
      {"a", {'a', 1}},
      {"é", {0xE9, 2}},
      {"€", {0x20AC, 3}},
      {"😀", {0x1F600, 4}},
      {"\xF4\x8F\xBF\xBF", {0x10FFFF, 4}},
      {"\xED\x9F\xBF", {0xD7FF, 3}},
      {"\x80", {kReplacement, 1}},
      {"\xC0\x80", {kReplacement, 1}},          // overlong
      {"\xE0\x80\x80", {kReplacement, 1}},      // overlong
      {"\xF0\x80\x80\x80", {kReplacement, 1}},  // overlong
      {"\xED\xA0\x80", {kReplacement, 1}},      // surrogate
      {"\xF4\x90\x80\x80", {kReplacement, 1}},  // above U+10FFFF
      {"\xE2\x82", {kReplacement, 1}},          // truncated
      {"\xF8\x88\x80\x80\x80", {kReplacement, 1}},
  };
  for (const auto& [text, expected] : cases) {
    const Decoded decoded = decode_first(text);
    EXPECT_EQ(decoded.code_point, expected.code_point) << text;
    EXPECT_EQ(decoded.length, expected.length) << text;
  }
}

TEST(Utf8Test, FindInvalidReportsTheMaximalInvalidPrefix) {
  using Invalid = std::optional<InvalidSequence>;
  const std::pair<std::string_view, Invalid> cases[] = {
      {"", std::nullopt},
      {"plain é € 😀 \xF4\x8F\xBF\xBF", std::nullopt},
      // A lone continuation byte and bytes that never start a character.
      {"\x80", InvalidSequence{0, 1}},
      {"ab\xBF", InvalidSequence{2, 1}},
      {"\xC0\x80", InvalidSequence{0, 1}},
      {"\xC1\xBF", InvalidSequence{0, 1}},
      {"\xF5\x80\x80\x80", InvalidSequence{0, 1}},
      {"\xFF", InvalidSequence{0, 1}},
      // Truncated at the end.
      {"a\xC3", InvalidSequence{1, 0}},
      {"a\xE2\x82", InvalidSequence{1, 0}},
      {"a\xE2", InvalidSequence{1, 0}},
      {"a\xF0\x9F\x98", InvalidSequence{1, 0}},
      {"a\xF0\x9F", InvalidSequence{1, 0}},
      {"a\xF0", InvalidSequence{1, 0}},
      // Truncated in the middle: the valid start is the invalid sequence.
      {"\xC3z", InvalidSequence{0, 1}},
      {"\xE2\x82z", InvalidSequence{0, 2}},
      {"\xF0\x9F\x98z", InvalidSequence{0, 3}},
      {"\xF0\x9Fz", InvalidSequence{0, 2}},
      {"é\xE2z€", InvalidSequence{2, 1}},
      // Overlong forms, surrogates and code points above U+10FFFF fail at the second byte.
      {"\xE0\x80\x80", InvalidSequence{0, 1}},
      {"\xE0\x9F\xBF", InvalidSequence{0, 1}},
      {"\xF0\x8F\xBF\xBF", InvalidSequence{0, 1}},
      {"\xED\xA0\x80", InvalidSequence{0, 1}},
      {"\xED\xBF\xBF", InvalidSequence{0, 1}},
      {"\xF4\x90\x80\x80", InvalidSequence{0, 1}},
      // A bad second byte right at the end is invalid, not incomplete.
      {"\xE0\x80", InvalidSequence{0, 1}},
      {"\xED\xA0", InvalidSequence{0, 1}},
      // Only the first fault counts.
      {"ok\xC3\x28\x80", InvalidSequence{2, 1}},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(find_invalid(bytes), expected) << testing::PrintToString(std::string(bytes));
  }
}

TEST(Utf8Test, InvalidSequenceTexts) {
  EXPECT_EQ(to_string(InvalidSequence{0, 1}), "invalid utf-8 sequence of 1 bytes from index 0");
  EXPECT_EQ(to_string(InvalidSequence{7, 3}), "invalid utf-8 sequence of 3 bytes from index 7");
  EXPECT_EQ(to_string(InvalidSequence{3, 0}), "incomplete utf-8 byte sequence from index 3");
}

}  // namespace
}  // namespace korvel::utf8
