#include "korvel/debug_form.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "small_stack.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

std::string debug(const Json& value) {
  std::string out;
  write_debug(out, value);
  return out;
}

TEST(DebugFormTest, BoundValues) {
  const std::pair<Json, std::string_view> cases[] = {
      {Json(), "Null"},
      {Json(true), "Bool(true)"},
      {Json(Json::UInt{5}), "UInt(5)"},
      {Json(Json::UInt{UINT64_MAX}), "UInt(18446744073709551615)"},
      {Json(-5), "Int(-5)"},
      {Json(1.0), "Float(1.0)"},
      {Json(1e16), "Float(1e16)"},
      {Json(0.00001), "Float(1e-5)"},
      {Json(-0.0), "Float(-0.0)"},
      {Json(std::nan("")), "Float(NaN)"},
      {Json("it's \"q\"\\\n\u0301"), R"(String("it's \"q\"\\\n\u{301}"))"},
      {Json::array({}), "Array([])"},
      {Json::array({Json(Json::UInt{1}), Json()}), "Array([UInt(1), Null])"},
      {Json::object({}), "Object({})"},
      // Members in the value's own order.
      {Json::object({{"b", 1}, {"a", Json::array({"x"})}}),
       R"(Object({"b": Int(1), "a": Array([String("x")])}))"},
  };
  for (const auto& [value, shown] : cases) EXPECT_EQ(debug(value), shown);
}

TEST(DebugFormTest, DeepNestingNeedsNoDeepStack) {
  constexpr std::size_t kDepth = testing::kDeepNesting;
  // Level i, counted from the bottom, is an array when i is even.
  std::string expected;
  for (std::size_t i = kDepth; i-- > 0;) expected += i % 2 == 0 ? "Array([" : R"(Object({"k": )";
  expected += "Null";
  for (std::size_t i = 0; i < kDepth; ++i) {
    expected += i % 2 == 0 ? ", UInt(" + std::to_string(i) + ")])" : std::string("})");
  }
  testing::run_on_small_stack(
      [&] { EXPECT_TRUE(debug(testing::deep_json(kDepth, Json())) == expected); });
}

}  // namespace
}  // namespace korvel
