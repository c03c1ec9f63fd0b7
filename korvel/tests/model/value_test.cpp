#include "korvel/value.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "deep_value.hpp"
#include "printers.hpp"
#include "small_stack.hpp"

namespace korvel {
namespace {

Value str(std::string_view s) { return Value(Text::borrowed(s)); }
Value owned(std::string s) { return Value(Text::owned(std::move(s))); }

Object object_of(std::initializer_list<std::pair<const char*, Value>> entries) {
  Object object;
  for (const auto& [key, value] : entries) object.insert_or_assign(key, value);
  return object;
}

TEST(ValueTest, TypesAndTheirNames) {
  EXPECT_EQ(type_name(Value(1.5).get_type()), "float");
  EXPECT_EQ(type_name(str("a").get_type()), "string");
  EXPECT_EQ(type_name(Value().get_type()), "null");
  EXPECT_EQ(type_name(Value(1).get_type()), "int");
  EXPECT_EQ(type_name(Value(true).get_type()), "bool");
  EXPECT_EQ(type_name(Value(Array{}).get_type()), "array");
  EXPECT_EQ(type_name(Value(Object{}).get_type()), "object");
}

TEST(ValueTest, Truthiness) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<Value, bool> cases[] = {
      {Value(0), false},
      {Value(-1), true},
      {Value(0.0), false},
      {Value(-0.0), false},
      {Value(nan), true},
      {str(""), false},
      {str(" "), true},
      {str("false"), true},
      {Value(Array{}), false},
      {Value(Object{}), false},
      {Value(Array{Value()}), true},
      {Value(object_of({{"a", Value()}})), true},
      {Value(), false},
      {Value(false), false},
      {Value(true), true},
  };
  for (const auto& [value, truthy] : cases) {
    EXPECT_EQ(value.is_truthy(), truthy) << debug_string(value);
  }
}

TEST(ValueTest, EqualityNeedsTheSameVariant) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(Value(1), Value(1.0));
  EXPECT_EQ(Value(0.0), Value(-0.0));
  EXPECT_NE(Value(nan), Value(nan));
  EXPECT_NE(Value(Array{Value(nan)}), Value(Array{Value(nan)}));
  EXPECT_EQ(Value(), Value());
  EXPECT_NE(Value(), Value(false));
  EXPECT_EQ(str("abc"), owned("abc"));
  EXPECT_NE(str("abc"), str("abd"));
  EXPECT_NE(Value(Array{Value(1)}), Value(Array{Value(1), Value(2)}));
}

TEST(ValueTest, ObjectsCompareByKeysAndValuesWhateverTheInsertionOrder) {
  const Value ab = object_of({{"a", Value(1)}, {"b", str("x")}});
  const Value ba = object_of({{"b", str("x")}, {"a", Value(1)}});
  const Value other = object_of({{"a", Value(1)}, {"b", str("y")}});
  EXPECT_EQ(ab, ba);
  EXPECT_NE(ab, other);
}

TEST(ValueTest, ObjectKeepsKeysInByteOrderAndReplacesRepeatedKeys) {
  Object object;
  object.insert_or_assign("b", Value(1));
  object.insert_or_assign("B", Value(2));
  object.insert_or_assign("a", Value(3));
  object.insert_or_assign("\xc3\xa9", Value(4));  // bytes above 0x7F sort last
  object.insert_or_assign("ab", Value(5));        // a prefix sorts first
  object.insert_or_assign("b", Value(6));
  std::string keys;
  for (const auto& entry : object) keys += entry.key + ",";
  EXPECT_EQ(keys, "B,a,ab,b,\xc3\xa9,");
  ASSERT_NE(object.find("b"), nullptr);
  EXPECT_EQ(*object.find("b"), Value(6));
  EXPECT_EQ(object.find("c"), nullptr);
}

TEST(ValueTest, FromEntriesSortsOnceAndKeepsTheLastOfEachKey) {
  const auto keys_and_values = [](const Object& object) {
    std::string out;
    for (const auto& entry : object) out += entry.key + "=" + debug_string(entry.value) + ",";
    return out;
  };
  const auto entries = [](std::initializer_list<std::pair<const char*, int>> pairs) {
    std::vector<ObjectEntry> out;
    for (const auto& [key, value] : pairs) out.push_back(ObjectEntry{key, Value(value)});
    return out;
  };
  const std::pair<std::vector<ObjectEntry>, const char*> cases[] = {
      {entries({}), ""},
      {entries({{"a", 1}, {"b", 2}}), "a=Int(1),b=Int(2),"},
      {entries({{"b", 1}, {"B", 2}, {"a", 3}, {"\xc3\xa9", 4}, {"ab", 5}}),
       "B=Int(2),a=Int(3),ab=Int(5),b=Int(1),\xc3\xa9=Int(4),"},
      {entries({{"k", 1}, {"a", 2}, {"k", 3}, {"k", 4}, {"a", 5}}), "a=Int(5),k=Int(4),"},
      {entries({{"a", 1}, {"a", 2}}), "a=Int(2),"},
      {entries({{"c", 1}, {"b", 2}, {"a", 3}}), "a=Int(3),b=Int(2),c=Int(1),"},
      // Descending, but with a key given twice: the later one stays.
      {entries({{"c", 1}, {"b", 2}, {"b", 3}, {"a", 4}}), "a=Int(4),b=Int(3),c=Int(1),"},
  };
  for (const auto& [given, expected] : cases) {
    EXPECT_EQ(keys_and_values(Object::from_entries(given)), expected);
  }

  // Descending keys, the order that inserting one by one makes quadratic.
  std::vector<ObjectEntry> descending;
  for (int i = 20'000; i > 0; --i) descending.push_back(ObjectEntry{std::to_string(i), Value(i)});
  const Object object = Object::from_entries(std::move(descending));
  ASSERT_EQ(object.size(), 20'000U);
  EXPECT_EQ(object.begin()->key, "1");
  EXPECT_EQ(*object.find("10000"), Value(10'000));
}

TEST(ValueTest, CopyKeepsBorrowedTextBorrowed) {
  const std::string source = "hello";
  const Value borrowed = str(source);
  const Value copy = borrowed;
  EXPECT_TRUE(copy.get_if<Text>()->is_borrowed());
  EXPECT_EQ(copy.get_if<Text>()->view().data(), source.data());

  const Value owned_copy = owned("hello");
  EXPECT_FALSE(Value(owned_copy).get_if<Text>()->is_borrowed());
}

TEST(ValueTest, IntoOwnedCopiesBorrowedTextEverywhere) {
  std::string source = "text";
  Object object;
  object.insert_or_assign("k", str(source));
  Value value(Array{str(source), Value(std::move(object)), Value(1)});
  Value result = Value(value).into_owned();
  source.assign("XXXX");  // the owned result must not see this
  const Array& items = *result.get_if<Array>();
  EXPECT_FALSE(items[0].get_if<Text>()->is_borrowed());
  EXPECT_EQ(items[0], owned("text"));
  const Value& member = *items[1].get_if<Object>()->find("k");
  EXPECT_FALSE(member.get_if<Text>()->is_borrowed());
  EXPECT_EQ(member, owned("text"));
  EXPECT_EQ(items[2], Value(1));
}

TEST(ValueTest, IntoOwnedMovesOwnedText) {
  std::string text(100, 'x');
  const char* buffer = text.data();
  Value value = owned(std::move(text));
  Value result = std::move(value).into_owned();
  EXPECT_EQ(result.get_if<Text>()->view().data(), buffer);
}

// The level below, and the text beside it.
std::pair<const Value*, const Value*> next_level(const Value& level) {
  if (const Array* array = level.get_if<Array>()) return {&(*array)[1], &(*array)[2]};
  const Object& object = *level.get_if<Object>();
  return {object.find("b"), object.find("c")};
}

TEST(ValueTest, DeepNestingNeedsNoDeepStack) {
  using testing::deep_value;
  constexpr std::size_t kDepth = testing::kDeepNesting;
  const std::string text = "t";
  testing::run_on_small_stack([&] {
    const Value original = deep_value(kDepth, text, Value(1));
    Value copy = original;
    EXPECT_TRUE(copy == original);
    EXPECT_FALSE(copy == deep_value(kDepth, text, Value(1.0)));

    const auto n = [](std::size_t i) { return std::to_string(i); };
    EXPECT_TRUE(debug_string(original) ==
                testing::deep_text(
                    kDepth, "Int(1)", [&](std::size_t i) { return "Array([Int(" + n(i) + "), "; },
                    R"(, String("t")]))",
                    [&](std::size_t i) { return R"(Object({"a": Int()" + n(i) + R"(), "b": )"; },
                    R"(, "c": String("t")}))"));

    const Value owned = std::move(copy).into_owned();
    EXPECT_TRUE(owned == original);
    std::size_t borrowed = 0;
    const Value* level = &owned;
    for (std::size_t i = 0; i < kDepth; ++i) {
      const auto [below, beside] = next_level(*level);
      if (beside->get_if<Text>()->is_borrowed()) ++borrowed;
      level = below;
    }
    EXPECT_EQ(borrowed, 0u);
    EXPECT_EQ(*level, Value(1));
  });
}

TEST(ValueTest, DebugForms) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<Value, const char*> cases[] = {
      {Value(1), "Int(1)"},
      {Value(-5), "Int(-5)"},
      {Value(std::numeric_limits<std::int64_t>::min()), "Int(-9223372036854775808)"},
      {Value(3.0), "Float(3.0)"},
      {Value(1.5), "Float(1.5)"},
      {Value(1e16), "Float(1e16)"},
      {Value(0.00001), "Float(1e-5)"},
      {Value(1.5e-5), "Float(1.5e-5)"},
      {Value(1e-7), "Float(1e-7)"},
      {Value(0.0001), "Float(0.0001)"},
      {Value(0.000099), "Float(9.9e-5)"},
      {Value(9999999999999998.0), "Float(9999999999999998.0)"},
      {Value(1e15), "Float(1000000000000000.0)"},
      {Value(0.1), "Float(0.1)"},
      {Value(100.0), "Float(100.0)"},
      {Value(123.456), "Float(123.456)"},
      {Value(0.0), "Float(0.0)"},
      {Value(-0.0), "Float(-0.0)"},
      {Value(std::numeric_limits<double>::max()), "Float(1.7976931348623157e308)"},
      {Value(std::numeric_limits<double>::denorm_min()), "Float(5e-324)"},
      {Value(-2.5e20), "Float(-2.5e20)"},
      {Value(std::numeric_limits<double>::quiet_NaN()), "Float(NaN)"},
      {Value(-std::numeric_limits<double>::quiet_NaN()), "Float(NaN)"},
      {Value(inf), "Float(inf)"},
      {Value(-inf), "Float(-inf)"},
      {Value(true), "Bool(true)"},
      {Value(false), "Bool(false)"},
      {Value(), "Null"},
      {str(""), "String(\"\")"},
      {Value(Array{}), "Array([])"},
      {Value(Object{}), "Object({})"},
      {Value(Array{Value(1), str("a"), Value(Object{})}),
       "Array([Int(1), String(\"a\"), Object({})])"},
      {Value(object_of({{"b", Value(1)}, {"a", Value()}})), "Object({\"a\": Null, \"b\": Int(1)})"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(debug_string(value), expected);
}

TEST(ValueTest, DebugQuoting) {
  const std::pair<std::string_view, const char*> cases[] = {
      {"a\"b\\c\nd'e", R"(String("a\"b\\c\nd'e"))"},
      {std::string_view("\0\t\r", 3), R"(String("\0\t\r"))"},
      {"\x07", R"(String("\u{7}"))"},
      {"\x01\x1f\x7f", R"(String("\u{1}\u{1f}\u{7f}"))"},
      {"\xc2\x80\xc2\x9f", R"(String("\u{80}\u{9f}"))"},
      {"\xc2\xa0", R"(String("\u{a0}"))"},              // NO-BREAK SPACE, Zs
      {"\xe2\x80\x8b", R"(String("\u{200b}"))"},        // ZERO WIDTH SPACE, Cf
      {"\xe2\x80\xa8", R"(String("\u{2028}"))"},        // LINE SEPARATOR, Zl
      {"\xee\x80\x80", R"(String("\u{e000}"))"},        // private use, Co
      {"\xf4\x8f\xbf\xbf", R"(String("\u{10ffff}"))"},  // unassigned, Cn
      {"e\xcc\x81", R"(String("e\u{301}"))"},           // combining acute, Grapheme_Extend
      // Unicode 16.0: KANNADA VOWEL SIGN II became Grapheme_Extend, AHOM CONSONANT
      // SIGN MEDIAL RA stopped being one, GARAY DIGIT ZERO is new.
      {"\xe0\xb3\x80", R"(String("\u{cc0}"))"},
      {"\xf0\x91\x9c\x9e", "String(\"\xf0\x91\x9c\x9e\")"},
      {"\xf0\x90\xb5\x80", "String(\"\xf0\x90\xb5\x80\")"},
      {"\xc3\xa9\xe6\x97\xa5", "String(\"\xc3\xa9\xe6\x97\xa5\")"},  // printable text
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(debug_string(str(text)), expected);
}

}  // namespace
}  // namespace korvel
