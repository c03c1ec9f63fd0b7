// The set algebra of classes and case folding.
#include "regex/code_point_set.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "unicode/tables.hpp"

namespace korvel::regex {
namespace {

using Ranges = std::vector<std::pair<char32_t, char32_t>>;

CodePointSet set_of(const Ranges& ranges) {
  std::vector<Range> out;
  for (const auto& [first, last] : ranges) out.push_back({first, last});
  return CodePointSet::from_ranges(std::move(out));
}

Ranges ranges_of(const CodePointSet& set) {
  Ranges out;
  for (const Range& range : set.ranges()) out.emplace_back(range.first, range.last);
  return out;
}

TEST(CodePointSetTest, FromRangesSortsAndMerges) {
  EXPECT_EQ(ranges_of(set_of({{'d', 'f'}, {'a', 'b'}, {'c', 'c'}, {'x', 'z'}, {'y', 'y'}})),
            (Ranges{{'a', 'f'}, {'x', 'z'}}));
  EXPECT_TRUE(set_of({}).empty());
}

TEST(CodePointSetTest, Algebra) {
  const CodePointSet az = set_of({{'a', 'z'}});
  const CodePointSet vowels = set_of({{'a', 'a'}, {'e', 'e'}, {'i', 'i'}, {'o', 'o'}, {'u', 'u'}});
  CodePointSet s = az;
  s.intersect_with(vowels);
  EXPECT_EQ(ranges_of(s), ranges_of(vowels));
  s = az;
  s.subtract(vowels);
  EXPECT_EQ(ranges_of(s), (Ranges{{'b', 'd'}, {'f', 'h'}, {'j', 'n'}, {'p', 't'}, {'v', 'z'}}));
  s = set_of({{'a', 'c'}});
  s.symmetric_difference_with(set_of({{'b', 'd'}}));
  EXPECT_EQ(ranges_of(s), (Ranges{{'a', 'a'}, {'d', 'd'}}));
  s = set_of({{'a', 'c'}});
  s.union_with(set_of({{'d', 'd'}, {'x', 'x'}}));
  EXPECT_EQ(ranges_of(s), (Ranges{{'a', 'd'}, {'x', 'x'}}));
}

TEST(CodePointSetTest, Negate) {
  CodePointSet s = set_of({{0, 9}, {11, kMaxCodePoint}});
  s.negate();
  EXPECT_EQ(ranges_of(s), (Ranges{{10, 10}}));
  s.negate();
  EXPECT_EQ(ranges_of(s), (Ranges{{0, 9}, {11, kMaxCodePoint}}));
  CodePointSet all = set_of({{0, kMaxCodePoint}});
  all.negate();
  EXPECT_TRUE(all.empty());
  all.negate();
  EXPECT_EQ(ranges_of(all), (Ranges{{0, kMaxCodePoint}}));
  // Within bytes, as classes outside Unicode mode are.
  CodePointSet a = set_of({{'a', 'a'}});
  a.negate(0xFF);
  EXPECT_EQ(ranges_of(a), (Ranges{{0, 'a' - 1}, {'a' + 1, 0xFF}}));
  EXPECT_FALSE(a.is_ascii());
}

TEST(CodePointSetTest, BorrowsUntilChanged) {
  CodePointSet word = CodePointSet::borrowed(unicode::tables::kPerlWord);
  EXPECT_TRUE(word.is_borrowed());
  EXPECT_EQ(word.ranges().data(), unicode::tables::kPerlWord.data());
  word.negate();
  EXPECT_FALSE(word.is_borrowed());
  EXPECT_FALSE(word.contains('a'));
  EXPECT_TRUE(word.contains('-'));
}

TEST(CodePointSetTest, SimpleCaseFoldingClosesOrbits) {
  CodePointSet k = set_of({{'k', 'k'}});
  k.case_fold_simple();
  EXPECT_EQ(ranges_of(k), (Ranges{{'K', 'K'}, {'k', 'k'}, {0x212A, 0x212A}}));
  // From any member of an orbit to all of it: Σ σ ς.
  CodePointSet sigma = set_of({{0x3C2, 0x3C2}});
  sigma.case_fold_simple();
  EXPECT_EQ(ranges_of(sigma), (Ranges{{0x3A3, 0x3A3}, {0x3C2, 0x3C3}}));
  // θ has three partners, all outside the set: Θ, ϑ and ϴ.
  CodePointSet theta = set_of({{0x3D1, 0x3D1}});
  theta.case_fold_simple();
  EXPECT_EQ(ranges_of(theta),
            (Ranges{{0x398, 0x398}, {0x3B8, 0x3B8}, {0x3D1, 0x3D1}, {0x3F4, 0x3F4}}));
  CodePointSet az = set_of({{'a', 'z'}});
  az.case_fold_simple();
  EXPECT_EQ(ranges_of(az), (Ranges{{'A', 'Z'}, {'a', 'z'}, {0x17F, 0x17F}, {0x212A, 0x212A}}));
  // Orbits that lie partly in other ranges of the set add only what is missing.
  CodePointSet word = CodePointSet::borrowed(unicode::tables::kPerlWord);
  CodePointSet folded = word;
  folded.case_fold_simple();
  CodePointSet extra = folded;
  extra.subtract(word);
  EXPECT_TRUE(extra.empty());
  CodePointSet digits = set_of({{'0', '9'}});
  digits.case_fold_simple();
  EXPECT_EQ(ranges_of(digits), (Ranges{{'0', '9'}}));
  EXPECT_TRUE(has_case_fold_partner(0xDF));    // ß and ẞ
  EXPECT_FALSE(has_case_fold_partner(0x149));  // ŉ folds only fully
}

TEST(CodePointSetTest, AsciiCaseFolding) {
  CodePointSet s = set_of({{'0', 'c'}});
  s.case_fold_ascii();
  EXPECT_EQ(ranges_of(s), (Ranges{{'0', 'z'}}));  // A-Z brings a-z
  CodePointSet k = set_of({{'k', 'k'}});
  k.case_fold_ascii();
  EXPECT_EQ(ranges_of(k), (Ranges{{'K', 'K'}, {'k', 'k'}}));
}

// The builder folds its collection only now and then; whatever the items and
// their order, the set is the union of the items.
TEST(CodePointSetBuilderTest, BuildsTheUnionOfItsItems) {
  const CodePointSet word = CodePointSet::borrowed(unicode::tables::kPerlWord);
  CodePointSetBuilder builder;
  CodePointSet plain;
  const auto add = [&](const CodePointSet& item) {
    builder.add(item);
    plain.union_with(item);
  };
  for (char32_t c = 0x2000; c > 0x1000; c -= 3) add(set_of({{c, c}}));
  for (int i = 0; i < 50; ++i) add(word);
  add(CodePointSet());
  add(set_of({{0x1001, 0x1FFF}, {'a', 'c'}}));
  builder.add(Range{0x10FFFF, 0x10FFFF});
  plain.union_with(set_of({{0x10FFFF, 0x10FFFF}}));
  EXPECT_EQ(ranges_of(std::move(builder).build()), ranges_of(plain));
  EXPECT_TRUE(CodePointSetBuilder().build().empty());
}

}  // namespace
}  // namespace korvel::regex
