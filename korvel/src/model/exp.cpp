#include "korvel/exp.hpp"

#include <cstdlib>
#include <type_traits>

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

// The left spine of a tree: the node itself and, while the node has two
// operands, its left operand, its left operand's left operand, and so on.
// Chains of ||, && and comparisons nest there; everything else is bounded by
// the parser's nesting limit.

Exp::Exp(const Exp& other) : node_(Null{}) {
  std::vector<const Exp*> spine;
  const Exp* bottom = &other;
  while (const Operands* ops = bottom->operands()) {
    spine.push_back(bottom);
    bottom = &*ops->left;
  }
  node_ = bottom->node_;  // no operands here, so no recursion along the spine
  for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
    const Exp& original = **it;
    *this = binary(original.kind(), std::move(*this), Exp(*original.operands()->right));
  }
}

Exp& Exp::operator=(const Exp& other) {
  if (this != &other) *this = Exp(other);
  return *this;
}

Exp::~Exp() {
  Operands* ops = mutable_operands();
  if (ops == nullptr) return;
  std::unique_ptr<Exp> next = ops->left.release();
  while (next) {
    Operands* next_ops = next->mutable_operands();
    std::unique_ptr<Exp> after = next_ops ? next_ops->left.release() : nullptr;
    next.reset();  // its left operand is detached, so this releases only its right one
    next = std::move(after);
  }
}

bool operator==(const Exp& a, const Exp& b) {
  const Exp* x = &a;
  const Exp* y = &b;
  for (;;) {
    if (x->kind() != y->kind()) return false;
    const Exp::Operands* xo = x->operands();
    if (xo == nullptr) return x->node_ == y->node_;
    const Exp::Operands* yo = y->operands();
    if (!(*xo->right == *yo->right)) return false;
    x = &*xo->left;
    y = &*yo->left;
  }
}

void Exp::make_owned() {
  Exp* node = this;
  while (Operands* ops = node->mutable_operands()) {
    ops->right->make_owned();
    node = &*ops->left;
  }
  switch (node->kind()) {
    case kLiteral: {
      Value& value = std::get<kLiteral>(node->node_);
      value = std::move(value).into_owned();
      break;
    }
    case kCall:
      for (Exp& arg : std::get<kCall>(node->node_).args) arg.make_owned();
      break;
    case kNot: std::get<kNot>(node->node_).operand->make_owned(); break;
    case kArray:
      for (Exp& item : std::get<kArray>(node->node_).items) item.make_owned();
      break;
    case kObject:
      // Keys are owned already and stay in their order.
      for (ExpMember& member : std::get<kObject>(node->node_).members) member.value.make_owned();
      break;
    default:  // paths never borrow
      break;
  }
}

Exp Exp::into_owned() && {
  make_owned();
  return std::move(*this);
}

}  // namespace korvel
