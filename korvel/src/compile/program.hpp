// Program: an expression compiled into a flat sequence of stack operations.
//
// Running the instructions in order, with a jump where || or && decides
// early, evaluates the expression in exactly the order of the tree walk: the
// operands of an operator left to right, a call's arguments first to last,
// array items last to first, object members in descending key order. Each
// instruction takes its operands from the top of the value stack and pushes
// its result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "builtins/builtins.hpp"
#include "korvel/exp.hpp"
#include "korvel/value.hpp"
#include "korvel/var.hpp"

namespace korvel::compile {

enum class Op : std::uint8_t {
  kPushConstant,  // pushes a reference to `constant`
  kReadVariable,  // reads the variable of slot `index` and pushes its value
  kNot,
  kOr,   // a truthy top stays and decides: go to `index`; a falsy one is dropped
  kAnd,  // a truthy top is dropped; a falsy one becomes false and decides: go to `index`
  kEq,
  kNeq,
  kLt,
  kGt,
  kLeq,
  kGeq,
  kCall,         // calls calls[index] with the top entries as its arguments
  kBuildArray,   // the top `index` entries, the first item on top, become an array
  kBuildObject,  // the top entries, the first member of `object` on top, become an object
};

struct Instruction {
  Op op;
  union {
    std::size_t index;
    const Value* constant;
    const Exp::Object* object;
  };
};

struct Call {
  const FunctionItem* item;  // the name and the arguments
  // The default table's builtin of that name, or null when it has none.
  functions::Builtin builtin;
  // For "matches" with a literal pattern: the pattern, compiled.
  std::optional<functions::CompiledPattern> pattern;
};

struct Program {
  std::vector<Instruction> code;
  std::vector<Call> calls;
  std::vector<const VarAccess*> variables;  // by slot
  // Literal strings as views of the tree's text, and the arrays and objects
  // built from literals; a deque, so that instructions can point at them.
  std::deque<Value> constants;
  // The most entries the value stack holds at any point.
  std::size_t max_depth = 0;
};

}  // namespace korvel::compile
