#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "builtins/builtin_calls.hpp"
#include "builtins/builtins.hpp"

namespace korvel {
namespace {

using namespace korvel::builtin_test;
namespace fn = korvel::functions;

Value owned(std::string s) { return Value(Text::owned(std::move(s))); }

Value strings(std::initializer_list<const char*> pieces) {
  Array array;
  for (const char* piece : pieces) array.emplace_back(Text::borrowed(piece));
  return Value(std::move(array));
}

TEST(LenTest, CountsCharactersElementsAndEntries) {
  expect_results(fn::len, {
                              {{str("héllo")}, Value(5)},
                              {{str("")}, Value(0)},
                              {{owned("日本")}, Value(2)},
                              {{str("😀")}, Value(1)},
                              {{arr({Value(1), arr({Value(2), Value(3)})})}, Value(2)},
                              {{arr({})}, Value(0)},
                              {{obj({{"a", Value(1)}, {"b", Value()}})}, Value(2)},
                              {{obj({})}, Value(0)},
                          });
}

TEST(LenTest, Errors) {
  const auto message = [](std::string type) {
    return type_error("Expected a string, array, or object, got: '" + type + "'");
  };
  expect_errors(fn::len, {
                             {{}, count_error(1, 0)},
                             {{str("a"), str("b")}, count_error(1, 2)},
                             {{Value(1)}, message("int")},
                             {{Value(1.5)}, message("float")},
                             {{Value(true)}, message("bool")},
                             {{Value()}, message("null")},
                         });
  EXPECT_EQ(to_string(call(fn::len, {str("a"), str("b")}).error()),
            "Argument Error: Expected 1 arguments, but got 2");
}

TEST(StartsWithEndsWithTest, CompareBytes) {
  expect_results(fn::starts_with, {
                                      {{str("hello"), str("he")}, Value(true)},
                                      {{str("hello"), str("lo")}, Value(false)},
                                      {{str("hello"), str("")}, Value(true)},
                                      {{str(""), str("")}, Value(true)},
                                      {{str("he"), str("hello")}, Value(false)},
                                      {{str("Hello"), str("he")}, Value(false)},
                                      {{str("éa"), str("\xC3")}, Value(true)},
                                  });
  expect_results(fn::ends_with, {
                                    {{str("hello"), str("lo")}, Value(true)},
                                    {{str("hello"), str("he")}, Value(false)},
                                    {{str("hello"), str("")}, Value(true)},
                                    {{str(""), str("")}, Value(true)},
                                    {{str("lo"), str("hello")}, Value(false)},
                                });
}

TEST(StartsWithEndsWithTest, Errors) {
  for (const Builtin builtin : {fn::starts_with, fn::ends_with}) {
    expect_errors(builtin,
                  {
                      {{str("a")}, count_error(2, 1)},
                      {{str("a"), str("b"), str("c")}, count_error(2, 3)},
                      {{Value(1), Value(2)},
                       type_error("Expected a string as the first argument, got: 'int'")},
                      {{str("a"), arr({})},
                       type_error("Expected a string as the second argument, got: 'array'")},
                  });
  }
}

TEST(ContainsTest, DecidedByTheFirstArgument) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  expect_results(fn::contains,
                 {
                     {{str("hello"), str("ell")}, Value(true)},
                     {{str("hello"), str("")}, Value(true)},
                     {{str(""), str("")}, Value(true)},
                     {{str("hello"), str("Ell")}, Value(false)},
                     {{str("ab"), str("abc")}, Value(false)},
                     {{arr({Value(1)}), Value(1)}, Value(true)},
                     {{arr({Value(1)}), Value(1.0)}, Value(false)},
                     {{arr({Value(nan)}), Value(nan)}, Value(false)},
                     {{arr({arr({Value(1), str("x")})}), arr({Value(1), str("x")})}, Value(true)},
                     {{arr({obj({{"a", Value()}})}), obj({{"a", Value()}})}, Value(true)},
                     {{arr({Value()}), Value()}, Value(true)},
                     {{arr({}), Value()}, Value(false)},
                     {{arr({str("a")}), owned("a")}, Value(true)},
                     {{obj({{"a", str("b")}}), str("a")}, Value(true)},
                     {{obj({{"a", str("b")}}), str("b")}, Value(false)},
                     {{obj({}), str("")}, Value(false)},
                 });
}

TEST(ContainsTest, Errors) {
  const auto message = [](const char* first, const char* second) {
    return type_error(
        std::string("Expected (string, string), (array, value), or (object, string) arguments, "
                    "got: ('") +
        first + "', '" + second + "')");
  };
  expect_errors(fn::contains, {
                                  {{str("a")}, count_error(2, 1)},
                                  {{arr({}), Value(1), Value(2)}, count_error(2, 3)},
                                  {{obj({{"a", Value(1)}}), Value(1)}, message("object", "int")},
                                  {{str("a"), Value(1)}, message("string", "int")},
                                  {{Value(1), str("a")}, message("int", "string")},
                                  {{Value(), Value()}, message("null", "null")},
                                  {{obj({}), arr({})}, message("object", "array")},
                              });
}

TEST(ReplaceTest, LiteralNonOverlappingReplacement) {
  expect_results(fn::replace, {
                                  {{str("aaaa"), str("aa"), str("b")}, owned("bb")},
                                  {{str("aaa"), str("aa"), str("b")}, owned("ba")},
                                  {{str("abc"), str(""), str("-")}, owned("-a-b-c-")},
                                  {{str("é"), str(""), str("-")}, owned("-é-")},
                                  {{str(""), str(""), str("-")}, owned("-")},
                                  {{str(""), str("x"), str("-")}, owned("")},
                                  {{str("abc"), str("x"), str("-")}, owned("abc")},
                                  {{str("a.b.c"), str("."), str("")}, owned("abc")},
                                  // The inserted text is not scanned again.
                                  {{str("aXa"), str("a"), str("aa")}, owned("aaXaa")},
                                  {{str("a+b"), str("+"), str(".*")}, owned("a.*b")},
                              });
}

TEST(ReplaceTest, Errors) {
  expect_errors(fn::replace,
                {
                    {{str("a"), str("b")}, count_error(3, 2)},
                    {{Value(1), Value(2), Value(3)},
                     type_error("Expected a string as the first argument, got: 'int'")},
                    {{str("a"), Value(), Value(3)},
                     type_error("Expected a string as the second argument, got: 'null'")},
                    {{str("a"), str("b"), Value(3)},
                     type_error("Expected a string as the third argument, got: 'int'")},
                });
}

TEST(SplitTest, KeepsEmptyPieces) {
  expect_results(fn::split, {
                                {{str("a,b,,c"), str(",")}, strings({"a", "b", "", "c"})},
                                {{str(",a,"), str(",")}, strings({"", "a", ""})},
                                {{str("aaa"), str("aa")}, strings({"", "a"})},
                                {{str("abc"), str("")}, strings({"", "a", "b", "c", ""})},
                                {{str("éa"), str("")}, strings({"", "é", "a", ""})},
                                {{str(""), str("")}, strings({"", ""})},
                                {{str(""), str(",")}, strings({""})},
                                {{str("abc"), str(",")}, strings({"abc"})},
                                {{str("a--b"), str("--")}, strings({"a", "b"})},
                            });
}

TEST(SplitTest, Errors) {
  expect_errors(fn::split,
                {
                    {{str("a")}, count_error(2, 1)},
                    {{Value(1.5), str(",")},
                     type_error("Expected a string as the first argument, got: 'float'")},
                    {{str("a"), obj({})},
                     type_error("Expected a string as the second argument, got: 'object'")},
                });
}

TEST(JoinTest, RendersEveryElement) {
  expect_results(
      fn::join,
      {
          {{arr({Value(1), Value(2.5), Value(true), Value()}), str("-")}, owned("1-2.5-true-null")},
          {{arr({str("a\"b"), arr({str("x")})}), str(" ")}, owned(R"(a"b ["x"])")},
          {{arr({obj({{"k", str("v")}})}), str(",")}, owned(R"({"k": "v"})")},
          {{arr({}), str("-")}, owned("")},
          {{arr({str("only")}), str("-")}, owned("only")},
          {{arr({Value(3.0), Value(-0.0)}), str("")}, owned("3-0")},
      });
}

TEST(JoinTest, Errors) {
  expect_errors(fn::join,
                {
                    {{arr({})}, count_error(2, 1)},
                    {{str("a"), str("-")}, type_error("Expected an array argument, got: 'string'")},
                    {{arr({}), Value(1)}, type_error("Expected a string argument, got: 'int'")},
                });
}

TEST(TextBuiltinsTest, LeaveTheirArgumentsUnchanged) {
  const std::vector<Value> args = {str("a,b"), str(",")};
  const std::vector<Value> before = args;
  const FnResult first = call(fn::split, args);
  const FnResult second = call(fn::split, args);
  EXPECT_EQ(args, before);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(*first, *second);
}

}  // namespace
}  // namespace korvel
