#include "korvel/errors.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

EvalError call_error(std::string name, EvalError inner) {
  return FnCallError{std::move(name), Box<EvalError>(std::move(inner))};
}

TEST(ErrorsTest, DisplayTexts) {
  using E = EvalError;
  using V = VarAccessError;
  const std::pair<EvalError, const char*> cases[] = {
      {V(V::Empty{}), "Variable access is empty"},
      {V(V::VariableNotFound{"x"}), "Variable not found: x"},
      {V(V::KeyNotFound{"a.b", "c"}), "Object 'a.b' does not contain key 'c'"},
      {V(V::KeyNotFound{"o", "it's"}), "Object 'o' does not contain key 'it's'"},
      {V(V::TypeError{"m"}), "Type error: m"},
      {V(V::IndexOutOfBounds{"m"}), "Index out of bounds: m"},
      {V(V::ConversionError{"m"}), "Conversion error: m"},
      {E::UndefinedFunction{"f"}, "Undefined function: f"},
      {E::TypeError{"m"}, "Type Error: m"},
      {E::ValueError{"m"}, "Value Error: m"},
      {E::RegexError{"m"}, "Regex Error: m"},
      {E::ArgumentError{1, 2}, "Argument Error: Expected 1 arguments, but got 2"},
      {E::AsyncInSyncContext{}, "Cannot call an async function in a sync context"},
      {E::Custom{""}, ""},
      {E::Custom{"whole message"}, "whole message"},
      {call_error("len", E::ArgumentError{1, 2}),
       "Error calling function 'len': Argument Error: Expected 1 arguments, but got 2"},
      {call_error("f", call_error("g", E::ValueError{"v"})),
       "Error calling function 'f': Error calling function 'g': Value Error: v"},
  };
  for (const auto& [error, text] : cases) EXPECT_EQ(to_string(error), text);
}

TEST(ErrorsTest, CopiesAreDeep) {
  auto original = std::make_unique<EvalError>(call_error("len", EvalError::TypeError{"bad"}));
  const EvalError copy = *original;
  const std::string text = to_string(*original);
  EXPECT_EQ(copy, *original);
  original.reset();
  EXPECT_EQ(to_string(copy), text);
}

}  // namespace
}  // namespace korvel
