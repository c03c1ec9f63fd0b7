#include <gtest/gtest.h>

#include <string>

#include "builtins/builtin_calls.hpp"
#include "builtins/builtins.hpp"

namespace korvel {
namespace {

using namespace korvel::builtin_test;
namespace fn = korvel::functions;

Value owned(std::string s) { return Value(Text::owned(std::move(s))); }

EvalError invalid_index(std::string digits, std::string reason) {
  return value_error("Invalid format placeholder index '" + digits + "': " + reason);
}

TEST(FormatTest, FillsPlaceholders) {
  expect_results(
      fn::format,
      {
          {{str("{0} and {1}"), str("a"), Value(2)}, owned("a and 2")},
          {{str("{1}{0}{1}"), str("a"), str("b")}, owned("bab")},
          {{str("{0}"), Value(3.0)}, owned("3")},
          {{str("{0}"), arr({str("x"), Value(1)})}, owned(R"(["x", 1])")},
          {{str("{0}"), str("say \"hi\"")}, owned("say \"hi\"")},
          {{str("{00}"), str("a")}, owned("a")},
          {{str("{0}{0}"), Value()}, owned("nullnull")},
          {{str("é{0}"), str("x")}, owned("éx")},
          {{str("{0}é"), str("x")}, owned("xé")},
          {{str("")}, owned("")},
          {{str("no placeholders"), Value(1), Value(2), Value(3)}, owned("no placeholders")},
          {{str("{2}"), Value(0), Value(1), obj({{"k", str("v")}})}, owned(R"({"k": "v"})")},
      });
}

TEST(FormatTest, DoubledBracesEscapeAPlaceholder) {
  expect_results(fn::format,
                 {
                     {{str("{{0}}"), str("a")}, owned("{0}")},
                     {{str("{{{0}}}"), str("a")}, owned("{{0}}")},
                     {{str("{{0}"), str("a")}, owned("{a")},
                     {{str("{0}}"), str("a")}, owned("a}")},
                     {{str("{{0}é"), str("x")}, owned("{xé")},
                     {{str("é{{0}}é")}, owned("é{0}é")},
                     // Escaped digits are not read: no value, no index check.
                     {{str("{{99999999999999999999}}")}, owned("{99999999999999999999}")},
                     {{str("{{٣}}")}, owned("{٣}")},
                     {{str("{{5}}{0}"), str("a")}, owned("{5}a")},
                 });
}

TEST(FormatTest, CopiesWhatIsNotAPlaceholder) {
  for (const char* text : {"{}", "{x}", "{ 0 }", "{ 0}", "{-1}", "{", "}", "{0", "0}", "{0x}",
                           "{+1}", "{1.0}", "}{0{"}) {
    expect_results(fn::format, {{{str(text), str("a"), str("b")}, owned(text)}});
  }
}

TEST(FormatTest, PlaceholdersWithoutAValue) {
  expect_errors(fn::format, {
                                {{str("{0}")}, count_error(2, 1)},
                                {{str("{1}"), str("a")}, count_error(3, 2)},
                                {{str("{0}{7}"), str("a")}, count_error(9, 2)},
                                {{str("{18446744073709551613}")}, count_error(UINT64_MAX, 1)},
                                // Past 2^64 - 3 the expected count saturates.
                                {{str("{18446744073709551614}")}, count_error(UINT64_MAX, 1)},
                                {{str("{18446744073709551615}")}, count_error(UINT64_MAX, 1)},
                            });
}

TEST(FormatTest, PlaceholderDigitsThatAreNotAnIndex) {
  const std::string too_large = "number too large to fit in target type";
  const std::string invalid_digit = "invalid digit found in string";
  expect_errors(
      fn::format,
      {
          {{str("{99999999999999999999}")}, invalid_index("99999999999999999999", too_large)},
          {{str("{18446744073709551616}")}, invalid_index("18446744073709551616", too_large)},
          {{str("{٣}")}, invalid_index("٣", invalid_digit)},
          {{str("{1٣}"), str("a")}, invalid_index("1٣", invalid_digit)},
          // Digits are read from the left: the first fault found is the reason.
          {{str("{99999999999999999999٣}")}, invalid_index("99999999999999999999٣", too_large)},
          {{str("{٣99999999999999999999}")}, invalid_index("٣99999999999999999999", invalid_digit)},
          // Digits of other scripts make placeholders too.
          {{str("{𝟘}"), str("a")}, invalid_index("𝟘", invalid_digit)},
          {{str("{०}"), str("a")}, invalid_index("०", invalid_digit)},
          // The first failing placeholder from the left ends the call.
          {{str("{1}{٣}"), str("a")}, count_error(3, 2)},
          {{str("{٣}{1}"), str("a")}, invalid_index("٣", invalid_digit)},
      });
}

TEST(FormatTest, CountAndTypeErrors) {
  expect_errors(fn::format,
                {
                    {{}, count_error(1, 0)},
                    {{Value(1)}, type_error("Expected a string as the first argument, got: 'int'")},
                    {{arr({}), str("a")},
                     type_error("Expected a string as the first argument, got: 'array'")},
                });
}

}  // namespace
}  // namespace korvel
