// CompiledExp: an expression tree together with the program compiled from it.
//
// The program does once what need not be done at every evaluation: each call
// knows its builtin, a literal "matches" pattern is compiled, and arrays and
// objects made only of literals are built. The tree stays as parsed: it is
// what equality compares, and the program refers into it.
#pragma once

#include <memory>
#include <span>

#include "korvel/exp.hpp"
#include "korvel/var.hpp"

namespace korvel {
namespace compile {
struct Program;
}

class CompiledExp {
 public:
  // Takes the tree over and compiles it; the tree may still view the text it
  // was parsed from, which must then outlive this object.
  explicit CompiledExp(Exp tree);
  CompiledExp(CompiledExp&&) noexcept;
  CompiledExp& operator=(CompiledExp&&) noexcept;
  ~CompiledExp();

  const Exp& tree() const { return *tree_; }
  const compile::Program& program() const { return *program_; }

  // The path of every variable read of the program, by slot: evaluation tells
  // a reader the slot of each read, so that data prepared per read can be
  // found without a search.
  std::span<const VarAccess* const> variables() const;

  friend bool operator==(const CompiledExp& a, const CompiledExp& b) {
    return a.tree() == b.tree();
  }

 private:
  // Behind pointers, so that moving this object leaves every address that the
  // program refers to in place.
  std::unique_ptr<const Exp> tree_;
  std::unique_ptr<const compile::Program> program_;
};

}  // namespace korvel
