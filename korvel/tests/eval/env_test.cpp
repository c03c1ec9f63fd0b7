#include "korvel/env.hpp"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "test_json.hpp"

namespace korvel {
namespace {

using testing::Json;

Bindings<Json> bindings(std::initializer_list<std::pair<std::string, Json>> pairs) {
  Bindings<Json> map;
  for (const auto& [name, value] : pairs) map.emplace(name, value);
  return map;
}

TEST(EnvTest, AnEmptyBuilderBuildsAnEmptyEnvWithTheDefaultTable) {
  const Env<Json> env = EnvBuilder<Json>().build();
  EXPECT_TRUE(env.vars().empty());
  EXPECT_EQ(env.find("x"), nullptr);
  EXPECT_EQ(&env.functions(), &default_vtable());
}

TEST(EnvTest, RebindingANameKeepsTheLastValue) {
  EnvBuilder<Json> builder;
  builder.bind_multiple(bindings({{"a", 1}, {"b", "x"}})).bind_multiple(bindings({{"a", 2}}));
  const Env<Json> env = builder.build();
  EXPECT_EQ(env.vars().size(), 2u);
  EXPECT_EQ(env.find("a")->as_i64(), 2);
  EXPECT_EQ(env.find("b")->as_str(), "x");
  EXPECT_EQ(env.find("A"), nullptr);
}

TEST(EnvTest, EachBuildCopiesTheBindingsAndOutlivesTheBuilder) {
  auto builder = std::make_unique<EnvBuilder<Json>>();
  builder->bind_multiple(bindings({{"s", "text"}}));
  const Env<Json> first = builder->build();
  const Env<Json> second = builder->build();
  EXPECT_NE(first.find("s"), second.find("s"));
  builder.reset();
  EXPECT_EQ(first.find("s")->as_str(), "text");
  EXPECT_EQ(&first.functions(), &second.functions());
}

TEST(EnvTest, AFinishedBuilderMovesItsBindingsIntoTheEnv) {
  Bindings<Json> map = bindings({{"s", std::string(64, 'x')}});
  const char* text = map.at("s").as_str()->data();
  EnvBuilder<Json> builder;
  builder.bind_multiple(std::move(map));
  const Env<Json> copied = builder.build();
  EXPECT_NE(copied.find("s")->as_str()->data(), text);
  const Env<Json> moved = std::move(builder).build();
  EXPECT_EQ(moved.find("s")->as_str()->data(), text);
  EXPECT_EQ(&moved.functions(), &default_vtable());
}

TEST(EnvTest, OwnedAndBorrowedTables) {
  FunctionTable table;
  table.emplace("f", FnCallback::Sync{std::make_shared<const SyncFunction>(
                         [](Arguments) -> FnResult { return Value(1); })});
  const Env<Json> owned = EnvBuilder<Json>(table).build();
  EXPECT_NE(&owned.functions(), &table);
  EXPECT_EQ(owned.functions().size(), 1u);
  const Env<Json> borrowed = EnvBuilder<Json>(&table).build();
  EXPECT_EQ(&borrowed.functions(), &table);
}

TEST(DefaultVtableTest, HoldsExactlyTheFifteenBuiltins) {
  const std::set<std::string_view> expected = {
      "matches", "len",          "startsWith",   "endsWith", "contains", "bool", "string", "int",
      "float",   "base64Encode", "base64Decode", "replace",  "format",   "join", "split"};
  std::set<std::string_view> names;
  for (const auto& [name, callback] : default_vtable()) {
    names.insert(name);
    EXPECT_NE(callback.sync(), nullptr) << name;
  }
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(default_vtable().contains("startswith"));
  EXPECT_FALSE(default_vtable().contains("Len"));
}

TEST(DefaultVtableTest, ConcurrentFirstUsersSeeOneTable) {
  std::vector<const FunctionTable*> seen(8);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = &default_vtable(); });
  for (auto& thread : threads) thread.join();
  for (const FunctionTable* table : seen) EXPECT_EQ(table, &default_vtable());
}

}  // namespace
}  // namespace korvel
