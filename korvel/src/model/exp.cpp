#include "korvel/exp.hpp"

#include <cstdlib>
#include <tuple>
#include <type_traits>
#include <utility>

#include "korvel/release_tree.hpp"

namespace korvel {

FunctionItem::FunctionItem(std::string_view name, std::vector<Exp> args)
    : name(name), args(std::move(args)) {}

bool operator==(const FunctionItem& a, const FunctionItem& b) {
  return a.name == b.name && a.args == b.args;
}

bool operator==(const Exp::Object& a, const Exp::Object& b) { return a.members == b.members; }

Exp Exp::binary(Kind kind, Exp left, Exp right) {
  Operands operands{Box<Exp>(std::move(left)), Box<Exp>(std::move(right))};
  switch (kind) {
    case kOr: return Or{std::move(operands)};
    case kAnd: return And{std::move(operands)};
    case kEq: return Eq{std::move(operands)};
    case kNeq: return Neq{std::move(operands)};
    case kGt: return Gt{std::move(operands)};
    case kLt: return Lt{std::move(operands)};
    case kGeq: return Geq{std::move(operands)};
    case kLeq: return Leq{std::move(operands)};
    default: break;
  }
  // Only the eight operator kinds have two operands.
  std::abort();
}

Exp::Operands* Exp::mutable_operands() {
  return std::visit(
      [](auto& node) -> Operands* {
        if constexpr (std::is_base_of_v<Operands, std::decay_t<decltype(node)>>) {
          return &node;
        } else {
          return nullptr;
        }
      },
      node_);
}

const Exp::Operands* Exp::operands() const { return const_cast<Exp*>(this)->mutable_operands(); }

// --- Nesting ----------------------------------------------------------------
//
// Trees nest without bound: operator chains to the left, and any construct
// inside parentheses, arrays, objects and calls. The operations below keep
// the nodes still to be visited on a work list instead of recursing (release
// needs none); the order in which a list is worked off does not show in any
// result.

std::size_t Exp::child_count() const {
  switch (kind()) {
    case kLiteral:
    case kVariable: return 0;
    case kCall: return std::get<kCall>(node_).args.size();
    case kNot: return 1;
    case kArray: return std::get<kArray>(node_).items.size();
    case kObject: return std::get<kObject>(node_).members.size();
    default: return 2;
  }
}

const Exp& Exp::child(std::size_t i) const { return const_cast<Exp*>(this)->child(i); }

Exp& Exp::child(std::size_t i) {
  if (Operands* ops = mutable_operands()) return i == 0 ? *ops->left : *ops->right;
  switch (kind()) {
    case kCall: return std::get<kCall>(node_).args[i];
    case kNot: return *std::get<kNot>(node_).operand;
    case kArray: return std::get<kArray>(node_).items[i];
    case kObject: return std::get<kObject>(node_).members[i].value;
    default: std::abort();  // leaves have no children
  }
}

namespace {

// A null literal, in place of a child until the copy overwrites it.
Exp placeholder() { return Exp(Null{}); }

std::vector<Exp> placeholders(std::size_t n) {
  std::vector<Exp> nodes;
  nodes.reserve(n);
  for (std::size_t i = 0; i < n; ++i) nodes.push_back(placeholder());
  return nodes;
}

}  // namespace

Exp Exp::shallow_copy() const {
  switch (kind()) {
    case kLiteral: return Exp(std::get<kLiteral>(node_));
    case kVariable: return Exp(std::get<kVariable>(node_));
    case kCall: {
      const FunctionItem& call = std::get<kCall>(node_);
      return Exp(FunctionItem(call.name, placeholders(call.args.size())));
    }
    case kNot: return Exp(Not{Box<Exp>(placeholder())});
    case kArray: return Exp(Array{placeholders(std::get<kArray>(node_).items.size())});
    case kObject: {
      std::vector<ExpMember> members;
      members.reserve(std::get<kObject>(node_).members.size());
      for (const ExpMember& member : std::get<kObject>(node_).members) {
        members.push_back(ExpMember{member.key, placeholder()});
      }
      return Exp(Object{std::move(members)});
    }
    default: return binary(kind(), placeholder(), placeholder());
  }
}

// Each pair on the list is a node of the original and its shallow copy,
// whose children are still placeholders.
Exp::Exp(const Exp& other) : Exp(other.shallow_copy()) {
  std::vector<std::pair<const Exp*, Exp*>> pending;
  const Exp* from = &other;
  Exp* to = this;
  for (;;) {
    for (std::size_t i = 0; i < from->child_count(); ++i) {
      const Exp& original = from->child(i);
      Exp& copy = to->child(i);
      copy = original.shallow_copy();
      if (original.child_count() != 0) pending.emplace_back(&original, &copy);
    }
    if (pending.empty()) return;
    std::tie(from, to) = pending.back();
    pending.pop_back();
  }
}

Exp& Exp::operator=(const Exp& other) {
  if (this != &other) *this = Exp(other);
  return *this;
}

bool Exp::same_shallow(const Exp& a, const Exp& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case kLiteral: return std::get<kLiteral>(a.node_) == std::get<kLiteral>(b.node_);
    case kVariable: return std::get<kVariable>(a.node_) == std::get<kVariable>(b.node_);
    case kCall:
      return std::get<kCall>(a.node_).name == std::get<kCall>(b.node_).name &&
             a.child_count() == b.child_count();
    case kObject: {
      const std::vector<ExpMember>& x = std::get<kObject>(a.node_).members;
      const std::vector<ExpMember>& y = std::get<kObject>(b.node_).members;
      return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                        [](const ExpMember& m, const ExpMember& n) { return m.key == n.key; });
    }
    default: return a.child_count() == b.child_count();
  }
}

// Each pair on the list is two nodes that agree shallowly and whose children
// are still to be compared.
bool operator==(const Exp& a, const Exp& b) {
  if (!Exp::same_shallow(a, b)) return false;
  std::vector<std::pair<const Exp*, const Exp*>> pending;
  const Exp* x = &a;
  const Exp* y = &b;
  for (;;) {
    for (std::size_t i = 0; i < x->child_count(); ++i) {
      const Exp& u = x->child(i);
      const Exp& v = y->child(i);
      if (!Exp::same_shallow(u, v)) return false;
      if (u.child_count() != 0) pending.emplace_back(&u, &v);
    }
    if (pending.empty()) return true;
    std::tie(x, y) = pending.back();
    pending.pop_back();
  }
}

void Exp::make_owned() {
  std::vector<Exp*> pending;
  for (Exp* node = this;;) {
    if (Value* literal = std::get_if<kLiteral>(&node->node_)) {
      *literal = std::move(*literal).into_owned();
    }
    for (std::size_t i = 0; i < node->child_count(); ++i) pending.push_back(&node->child(i));
    if (pending.empty()) return;
    node = pending.back();
    pending.pop_back();
  }
}

Exp Exp::into_owned() && {
  make_owned();
  return std::move(*this);
}

struct Exp::Shape {
  static bool has_children(const Exp& node) { return node.has_children(); }
  static Exp& first_child(Exp& node) { return node.child(0); }
  static Exp* other_child_with_children(Exp& node);
};

// The last of the operands, arguments, items or members, once those after it
// that have no children are released.
Exp* Exp::Shape::other_child_with_children(Exp& node) {
  const auto last_of = [](auto& list, auto tree) -> Exp* {
    while (list.size() > 1 && !tree(list.back()).has_children()) list.pop_back();
    return list.size() > 1 ? &tree(list.back()) : nullptr;
  };
  const auto itself = [](Exp& child) -> Exp& { return child; };
  const auto value = [](ExpMember& member) -> Exp& { return member.value; };
  if (Operands* ops = node.mutable_operands()) {
    return ops->right->has_children() ? &*ops->right : nullptr;
  }
  switch (node.kind()) {
    case kCall: return last_of(std::get<kCall>(node.node_).args, itself);
    case kArray: return last_of(std::get<kArray>(node.node_).items, itself);
    case kObject: return last_of(std::get<kObject>(node.node_).members, value);
    default: return nullptr;  // a Not node, whose operand is its first child
  }
}

void Exp::release_children() { release_tree<Shape>(std::move(*this)); }

}  // namespace korvel
