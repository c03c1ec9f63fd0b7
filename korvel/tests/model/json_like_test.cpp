#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "korvel/interpreter.hpp"
#include "korvel/parser.hpp"
#include "korvel/value-inl.hpp"
#include "printers.hpp"
#include "small_stack.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

TEST(JsonLikeTest, Numbers) {
  const std::pair<Json, Value> cases[] = {
      {Json(Json::UInt{5}), Value(5)},
      {Json(Json::UInt{INT64_MAX}), Value(INT64_MAX)},
      {Json(Json::UInt{1ULL << 63}), Value(9223372036854775808.0)},
      // Ties to even: 2^64-1 lies between two doubles and reads as 2^64.
      {Json(Json::UInt{UINT64_MAX}), Value(18446744073709551616.0)},
      {Json(std::int64_t{INT64_MIN}), Value(INT64_MIN)},
      {Json(1.0), Value(1.0)},
      {Json(true), Value(true)},
      {Json(), Value()},
  };
  for (const auto& [bound, expected] : cases) {
    auto by_ref = Value::from_json_object_ref(bound);
    ASSERT_TRUE(by_ref);
    EXPECT_EQ(*by_ref, expected);
    EXPECT_EQ(by_ref->tag(), expected.tag());
    auto owned = Value::from_json_object(bound);
    ASSERT_TRUE(owned);
    EXPECT_EQ(*owned, expected);
  }
  auto nan = Value::from_json_object_ref(Json(std::nan("")));
  ASSERT_TRUE(nan);
  EXPECT_TRUE(std::isnan(*nan->get_if<double>()));
}

TEST(JsonLikeTest, ReferencedTextIsBorrowedAndOwnedTextIsMoved) {
  const Json bound("some text");
  auto by_ref = Value::from_json_object_ref(bound);
  ASSERT_TRUE(by_ref);
  const Text& borrowed = *by_ref->get_if<Text>();
  EXPECT_TRUE(borrowed.is_borrowed());
  EXPECT_EQ(borrowed.view().data(), bound.as_str()->data());

  Json consumed(std::string(64, 'x'));
  const char* buffer = consumed.as_str()->data();
  auto owned = Value::from_json_object(std::move(consumed));
  ASSERT_TRUE(owned);
  EXPECT_FALSE(owned->get_if<Text>()->is_borrowed());
  EXPECT_EQ(owned->get_if<Text>()->view().data(), buffer);
  EXPECT_EQ(*owned, Value(Text::borrowed(std::string(64, 'x'))));
}

TEST(JsonLikeTest, ContainersKeepTheirOrderAndSortTheirKeys) {
  const Json bound = Json::array(
      {1, "t", Json::object({}), Json::object({{"b", 1}, {"B", 2}, {"a", Json::array({})}})});
  auto value = Value::from_json_object_ref(bound);
  ASSERT_TRUE(value);
  EXPECT_EQ(debug_string(*value),
            "Array([Int(1), String(\"t\"), Object({}), "
            "Object({\"B\": Int(2), \"a\": Array([]), \"b\": Int(1)})])");
  EXPECT_EQ(*Value::from_json_object(bound), *value);
  EXPECT_EQ(*Value::from_json_object_ref(Json("")), Value(Text()));
}

TEST(JsonLikeTest, DeepNestingNeedsNoDeepStack) {
  constexpr std::size_t kDepth = testing::kDeepNesting;
  testing::run_on_small_stack([&] {
    Value expected(Text::owned("bottom"));
    for (std::size_t i = 0; i < kDepth; ++i) {
      if (i % 2 == 0) {
        Array items;
        items.push_back(std::move(expected));
        items.push_back(Value(static_cast<std::int64_t>(i)));
        expected = Value(std::move(items));
      } else {
        Object members;
        members.insert_or_assign("k", std::move(expected));
        expected = Value(std::move(members));
      }
    }
    Json bound = testing::deep_json(kDepth, Json("bottom"));
    auto by_ref = Value::from_json_object_ref(bound);
    ASSERT_TRUE(by_ref);
    EXPECT_TRUE(*by_ref == expected);
    auto owned = Value::from_json_object(std::move(bound));
    ASSERT_TRUE(owned);
    EXPECT_TRUE(*owned == expected);
  });
}

// A bound value that answers none of the type tests.
struct Opaque {
  using ArrayType = std::vector<Opaque>;
  using ObjectType = std::vector<std::pair<std::string, Opaque>>;

  static Opaque null() { return {}; }
  bool is_null() const { return false; }
  const Opaque* get_member(std::string_view) const { return nullptr; }
  bool is_object() const { return false; }
  const ObjectType* as_object() const { return nullptr; }
  std::optional<ObjectType> into_object() && { return std::nullopt; }
  bool is_array() const { return false; }
  const ArrayType* as_array() const { return nullptr; }
  std::optional<ArrayType> into_array() && { return std::nullopt; }
  bool is_string() const { return false; }
  std::optional<std::string_view> as_str() const { return std::nullopt; }
  std::optional<std::string> into_string() && { return std::nullopt; }
  std::optional<std::int64_t> as_i64() const { return std::nullopt; }
  std::optional<std::uint64_t> as_u64() const { return std::nullopt; }
  std::optional<double> as_f64() const { return std::nullopt; }
  std::optional<bool> as_bool() const { return std::nullopt; }
};
static_assert(JsonLike<Opaque>);

TEST(JsonLikeTest, AValueOfNoKnownTypeIsRefused) {
  auto by_ref = Value::from_json_object_ref(Opaque{});
  ASSERT_FALSE(by_ref);
  EXPECT_EQ(by_ref.error(), "Unsupported value type");
  auto owned = Value::from_json_object(Opaque{});
  ASSERT_FALSE(owned);
  EXPECT_EQ(owned.error(), "Unsupported value type");

  // The evaluator reports it as a failed variable read.
  Bindings<Opaque> bindings;
  bindings.emplace("x", Opaque{});
  const Env<Opaque> env = EnvBuilder<Opaque>().bind_multiple(std::move(bindings)).build();
  const Exp tree = std::move(parser::parse_exp("x")->value);
  auto result = interpreter::eval(tree, env);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(),
            EvalError(VarAccessError(VarAccessError::ConversionError{"Unsupported value type"})));
  EXPECT_EQ(to_string(result.error()), "Conversion error: Unsupported value type");
}

}  // namespace
}  // namespace korvel
