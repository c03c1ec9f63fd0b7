// The call node of an expression tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class Exp;

// A call by name. The callee is looked up in the environment's function table
// only when the call is evaluated, so a tree may name a function that does
// not exist.
struct FunctionItem {
  // The name is copied: a call node never borrows from the source text.
  FunctionItem(std::string_view name, std::vector<Exp> args);

  std::string name;
  std::vector<Exp> args;  // the first written argument first

  friend bool operator==(const FunctionItem& a, const FunctionItem& b);
};

}  // namespace korvel
