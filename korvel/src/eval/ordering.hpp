// The ordering operators "<", ">", "<=" and ">=".
#pragma once

#include <cstdint>
#include <string>

#include "korvel/errors.hpp"
#include "korvel/expected.hpp"
#include "korvel/value.hpp"

namespace korvel::interpreter {

enum class CompareOp { Lt, Gt, Leq, Geq };

template <class T>
bool compare(CompareOp op, T left, T right) {
  switch (op) {
    case CompareOp::Lt: return left < right;
    case CompareOp::Gt: return left > right;
    case CompareOp::Leq: return left <= right;
    case CompareOp::Geq: return left >= right;
  }
  return false;
}

// Only two integers or two floats are ordered; no number is converted.
inline Expected<bool, EvalError> compare_values(CompareOp op, const Value& left,
                                                const Value& right) {
  if (left.tag() == Value::kInt && right.tag() == Value::kInt) {
    return compare(op, *left.get_if<std::int64_t>(), *right.get_if<std::int64_t>());
  }
  if (left.tag() == Value::kFloat && right.tag() == Value::kFloat) {
    return compare(op, *left.get_if<double>(), *right.get_if<double>());
  }
  std::string message = "Cannot compare values of different types: ";
  message.append(type_name(left.get_type())).append(" and ");
  message.append(type_name(right.get_type()));
  return Unexpected(EvalError(EvalError::TypeError{std::move(message)}));
}

}  // namespace korvel::interpreter
