#include "korvel/exp.hpp"

#include <gtest/gtest.h>

#include <string>

#include "korvel/internal_stop.hpp"
#include "small_stack.hpp"

namespace korvel {
namespace {

Exp var(std::string name, std::optional<std::uint64_t> index = std::nullopt) {
  return VarAccess({VarName{std::move(name), index}});
}
Exp lit(Value value) { return Exp(std::move(value)); }

TEST(ExpTest, ComparisonConstructorsPutTheirArgumentsInOrder) {
  const Exp geq = Exp::geq(var("a"), var("b"));
  ASSERT_EQ(geq.kind(), Exp::kGeq);
  EXPECT_EQ(*geq.operands()->left, var("a"));
  EXPECT_EQ(*geq.operands()->right, var("b"));
  EXPECT_EQ(Exp::gt(var("a"), var("b")).kind(), Exp::kGt);
  EXPECT_EQ(Exp::lt(var("a"), var("b")).kind(), Exp::kLt);
  EXPECT_EQ(Exp::leq(var("a"), var("b")).kind(), Exp::kLeq);
  EXPECT_NE(Exp::gt(var("a"), var("b")), Exp::lt(var("a"), var("b")));
  EXPECT_NE(Exp::gt(var("a"), var("b")), Exp::gt(var("b"), var("a")));
}

TEST(ExpTest, FunctionItemCopiesItsName) {
  auto name = std::make_unique<std::string>("len");
  FunctionItem call(*name, {lit(Value(1))});
  name.reset();
  EXPECT_EQ(call.name, "len");
  EXPECT_EQ(call.args.size(), 1u);
}

TEST(ExpTest, EqualityIsStructural) {
  EXPECT_NE(lit(Value(1)), lit(Value(1.0)));
  EXPECT_EQ(lit(Value(0.0)), lit(Value(-0.0)));
  EXPECT_EQ(lit(Value(Text::borrowed("x"))), lit(Value(Text::owned("x"))));
  EXPECT_NE(var("a", 0), var("a"));
  EXPECT_EQ(var("a", 0), var("a", 0));
  EXPECT_NE(Exp(FunctionItem("f", {})), Exp(FunctionItem("g", {})));
  EXPECT_NE(Exp(FunctionItem("f", {})), Exp(FunctionItem("f", {lit(Value())})));
  EXPECT_NE(Exp(Exp::Array{}), Exp(Exp::Object{}));
  EXPECT_EQ(Exp(Exp::Not{Box<Exp>(var("a"))}), Exp(Exp::Not{Box<Exp>(var("a"))}));
}

TEST(ExpTest, EmptyPathIsAnInternalStop) {
  try {
    VarAccess path({});
    FAIL() << "no stop";
  } catch (const InternalStop& stop) {
    EXPECT_EQ(stop.message(), "Variable access must have at least one name");
  }
}

// A tree with borrowed literal texts in every kind of node.
Exp borrowing_tree(std::string_view text) {
  const Value s(Text::borrowed(text));
  std::vector<ExpMember> members;
  members.push_back(ExpMember{"k", lit(s)});
  std::vector<Exp> items;
  items.push_back(lit(s));
  items.push_back(Exp(Exp::Object{std::move(members)}));
  Exp call(FunctionItem("f", {lit(s), Exp(Exp::Not{Box<Exp>(lit(s))})}));
  return Exp::binary(Exp::kOr,
                     Exp::binary(Exp::kAnd, std::move(call), Exp(Exp::Array{std::move(items)})),
                     Exp::binary(Exp::kEq, lit(s), var("v")));
}

TEST(ExpTest, IntoOwnedGivesAnEqualTreeThatOutlivesItsSource) {
  auto source = std::make_unique<std::string>("borrowed");
  Exp tree = borrowing_tree(*source);
  const Exp copy = tree;  // a copy borrows the same text
  Exp owned = std::move(tree).into_owned();
  EXPECT_EQ(owned, copy);
  source->assign("XXXXXXXX");
  source.reset();
  EXPECT_EQ(owned, borrowing_tree("borrowed"));
}

TEST(ExpTest, CopiesAreDeepAndEqual) {
  const Exp tree = borrowing_tree("x");
  Exp copy = tree;
  EXPECT_EQ(copy, tree);
  copy = var("other");
  EXPECT_NE(copy, tree);
  copy = tree;
  EXPECT_EQ(copy, tree);
}

TEST(ExpTest, EmptyNodesCopyCompareAndConvert) {
  for (Exp empty : {Exp(Exp::Array{}), Exp(Exp::Object{}), Exp(FunctionItem("f", {}))}) {
    Exp copy = empty;
    EXPECT_EQ(copy, empty);
    EXPECT_EQ(std::move(copy).into_owned(), empty);
  }
}

// Chains of operators nest to the left without bound; copying, comparing,
// converting and releasing them must not recurse along the chain.
TEST(ExpTest, LongOperatorChainsCostNoStackDepth) {
  Exp chain = var("x0");
  for (int i = 1; i < 1'000'000; ++i) {
    chain = Exp::binary(i % 2 ? Exp::kOr : Exp::kLt, std::move(chain), var("x"));
  }
  Exp copy = chain;
  EXPECT_EQ(copy, chain);
  Exp owned = std::move(copy).into_owned();
  EXPECT_EQ(owned, chain);
}

// Every kind of node with children in turn, `depth` levels deep around
// `bottom`, with literal texts borrowed from `text` beside each level.
Exp deep_tree(std::size_t depth, std::string_view text, Exp bottom) {
  Exp tree = std::move(bottom);
  for (std::size_t i = 0; i < depth; ++i) {
    const Value beside(Text::borrowed(text));
    switch (i % 6) {
      case 0: tree = Exp(Exp::Not{Box<Exp>(std::move(tree))}); break;
      case 1: tree = Exp::binary(Exp::kOr, std::move(tree), lit(beside)); break;
      case 2: tree = Exp::binary(Exp::kLt, lit(beside), std::move(tree)); break;
      case 3: {
        std::vector<Exp> items;
        items.push_back(lit(beside));
        items.push_back(std::move(tree));
        tree = Exp(Exp::Array{std::move(items)});
        break;
      }
      case 4: {
        std::vector<ExpMember> members;
        members.push_back(ExpMember{"a", std::move(tree)});
        members.push_back(ExpMember{"b", lit(beside)});
        tree = Exp(Exp::Object{std::move(members)});
        break;
      }
      default: {
        std::vector<Exp> args;
        args.push_back(std::move(tree));
        args.push_back(var("v"));
        tree = Exp(FunctionItem("f", std::move(args)));
      }
    }
  }
  return tree;
}

TEST(ExpTest, DeepTreesNeedNoDeepStack) {
  constexpr std::size_t kDepth = testing::kDeepNesting;
  auto text = std::make_unique<std::string>("t");
  testing::run_on_small_stack([&] {
    const Exp tree = deep_tree(kDepth, *text, var("x"));
    Exp copy = tree;
    EXPECT_TRUE(copy == tree);
    EXPECT_FALSE(copy == deep_tree(kDepth, *text, var("y")));

    const Exp owned = std::move(copy).into_owned();
    EXPECT_TRUE(owned == tree);
    text->assign("u");  // seen by the tree, which borrows it, but not by the owned one
    const Exp expected = deep_tree(kDepth, "t", var("x"));
    EXPECT_TRUE(owned == expected);
    EXPECT_FALSE(tree == expected);
  });
}

}  // namespace
}  // namespace korvel
