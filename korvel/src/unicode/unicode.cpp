#include "unicode/unicode.hpp"

#include <algorithm>

namespace korvel::unicode {

bool contains(RangeTable table, char32_t c) {
  // The first range that ends at or after c is the only one that can hold it.
  auto it = std::lower_bound(table.begin(), table.end(), c,
                             [](const Range& range, char32_t cp) { return range.last < cp; });
  return it != table.end() && it->first <= c;
}

GeneralCategory general_category(char32_t c) {
  const auto runs = tables::kGeneralCategoryRuns;
  // The runs start at U+0000, so the run before the first later start exists.
  auto it = std::upper_bound(runs.begin(), runs.end(), c,
                             [](char32_t cp, const CategoryRun& run) { return cp < run.first; });
  return (it - 1)->category;
}

}  // namespace korvel::unicode
