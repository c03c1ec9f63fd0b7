#include "korvel/var.hpp"

#include <gtest/gtest.h>

#include "korvel/parser.hpp"

namespace korvel {
namespace {

VarAccess path(std::string_view text) { return *parser::parse_whole_variable_name(text); }

// A segment's text, as the path texts of messages show it.
std::string text(const VarName& segment) { return VarAccess::resolve_name_until({}, &segment, 0); }

TEST(VarNameTest, SegmentTexts) {
  EXPECT_EQ(text(VarName{"a", 0}), "a[0]");
  EXPECT_EQ(text(VarName{"a", std::nullopt}), "a");
  EXPECT_EQ(text(VarName{"x y", 12}), "x y[12]");
  EXPECT_EQ(text(VarName{"b.c[", 18446744073709551615u}), "b.c[[18446744073709551615]");
}

TEST(VarAccessHashTest, IsSipHash13WithKeyZeroOverTheSegments) {
  // SipHash-1-3 under the key (0, 0) of the streams 01 00.. 61 FF 00 00..,
  // 01 00.. 61 FF 01 00.. 00 00.. and so on, as an independent
  // implementation computes them.
  EXPECT_EQ(path("a").hash(), 0x5df32bfd3183ba5bU);
  EXPECT_EQ(path("a[0]").hash(), 0x1e61d8dd6fd4a47fU);
  EXPECT_EQ(path("a.b[2].c").hash(), 0x12371efa8e5a871aU);
}

TEST(VarAccessHashTest, EqualPathsHashAlike) {
  EXPECT_EQ(path("a").hash(), path("'a'").hash());
  EXPECT_EQ(path("a[0]").hash(), path("a[ 00 ]").hash());
  EXPECT_NE(path("a").hash(), path("a[0]").hash());
  EXPECT_NE(path("a.b").hash(), path("b.a").hash());
}

}  // namespace
}  // namespace korvel
