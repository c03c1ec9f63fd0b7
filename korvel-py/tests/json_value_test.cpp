// PyJsonValue nested far deeper than any Python data may be (the conversions
// refuse data beyond 1,000 levels): copying, writing and releasing it take
// no call per level.
#include <gtest/gtest.h>

#include <string>

#include "korvel/debug_form.hpp"
#include "py_types/jsonobj.hpp"
#include "small_stack.hpp"

namespace korvel::py {
namespace {

// Arrays and objects in turn, `depth` levels deep around the integer 1.
PyJsonValue deep_value(std::size_t depth) {
  PyJsonValue value = PyJsonValue::uint(1);
  for (std::size_t i = 0; i < depth; ++i) {
    if (i % 2 == 0) {
      PyJsonValue::ArrayType items;
      items.push_back(std::move(value));
      items.push_back(PyJsonValue::string("s"));
      value = PyJsonValue::array(std::move(items));
    } else {
      PyJsonValue::ObjectType members;
      members.append_new("k", std::move(value));
      value = PyJsonValue::object(std::move(members));
    }
  }
  return value;
}

std::string debug(const PyJsonValue& value) {
  std::string out;
  write_debug(out, value);
  return out;
}

TEST(PyJsonValueTest, DeepValuesCopyWriteAndReleaseOnASmallStack) {
  testing::run_on_small_stack([] {
    const PyJsonValue value = deep_value(testing::kDeepNesting);
    PyJsonValue copy = value;
    EXPECT_TRUE(debug(copy) == debug(value));
    copy = PyJsonValue::null();
    EXPECT_EQ(debug(copy), "Null");
    EXPECT_EQ(debug(deep_value(2)), R"(Object({"k": Array([UInt(1), String("s")])}))");
  });
}

}  // namespace
}  // namespace korvel::py
