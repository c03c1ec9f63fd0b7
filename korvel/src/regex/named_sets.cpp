#include "regex/named_sets.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvel::regex {
namespace {

using unicode::Alias;
using unicode::EnumeratedProperty;
using unicode::NamedSet;
namespace tables = unicode::tables;

constexpr Range kAny[] = {{0, kMaxCodePoint}};
constexpr Range kAscii[] = {{0, 0x7F}};
constexpr Range kAsciiDigit[] = {{'0', '9'}};
constexpr Range kAsciiSpace[] = {{'\t', '\r'}, {' ', ' '}};
constexpr Range kAsciiWord[] = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};

// The spelling that names are compared in: an "is" prefix dropped, spaces,
// "_" and "-" dropped, ASCII letters lower-cased and non-ASCII bytes dropped.
std::string loose(std::string_view name) {
  const bool starts_with_is =
      name.size() >= 2 && (name[0] | 0x20) == 'i' && (name[1] | 0x20) == 's';
  if (starts_with_is) name.remove_prefix(2);
  std::string out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == ' ' || byte == '_' || byte == '-' || byte >= 0x80) continue;
    out.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte | 0x20) : c);
  }
  // The "is" rule would make ISO_Comment's alias "isc" a name for "c".
  if (starts_with_is && out == "c") out = "isc";
  return out;
}

std::optional<std::string_view> find_alias(std::span<const Alias> aliases, std::string_view loose) {
  auto it = std::lower_bound(aliases.begin(), aliases.end(), loose,
                             [](const Alias& a, std::string_view n) { return a.loose_name < n; });
  if (it == aliases.end() || it->loose_name != loose) return std::nullopt;
  return it->canonical;
}

std::optional<unicode::RangeTable> find_set(std::span<const NamedSet> sets, std::string_view name) {
  auto it = std::lower_bound(sets.begin(), sets.end(), name,
                             [](const NamedSet& s, std::string_view n) { return s.name < n; });
  if (it == sets.end() || it->name != name) return std::nullopt;
  return it->ranges;
}

const EnumeratedProperty* find_property(std::string_view name) {
  for (const EnumeratedProperty& property : tables::kEnumeratedProperties) {
    if (property.name == name) return &property;
  }
  return nullptr;
}

const EnumeratedProperty& property(std::string_view name) { return *find_property(name); }

std::optional<std::string_view> canonical_general_category(std::string_view loose_value) {
  if (loose_value == "any") return "Any";
  if (loose_value == "assigned") return "Assigned";
  if (loose_value == "ascii") return "ASCII";
  return find_alias(property("General_Category").values, loose_value);
}

Expected<CodePointSet, ErrorKind> general_category(std::string_view canonical) {
  if (canonical == "Any") return CodePointSet::borrowed(kAny);
  if (canonical == "ASCII") return CodePointSet::borrowed(kAscii);
  const EnumeratedProperty& gc = property("General_Category");
  if (canonical == "Assigned") {
    CodePointSet assigned = CodePointSet::borrowed(*find_set(gc.sets, "Unassigned"));
    assigned.negate();
    return assigned;
  }
  if (auto set = find_set(gc.sets, canonical)) return CodePointSet::borrowed(*set);
  return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
}

// "V3_2" as (3, 2).
std::optional<std::pair<int, int>> age_version(std::string_view name) {
  int major = 0;
  int minor = 0;
  if (name.size() < 4 || name[0] != 'V') return std::nullopt;
  const char* end = name.data() + name.size();
  auto [p, ec] = std::from_chars(name.data() + 1, end, major);
  if (ec != std::errc() || p == end || *p != '_') return std::nullopt;
  auto [q, ec2] = std::from_chars(p + 1, end, minor);
  if (ec2 != std::errc() || q != end) return std::nullopt;
  return std::pair{major, minor};
}

// Age is cumulative: everything assigned in that version or before.
Expected<CodePointSet, ErrorKind> age(const EnumeratedProperty& ages, std::string_view canonical) {
  const auto requested = age_version(canonical);
  if (!requested) return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
  std::vector<Range> ranges;
  for (const NamedSet& set : ages.sets) {
    if (age_version(set.name) <= requested)
      ranges.insert(ranges.end(), set.ranges.begin(), set.ranges.end());
  }
  return CodePointSet::from_ranges(std::move(ranges));
}

Expected<CodePointSet, ErrorKind> by_name(std::string_view name) {
  const std::string normalized = loose(name);
  // "cf", "sc" and "lc" are property abbreviations too, but here they mean
  // the categories Format, Currency_Symbol and Cased_Letter.
  if (normalized != "cf" && normalized != "sc" && normalized != "lc") {
    if (auto canonical = find_alias(tables::kPropertyNames, normalized)) {
      if (auto set = find_set(tables::kBinaryProperties, *canonical)) {
        return CodePointSet::borrowed(*set);
      }
      return Unexpected(ErrorKind::kUnicodePropertyNotFound);
    }
  }
  if (auto category = canonical_general_category(normalized)) return general_category(*category);
  const EnumeratedProperty& scripts = property("Script");
  if (auto script = find_alias(scripts.values, normalized)) {
    if (auto set = find_set(scripts.sets, *script)) return CodePointSet::borrowed(*set);
    return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
  }
  return Unexpected(ErrorKind::kUnicodePropertyNotFound);
}

Expected<CodePointSet, ErrorKind> by_value(std::string_view name, std::string_view value) {
  const auto canonical = find_alias(tables::kPropertyNames, loose(name));
  if (!canonical) return Unexpected(ErrorKind::kUnicodePropertyNotFound);
  const std::string normalized = loose(value);
  if (*canonical == "General_Category") {
    if (auto category = canonical_general_category(normalized)) return general_category(*category);
    return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
  }
  const EnumeratedProperty* found = find_property(*canonical);
  if (found == nullptr) return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
  const auto canonical_value = find_alias(found->values, normalized);
  if (!canonical_value) return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
  if (found->name == "Age") return age(*found, *canonical_value);
  if (auto set = find_set(found->sets, *canonical_value)) return CodePointSet::borrowed(*set);
  return Unexpected(ErrorKind::kUnicodePropertyValueNotFound);
}

}  // namespace

CodePointSet perl_set(ast::PerlKind kind, bool unicode) {
  switch (kind) {
    case ast::PerlKind::kDigit:
      return CodePointSet::borrowed(unicode ? tables::kDecimalNumber : kAsciiDigit);
    case ast::PerlKind::kSpace:
      return CodePointSet::borrowed(unicode ? tables::kWhiteSpace : kAsciiSpace);
    case ast::PerlKind::kWord:
      return CodePointSet::borrowed(unicode ? tables::kPerlWord : kAsciiWord);
  }
  return {};
}

CodePointSet ascii_set(ast::AsciiKind kind) {
  using ast::AsciiKind;
  static constexpr Range kAlnum[] = {{'0', '9'}, {'A', 'Z'}, {'a', 'z'}};
  static constexpr Range kAlpha[] = {{'A', 'Z'}, {'a', 'z'}};
  static constexpr Range kBlank[] = {{'\t', '\t'}, {' ', ' '}};
  static constexpr Range kCntrl[] = {{0, 0x1F}, {0x7F, 0x7F}};
  static constexpr Range kGraph[] = {{'!', '~'}};
  static constexpr Range kLower[] = {{'a', 'z'}};
  static constexpr Range kPrint[] = {{' ', '~'}};
  static constexpr Range kPunct[] = {{'!', '/'}, {':', '@'}, {'[', '`'}, {'{', '~'}};
  static constexpr Range kUpper[] = {{'A', 'Z'}};
  static constexpr Range kXdigit[] = {{'0', '9'}, {'A', 'F'}, {'a', 'f'}};
  switch (kind) {
    case AsciiKind::kAlnum: return CodePointSet::borrowed(kAlnum);
    case AsciiKind::kAlpha: return CodePointSet::borrowed(kAlpha);
    case AsciiKind::kAscii: return CodePointSet::borrowed(kAscii);
    case AsciiKind::kBlank: return CodePointSet::borrowed(kBlank);
    case AsciiKind::kCntrl: return CodePointSet::borrowed(kCntrl);
    case AsciiKind::kDigit: return CodePointSet::borrowed(kAsciiDigit);
    case AsciiKind::kGraph: return CodePointSet::borrowed(kGraph);
    case AsciiKind::kLower: return CodePointSet::borrowed(kLower);
    case AsciiKind::kPrint: return CodePointSet::borrowed(kPrint);
    case AsciiKind::kPunct: return CodePointSet::borrowed(kPunct);
    case AsciiKind::kSpace: return CodePointSet::borrowed(kAsciiSpace);
    case AsciiKind::kUpper: return CodePointSet::borrowed(kUpper);
    case AsciiKind::kWord: return CodePointSet::borrowed(kAsciiWord);
    case AsciiKind::kXdigit: return CodePointSet::borrowed(kXdigit);
  }
  return {};
}

Expected<CodePointSet, ErrorKind> unicode_property_set(ast::UnicodeClassKind kind,
                                                       std::string_view name,
                                                       std::string_view value) {
  if (kind == ast::UnicodeClassKind::kOneLetter || kind == ast::UnicodeClassKind::kNamed) {
    return by_name(name);
  }
  return by_value(name, value);
}

}  // namespace korvel::regex
