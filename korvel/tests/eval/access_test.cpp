#include <gtest/gtest.h>

#include <span>
#include <tuple>
#include <vector>

#include "korvel/parser.hpp"
#include "korvel/var-inl.hpp"
#include "small_stack.hpp"
#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

VarAccess path(std::string_view text) {
  auto parsed = parser::parse_variable_name(text);
  EXPECT_TRUE(parsed && parsed->rest.empty()) << text;
  return parsed->value;
}

class AccessFromBindingsTest : public ::testing::Test {
 protected:
  static Env<Json> make_env() {
    Bindings<Json> bindings;
    bindings.emplace("a", Json::array({Json::object({{"b", 1}})}));
    bindings.emplace("o", Json::object({{"k", Json::array({10, 20})}}));
    bindings.emplace("s", Json(Json::UInt{5}));
    bindings.emplace("Z", Json(1));
    return EnvBuilder<Json>().bind_multiple(std::move(bindings)).build();
  }

  Expected<MaybeOwned<Json>, VarAccessError> access(std::string_view text) {
    return VarAccess::access_from_bindings(path(text).names(), env_);
  }

  std::string error(std::string_view text) {
    auto result = access(text);
    EXPECT_FALSE(result) << text;
    return result ? "" : to_string(result.error());
  }

  Env<Json> env_ = make_env();
};

TEST_F(AccessFromBindingsTest, Successes) {
  auto whole = access("a");
  ASSERT_TRUE(whole);
  EXPECT_TRUE(whole->is_borrowed());
  EXPECT_EQ(&whole->get(), env_.find("a"));
  EXPECT_TRUE(access("a[0]")->get().is_object());
  EXPECT_EQ(access("a[0].b")->get().as_i64(), 1);
  EXPECT_EQ(access("o.k[1]")->get().as_i64(), 20);
}

TEST_F(AccessFromBindingsTest, Failures) {
  const std::pair<const char*, const char*> cases[] = {
      {"a[1]", "Index out of bounds: Index out of bounds at 'a[1]' (index: 1, length: 1)"},
      {"a[1].b", "Index out of bounds: Index out of bounds at 'a[1]' (index: 1, length: 1)"},
      {"s[0]", "Type error: Expected array at 's[0]', found UInt(5)"},
      {"s.b", "Object 's' does not contain key 'b'"},
      {"o.k[2]", "Index out of bounds: Index out of bounds at 'o' (index: 2, length: 2)"},
      {"o.x", "Object 'o' does not contain key 'x'"},
      {"o.k.z", "Object 'o.k' does not contain key 'z'"},
      {"o.k[0].z", "Object 'o.k[0]' does not contain key 'z'"},
      {"a[0].b[0]", "Type error: Expected array at 'a[0]', found Int(1)"},
      {"z", "Variable not found: z"},
      {"z.y", "Variable not found: z"},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(error(text), message) << text;
}

TEST_F(AccessFromBindingsTest, AnEmptyPathIsTheOwnedNull) {
  auto result = VarAccess::access_from_bindings<Json>({}, env_);
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->is_borrowed());
  EXPECT_TRUE(result->get().is_null());
}

TEST(AccessNamesTest, WalksFromTheRoot) {
  const Json root = Json::object({{"a", Json::array({Json::object({{"b", 1}})})}});
  auto walk = [&](std::string_view text) {
    return VarAccess::access_names(path(text).names(), root, /*first_done=*/false);
  };
  EXPECT_EQ((*walk("a[0].b"))->as_i64(), 1);
  EXPECT_EQ(*walk("a"), root.get_member("a"));
  const std::pair<const char*, const char*> failures[] = {
      {"x", "Object '<root>' does not contain key 'x'"},
      {"a[3]", "Index out of bounds: Index out of bounds at '<root>' (index: 3, length: 1)"},
      {"a.b", "Object 'a' does not contain key 'b'"},
  };
  for (const auto& [text, message] : failures) {
    auto result = walk(text);
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(to_string(result.error()), message);
  }
  auto on_number = VarAccess::access_names(path("a").names(), Json(5), false);
  ASSERT_FALSE(on_number);
  EXPECT_EQ(to_string(on_number.error()), "Object '<root>' does not contain key 'a'");
}

// A lookup of the caller's own, which records the steps it is asked for.
struct RecordingLookup {
  std::span<const VarName> names;
  std::vector<std::size_t>* asked;

  const Json* operator()(const Json& value, std::size_t i) const {
    asked->push_back(i);
    return value.get_member(names[i].name);
  }
};

TEST(AccessNamesTest, AMemberLookupIsAskedForEachStepItWalks) {
  const Json root = Json::object({{"a", Json::array({Json::object({{"b", 1}})})}});
  for (const bool first_done : {false, true}) {
    // With first_done, root stands for the value bound to x.
    const VarAccess walked = path(first_done ? "x.a[0].b" : "a[0].b");
    std::vector<std::size_t> asked;
    auto found = VarAccess::access_names(std::span(walked.names()), root, first_done,
                                         RecordingLookup{walked.names(), &asked});
    ASSERT_TRUE(found);
    EXPECT_EQ((*found)->as_i64(), 1);
    EXPECT_EQ(asked,
              (first_done ? std::vector<std::size_t>{1, 2} : std::vector<std::size_t>{0, 1}));
  }
  // Errors read as those of the walk by name.
  for (const char* text : {"x", "a[3]", "a.b", "a[0].b[0]"}) {
    const VarAccess walked = path(text);
    std::vector<std::size_t> asked;
    auto by_lookup = VarAccess::access_names(std::span(walked.names()), root, false,
                                             RecordingLookup{walked.names(), &asked});
    auto by_name = VarAccess::access_names(std::span(walked.names()), root, false);
    ASSERT_FALSE(by_lookup) << text;
    EXPECT_EQ(to_string(by_lookup.error()), to_string(by_name.error())) << text;
  }
}

std::string debug(const Json& value) {
  std::string out;
  write_debug(out, value);
  return out;
}

TEST(ReplaceTest, PutsTheReplacementInPlaceAndReturnsTheOldValue) {
  Json root = Json::object({{"a", 1}, {"b", Json::array({1, Json::object({{"c", 2}})})}});
  auto old = path("b[1].c").replace(root, Json("x"));
  ASSERT_TRUE(old);
  EXPECT_EQ(debug(*old), "Int(2)");
  EXPECT_EQ(debug(root),
            "Object({\"a\": Int(1), \"b\": Array([Int(1), Object({\"c\": String(\"x\")})])})");
}

TEST(ReplaceTest, FailuresChangeNothing) {
  const std::tuple<const char*, Json, const char*> cases[] = {
      {"a.c", Json::object({{"a", Json::object({{"b", 1}})}}),
       "Object 'a' does not contain key 'c'"},
      {"a", Json(5), "Object '<root>' does not contain key 'a'"},
      {"a[0]", Json::object({{"a", Json::object({{"b", 1}})}}),
       "Type error: Expected array at '<root>'"},
      {"a.b[0]", Json::object({{"a", Json::object({{"b", 1}})}}),
       "Type error: Expected array at 'a'"},
      {"a[2]", Json::object({{"a", Json::array({1, 2})}}),
       "Index out of bounds: Index out of bounds at '<root>' (index: 2, length: 2)"},
  };
  for (const auto& [text, value, message] : cases) {
    Json root = value;
    auto result = path(text).replace(root, Json(0));
    ASSERT_FALSE(result) << text;
    EXPECT_EQ(to_string(result.error()), message);
    EXPECT_EQ(debug(root), debug(value)) << text;
  }
}

TEST(ReplaceTest, TheTargetIsFoundByTheSameWalkWithoutAChange) {
  const Json root = Json::object({{"a", 1}, {"b", Json::array({1, Json::object({{"c", 2}})})}});
  const VarAccess found_path = path("b[1].c");
  std::vector<std::size_t> asked;
  auto target = found_path.replace_target(root, RecordingLookup{found_path.names(), &asked});
  ASSERT_TRUE(target);
  EXPECT_EQ(*target, root.get_member("b")->as_array()->at(1).get_member("c"));
  EXPECT_EQ(asked, (std::vector<std::size_t>{0, 1}));
  for (const char* text : {"a.c", "b.c", "a[0]", "b[2]", "b[1].d"}) {
    const VarAccess failing = path(text);
    auto found = failing.replace_target(root, RecordingLookup{failing.names(), &asked});
    Json copy = root;
    auto replaced = failing.replace(copy, Json(0));
    ASSERT_FALSE(found) << text;
    ASSERT_FALSE(replaced) << text;
    EXPECT_EQ(to_string(found.error()), to_string(replaced.error())) << text;
  }
}

// The message of a type error shows the value found, and a replacement
// hands back the value it replaced, each of any depth.
TEST(ReplaceTest, DeepDataNeedsNoDeepStack) {
  constexpr std::size_t kDepth = testing::kDeepNesting;  // even: the outermost level is an object
  testing::run_on_small_stack([&] {
    Json::ObjectType members;  // built without copying: the test data's copies recurse
    members.emplace_back("a", testing::deep_json(kDepth, Json()));
    Json root(std::move(members));
    auto found = VarAccess::access_names(path("a.k[1]").names(), root, /*first_done=*/false);
    ASSERT_TRUE(found);
    EXPECT_EQ(debug(**found), "UInt(" + std::to_string(kDepth - 2) + ")");

    auto shown = VarAccess::access_names(path("a[0]").names(), root, /*first_done=*/false);
    ASSERT_FALSE(shown);
    const std::string message = to_string(shown.error());
    EXPECT_TRUE(
        message.starts_with(R"(Type error: Expected array at '<root>', found Object({"k": )"));
    EXPECT_TRUE(message.ends_with(", UInt(" + std::to_string(kDepth - 2) + ")])})"));

    auto old = path("a.k").replace(root, Json(0));
    ASSERT_TRUE(old);
    EXPECT_TRUE(old->is_array());
    EXPECT_EQ(debug(root), R"(Object({"a": Object({"k": Int(0)})}))");
  });
}

TEST(ResolveNameUntilTest, PathTexts) {
  const std::vector<VarName> names = {{"a", std::nullopt}, {"b", 2}, {"c", std::nullopt}};
  const VarName first{"x", 1};
  EXPECT_EQ(VarAccess::resolve_name_until(names, nullptr, 0), "<root>");
  EXPECT_EQ(VarAccess::resolve_name_until(names, nullptr, 1), "a");
  EXPECT_EQ(VarAccess::resolve_name_until(names, nullptr, 2), "a.b[2]");
  EXPECT_EQ(VarAccess::resolve_name_until(names, nullptr, 3), "a.b[2].c");
  EXPECT_EQ(VarAccess::resolve_name_until(names, &first, 0), "x[1]");
  EXPECT_EQ(VarAccess::resolve_name_until(names, &first, 2), "x[1].a.b[2]");
  EXPECT_THROW(VarAccess::resolve_name_until(names, nullptr, 4), InternalStop);
  EXPECT_THROW((void)VarAccess::access_names<Json>({}, Json(), false), InternalStop);
}

}  // namespace
}  // namespace korvel
