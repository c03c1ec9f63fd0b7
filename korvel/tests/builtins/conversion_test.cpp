#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "builtins/builtin_calls.hpp"
#include "builtins/builtins.hpp"

namespace korvel {
namespace {

using namespace korvel::builtin_test;
namespace fn = korvel::functions;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t kIntMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<std::int64_t>::min();

Value owned(std::string s) { return Value(Text::owned(std::move(s))); }

TEST(ConversionBuiltinsTest, EachTakesExactlyOneArgument) {
  for (const Builtin builtin : {fn::into_bool, fn::into_string, fn::into_int, fn::into_float,
                                fn::base64_encode, fn::base64_decode}) {
    expect_errors(builtin, {
                               {{}, count_error(1, 0)},
                               {{str("1"), str("2")}, count_error(1, 2)},
                           });
  }
}

TEST(IntoBoolTest, Truthiness) {
  expect_results(fn::into_bool, {
                                    {{Value(0)}, Value(false)},
                                    {{Value(0.0)}, Value(false)},
                                    {{Value(-0.0)}, Value(false)},
                                    {{str("")}, Value(false)},
                                    {{arr({})}, Value(false)},
                                    {{obj({})}, Value(false)},
                                    {{Value(false)}, Value(false)},
                                    {{Value()}, Value(false)},
                                    {{Value(kNaN)}, Value(true)},
                                    {{str(" ")}, Value(true)},
                                    {{str("false")}, Value(true)},
                                    {{arr({Value()})}, Value(true)},
                                    {{Value(-1)}, Value(true)},
                                    {{obj({{"a", Value()}})}, Value(true)},
                                });
}

TEST(IntoStringTest, TextForm) {
  expect_results(fn::into_string, {
                                      {{str("a\"b\\c")}, owned("a\"b\\c")},
                                      {{Value(3.0)}, owned("3")},
                                      {{Value(-7)}, owned("-7")},
                                      {{Value(true)}, owned("true")},
                                      {{Value()}, owned("null")},
                                      {{arr({str("x")})}, owned(R"(["x"])")},
                                      {{obj({{"k", Value(1.5)}})}, owned(R"({"k": 1.5})")},
                                  });
}

TEST(IntoIntTest, Conversions) {
  expect_results(fn::into_int, {
                                   {{Value(42)}, Value(42)},
                                   {{Value(2.9)}, Value(2)},
                                   {{Value(-2.9)}, Value(-2)},
                                   {{Value(-0.5)}, Value(0)},
                                   {{Value(kNaN)}, Value(0)},
                                   {{Value(1e300)}, Value(kIntMax)},
                                   {{Value(-1e300)}, Value(kIntMin)},
                                   {{Value(9223372036854775808.0)}, Value(kIntMax)},
                                   {{Value(-9223372036854775808.0)}, Value(kIntMin)},
                                   {{Value(9223372036854774784.0)}, Value(9223372036854774784)},
                                   {{Value(kInf)}, Value(kIntMax)},
                                   {{Value(-kInf)}, Value(kIntMin)},
                                   {{Value(true)}, Value(1)},
                                   {{Value(false)}, Value(0)},
                                   {{str("42")}, Value(42)},
                                   {{str("+42")}, Value(42)},
                                   {{str("-0042")}, Value(-42)},
                                   {{str("0")}, Value(0)},
                                   {{str("-0")}, Value(0)},
                                   {{str("9223372036854775807")}, Value(kIntMax)},
                                   {{str("-9223372036854775808")}, Value(kIntMin)},
                                   {{str("00000000000000000000000001")}, Value(1)},
                               });
}

TEST(IntoIntTest, RefusedValuesShowTheirDebugForm) {
  const auto refused = [](std::string debug) {
    return type_error("Expected a value that can be converted to 'i64', got '" + debug + "'");
  };
  std::vector<ErrorCase> cases = {
      {{Value()}, refused("Null")},
      {{arr({Value(1)})}, refused("Array([Int(1)])")},
      {{obj({})}, refused("Object({})")},
  };
  for (const char* text :
       {"", " 1", "1 ", "4_2", "4.2", "1e3", "0x10", "+", "-", "+-1", "--1", "9223372036854775808",
        "-9223372036854775809", "99999999999999999999", "١", "abc"}) {
    cases.push_back({{str(text)}, refused("String(\"" + std::string(text) + "\")")});
  }
  expect_errors(fn::into_int, cases);
}

TEST(IntoFloatTest, Conversions) {
  expect_results(fn::into_float,
                 {
                     {{Value(9007199254740993)}, Value(9007199254740992.0)},
                     {{Value(kIntMax)}, Value(9223372036854775808.0)},
                     {{Value(-3)}, Value(-3.0)},
                     {{Value(2.5)}, Value(2.5)},
                     {{Value(true)}, Value(1.0)},
                     {{Value(false)}, Value(0.0)},
                     {{str("1")}, Value(1.0)},
                     {{str("1.")}, Value(1.0)},
                     {{str(".5")}, Value(0.5)},
                     {{str("-1.5e-3")}, Value(-0.0015)},
                     {{str("1E+2")}, Value(100.0)},
                     {{str("+2.5")}, Value(2.5)},
                     {{str("007")}, Value(7.0)},
                     {{str("0.1")}, Value(0.1)},
                     {{str("9007199254740993")}, Value(9007199254740992.0)},
                     {{str("1.7976931348623157e308")}, Value(std::numeric_limits<double>::max())},
                     {{str("5e-324")}, Value(std::numeric_limits<double>::denorm_min())},
                     {{str("inf")}, Value(kInf)},
                     {{str("-Infinity")}, Value(-kInf)},
                     {{str("+INF")}, Value(kInf)},
                     {{str("iNfInItY")}, Value(kInf)},
                     {{str("1e400")}, Value(kInf)},
                     {{str("-1e400")}, Value(-kInf)},
                     {{str("1.7976931348623159e308")}, Value(kInf)},
                     {{str("123456789e99999999999999999999")}, Value(kInf)},
                     {{str("1e-400")}, Value(0.0)},
                     {{str("0.000001e-320")}, Value(0.0)},
                 });
}

TEST(IntoFloatTest, SignsOfZerosAndNaNs) {
  const auto convert = [](const char* text) {
    const FnResult result = call(fn::into_float, {str(text)});
    EXPECT_TRUE(result) << text;
    return result ? *result->get_if<double>() : 0.0;
  };
  EXPECT_TRUE(std::signbit(convert("-1e-400")));
  EXPECT_FALSE(std::signbit(convert("1e-400")));
  EXPECT_TRUE(std::signbit(convert("-0")));
  EXPECT_TRUE(std::signbit(convert("-0e999999")));
  for (const char* text : {"NaN", "nan", "-nan", "+NAN"}) EXPECT_TRUE(std::isnan(convert(text)));
}

TEST(IntoFloatTest, RefusedValuesShowTheirDebugForm) {
  const auto refused = [](std::string debug) {
    return type_error("Expected a value that can be converted to 'f64', got '" + debug + "'");
  };
  std::vector<ErrorCase> cases = {
      {{Value()}, refused("Null")},
      {{arr({Value(1)})}, refused("Array([Int(1)])")},
      {{obj({{"a", str("b")}})}, refused("Object({\"a\": String(\"b\")})")},
  };
  for (const char* text : {"", ".", "e5", "1e", "1e+", " 1", "1 ", "1_0", "0x1p3", "+", "-",
                           "infin", "nan(1)", "++1", "1.5.2", ".e1", "1,5", "inf ", "١"}) {
    cases.push_back({{str(text)}, refused("String(\"" + std::string(text) + "\")")});
  }
  expect_errors(fn::into_float, cases);
}

TEST(Base64EncodeTest, PadsTheLastGroup) {
  expect_results(fn::base64_encode, {
                                        {{str("")}, owned("")},
                                        {{str("a")}, owned("YQ==")},
                                        {{str("ab")}, owned("YWI=")},
                                        {{str("abc")}, owned("YWJj")},
                                        {{str("abcd")}, owned("YWJjZA==")},
                                        {{str("é")}, owned("w6k=")},
                                        {{str("\xFF\xFE\xFD")}, owned("//79")},
                                    });
  expect_errors(fn::base64_encode,
                {{{Value(1)}, type_error("Expected a string argument, got: 'int'")}});
}

TEST(Base64DecodeTest, ResultsAndErrors) {
  const auto invalid = [](std::string reason) {
    return value_error("Invalid base64 string: '" + reason + "'");
  };
  expect_results(fn::base64_decode, {
                                        {{str("YQ==")}, owned("a")},
                                        {{str("")}, owned("")},
                                        {{str("w6k=")}, owned("é")},
                                        {{str("YWJjZA==")}, owned("abcd")},
                                    });
  expect_errors(fn::base64_decode,
                {
                    {{Value()}, type_error("Expected a string argument, got: 'null'")},
                    {{str("YQ")}, invalid("Invalid padding")},
                    {{str("Y")}, invalid("Invalid input length: 1")},
                    {{str("YR==")}, invalid("Invalid last symbol 82, offset 1.")},
                    {{str("YQ== ")}, invalid("Invalid symbol 32, offset 4.")},
                    {{str("/w==")},
                     value_error("Decoded bytes are not valid UTF-8: 'invalid "
                                 "utf-8 sequence of 1 bytes from index 0'")},
                    {{str("YeI=")},
                     value_error("Decoded bytes are not valid UTF-8: 'incomplete "
                                 "utf-8 byte sequence from index 1'")},
                });
}

}  // namespace
}  // namespace korvel
