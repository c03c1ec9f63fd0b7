// A value nested many levels deep, for the tests of operations that must not
// recurse over its nesting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "korvel/value.hpp"

namespace korvel::testing {

// Arrays and objects in turn, `depth` levels deep around `bottom`; level i
// holds the integer i, the next level and a text borrowed from `text`:
// [0, {"a": 1, "b": [2, ..., "t"], "c": "t"}, "t"].
inline Value deep_value(std::size_t depth, std::string_view text, Value bottom) {
  Value value = std::move(bottom);
  for (std::size_t i = depth; i-- > 0;) {
    const auto n = static_cast<std::int64_t>(i);
    if (i % 2 == 0) {
      Array array;
      array.reserve(3);
      array.push_back(Value(n));
      array.push_back(std::move(value));
      array.push_back(Value(Text::borrowed(text)));
      value = Value(std::move(array));
    } else {
      Object object;
      object.insert_or_assign("a", Value(n));
      object.insert_or_assign("b", std::move(value));
      object.insert_or_assign("c", Value(Text::borrowed(text)));
      value = Value(std::move(object));
    }
  }
  return value;
}

// The text of deep_value(depth, ...) around the text of its bottom, in a form
// where level i opens with array_open(i) or object_open(i) and closes with
// array_close or object_close.
template <class ArrayOpen, class ObjectOpen>
std::string deep_text(std::size_t depth, std::string_view bottom, ArrayOpen array_open,
                      std::string_view array_close, ObjectOpen object_open,
                      std::string_view object_close) {
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) text += i % 2 == 0 ? array_open(i) : object_open(i);
  text += bottom;
  for (std::size_t i = depth; i-- > 0;) text += i % 2 == 0 ? array_close : object_close;
  return text;
}

}  // namespace korvel::testing
