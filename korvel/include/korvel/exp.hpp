// Exp: the compiled form of an expression.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "korvel/box.hpp"
#include "korvel/func.hpp"
#include "korvel/value.hpp"
#include "korvel/var.hpp"

namespace korvel {

struct ExpMember;

class Exp {
 public:
  // The variants in declared order; kind() gives the tag.
  enum Kind : std::size_t {
    kLiteral,
    kCall,
    kVariable,
    kNot,
    kOr,
    kAnd,
    kEq,
    kNeq,
    kGt,
    kLt,
    kGeq,
    kLeq,
    kArray,
    kObject
  };

  struct Not {
    Box<Exp> operand;
    friend bool operator==(const Not&, const Not&) = default;
  };
  struct Operands {
    Box<Exp> left;
    Box<Exp> right;
    friend bool operator==(const Operands&, const Operands&) = default;
  };
  template <Kind K>
  struct Binary : Operands {};
  using Or = Binary<kOr>;
  using And = Binary<kAnd>;
  using Eq = Binary<kEq>;
  using Neq = Binary<kNeq>;
  using Gt = Binary<kGt>;
  using Lt = Binary<kLt>;
  using Geq = Binary<kGeq>;
  using Leq = Binary<kLeq>;
  struct Array {
    std::vector<Exp> items;
    friend bool operator==(const Array&, const Array&) = default;
  };
  // Members ascending by key bytes, each key once.
  struct Object {
    std::vector<ExpMember> members;
    friend bool operator==(const Object&, const Object&);
  };

  using Node = std::variant<Value, FunctionItem, VarAccess, Not, Or, And, Eq, Neq, Gt, Lt, Geq, Leq,
                            Array, Object>;

  template <class T>
  Exp(T&& node)  // NOLINT(google-explicit-constructor)
      requires std::is_constructible_v<Node, T&&> : node_(std::forward<T>(node)) {}

  // Copying, comparing and into_owned() keep the nodes still to be visited
  // on work lists, and releasing rebuilds the tree as it goes (see
  // release_tree.hpp), never recursing: trees of any depth fit the call
  // stack, and releasing one needs no memory.
  Exp(const Exp& other);
  Exp(Exp&&) noexcept;
  Exp& operator=(const Exp& other);
  Exp& operator=(Exp&&) noexcept;
  ~Exp();

  static Exp binary(Kind kind, Exp left, Exp right);
  static Exp gt(Exp left, Exp right) { return binary(kGt, std::move(left), std::move(right)); }
  static Exp lt(Exp left, Exp right) { return binary(kLt, std::move(left), std::move(right)); }
  static Exp geq(Exp left, Exp right) { return binary(kGeq, std::move(left), std::move(right)); }
  static Exp leq(Exp left, Exp right) { return binary(kLeq, std::move(left), std::move(right)); }

  Kind kind() const { return static_cast<Kind>(node_.index()); }
  const Node& node() const { return node_; }
  template <class T>
  const T* get_if() const {
    return std::get_if<T>(&node_);
  }

  // The two operands of an Or, And, Eq, Neq, Gt, Lt, Geq or Leq node.
  const Operands* operands() const;

  // An equal tree that borrows no text: borrowed literal strings are copied.
  Exp into_owned() &&;

  friend bool operator==(const Exp& a, const Exp& b);

 private:
  // Whether the node has operands, arguments, items or members; a node
  // that was moved from has none.
  bool has_children() const;
  // The operands, arguments, items or member trees of this node, in order.
  std::size_t child_count() const;
  const Exp& child(std::size_t i) const;
  Exp& child(std::size_t i);
  Operands* mutable_operands();
  // The node with null literals in place of its children.
  Exp shallow_copy() const;
  // Whether the two nodes agree in all but their children: kind, literal,
  // path, call name, number of children and member keys.
  static bool same_shallow(const Exp& a, const Exp& b);
  void make_owned();
  void release_children();
  // How release_tree walks a tree of Exp nodes.
  struct Shape;

  Node node_;
};

struct ExpMember {
  std::string key;
  Exp value;

  friend bool operator==(const ExpMember&, const ExpMember&) = default;
};

// Defined here, where ExpMember is complete.
inline Exp::Exp(Exp&&) noexcept = default;
inline Exp& Exp::operator=(Exp&&) noexcept = default;
inline bool Exp::has_children() const {
  return std::visit(
      [](const auto& node) {
        using T = std::decay_t<decltype(node)>;
        if constexpr (std::is_base_of_v<Operands, T>) {
          return static_cast<bool>(node.left);
        } else if constexpr (std::is_same_v<T, Not>) {
          return static_cast<bool>(node.operand);
        } else if constexpr (std::is_same_v<T, FunctionItem>) {
          return !node.args.empty();
        } else if constexpr (std::is_same_v<T, Array>) {
          return !node.items.empty();
        } else if constexpr (std::is_same_v<T, Object>) {
          return !node.members.empty();
        } else {
          return false;  // literals and paths
        }
      },
      node_);
}

inline Exp::~Exp() {
  if (has_children()) release_children();
}

}  // namespace korvel
