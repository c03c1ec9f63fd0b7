#include "regex/compiler.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::regex {
namespace {

using hir::Hir;
using hir::Kind;

constexpr std::uint64_t kState = 32;
constexpr std::uint64_t kFixedCost = 7 * kState;  // start, match and unanchored prefix
constexpr std::uint64_t kClassBase = 48;
constexpr std::uint64_t kAsciiRange = 16;
constexpr std::uint64_t kWideRange = 64;
constexpr std::uint64_t kLengthCrossing = 256;
// Far above the limit and far below overflow.
constexpr std::uint64_t kSaturated = std::uint64_t{1} << 60;

std::uint64_t add(std::uint64_t a, std::uint64_t b) { return std::min(a + b, kSaturated); }

std::uint64_t multiply(std::uint64_t a, std::uint64_t n) {
  std::uint64_t product;
  if (__builtin_mul_overflow(a, n, &product)) return kSaturated;
  return std::min(product, kSaturated);
}

std::uint64_t class_size(const CodePointSet& set) {
  const auto ranges = set.ranges();
  if (ranges.empty()) return kState;
  const auto first_wide =
      std::lower_bound(ranges.begin(), ranges.end(), char32_t{0x80},
                       [](const Range& range, char32_t cp) { return range.last < cp; });
  const std::uint64_t ascii = first_wide - ranges.begin();
  std::uint64_t crossings = 0;
  for (const char32_t boundary : {char32_t{0x7F}, char32_t{0x7FF}, char32_t{0xFFFF}}) {
    crossings += set.contains(boundary) && set.contains(boundary + 1);
  }
  return kClassBase + ascii * kAsciiRange + (ranges.size() - ascii) * kWideRange +
         crossings * kLengthCrossing;
}

// Cost in bytes and in instructions.
struct Size {
  std::uint64_t bytes = 0;
  std::uint64_t insts = 0;

  Size& operator+=(const Size& other) {
    bytes = add(bytes, other.bytes);
    insts = add(insts, other.insts);
    return *this;
  }
  Size times(std::uint64_t n) const { return {multiply(bytes, n), multiply(insts, n)}; }
};

constexpr Size kOneState = {kState, 1};

Size size_of(const Hir& hir, const std::vector<CodePointSet>& sets) {
  switch (hir.kind) {
    case Kind::kEmpty: return {};
    case Kind::kLiteral: return {kState * utf8::encoded_length(hir.c), 1};
    case Kind::kClass: return {class_size(sets[hir.set]), 1};
    case Kind::kLook: return kOneState;
    case Kind::kCapture: {
      Size size = size_of(hir.subs[0], sets);
      size += {2 * kState, 0};
      return size;
    }
    case Kind::kConcat:
    case Kind::kAlternation: {
      Size size;
      for (const Hir& sub : hir.subs) size += size_of(sub, sets);
      if (hir.kind == Kind::kAlternation) size += kOneState.times(2 * (hir.subs.size() - 1));
      return size;
    }
    case Kind::kRepetition: {
      const Size sub = size_of(hir.subs[0], sets);
      Size size = sub.times(hir.min);
      if (!hir.max) {
        if (hir.min == 0) {
          size += sub;
          size += kOneState.times(2);
        } else {
          size += kOneState;
        }
      } else {
        Size optional = sub;
        optional += kOneState;
        size += optional.times(*hir.max - hir.min);
      }
      return size;
    }
  }
  return {};
}

bool is_anchored_start(const Hir& hir) {
  switch (hir.kind) {
    case Kind::kLook: return hir.look == hir::Look::kStart;
    case Kind::kCapture: return is_anchored_start(hir.subs[0]);
    case Kind::kRepetition: return hir.min > 0 && is_anchored_start(hir.subs[0]);
    case Kind::kConcat:
      for (const Hir& sub : hir.subs) {
        if (sub.kind == Kind::kEmpty) continue;
        if (sub.kind == Kind::kLook && sub.look != hir::Look::kStart) continue;
        return is_anchored_start(sub);
      }
      return false;
    case Kind::kAlternation:
      return std::all_of(hir.subs.begin(), hir.subs.end(), is_anchored_start);
    default: return false;
  }
}

// Appends the literal text that every match of `hir` starts with; false once
// what follows may vary. Zero-width assertions test the same position and
// are passed over.
bool collect_prefix(const Hir& hir, std::string& prefix) {
  switch (hir.kind) {
    case Kind::kEmpty:
    case Kind::kLook: return true;
    case Kind::kLiteral: utf8::append(prefix, hir.c); return true;
    case Kind::kCapture: return collect_prefix(hir.subs[0], prefix);
    case Kind::kConcat:
      for (const Hir& sub : hir.subs) {
        if (!collect_prefix(sub, prefix)) return false;
      }
      return true;
    case Kind::kRepetition:
      if (hir.min > 0) collect_prefix(hir.subs[0], prefix);
      return false;
    default: return false;
  }
}

class Emitter {
 public:
  explicit Emitter(Program& program) : program_(program) {}

  void emit(const Hir& hir) {
    switch (hir.kind) {
      case Kind::kEmpty: return;
      case Kind::kLiteral: add(Op::kChar, hir.c); return;
      case Kind::kClass: add(Op::kClass, hir.set); return;
      case Kind::kLook: program_.insts[add(Op::kLook, 0)].look = hir.look; return;
      case Kind::kCapture: emit(hir.subs[0]); return;
      case Kind::kConcat:
        for (const Hir& sub : hir.subs) emit(sub);
        return;
      case Kind::kAlternation: emit_alternation(hir); return;
      case Kind::kRepetition: emit_repetition(hir); return;
    }
  }

  void finish() { add(Op::kMatch, 0); }

 private:
  std::uint32_t pc() const { return static_cast<std::uint32_t>(program_.insts.size()); }

  std::uint32_t add(Op op, std::uint32_t arg) {
    program_.insts.push_back({op, hir::Look::kStart, pc() + 1, arg});
    return pc() - 1;
  }

  void emit_alternation(const Hir& hir) {
    std::vector<std::uint32_t> jumps;
    for (std::size_t i = 0; i + 1 < hir.subs.size(); ++i) {
      const std::uint32_t split = add(Op::kSplit, 0);
      emit(hir.subs[i]);
      jumps.push_back(add(Op::kJump, 0));
      program_.insts[split].arg = pc();
    }
    emit(hir.subs.back());
    for (const std::uint32_t jump : jumps) program_.insts[jump].out = pc();
  }

  void emit_repetition(const Hir& hir) {
    const Hir& sub = hir.subs[0];
    std::uint32_t last_copy = pc();
    for (std::uint32_t i = 0; i < hir.min; ++i) {
      last_copy = pc();
      emit(sub);
    }
    if (!hir.max) {
      if (hir.min > 0) {
        // Loop back into the last copy, or go on.
        const std::uint32_t split = add(Op::kSplit, 0);
        program_.insts[split].out = last_copy;
        program_.insts[split].arg = pc();
        return;
      }
      const std::uint32_t loop = add(Op::kSplit, 0);
      emit(sub);
      program_.insts[add(Op::kJump, 0)].out = loop;
      program_.insts[loop].arg = pc();
      return;
    }
    std::vector<std::uint32_t> exits;
    for (std::uint32_t i = hir.min; i < *hir.max; ++i) {
      exits.push_back(add(Op::kSplit, 0));
      emit(sub);
    }
    for (const std::uint32_t exit : exits) program_.insts[exit].arg = pc();
  }

  Program& program_;
};

}  // namespace

std::optional<Program> compile(hir::Translation translation) {
  const Size size = size_of(translation.root, translation.sets);
  if (add(size.bytes, kFixedCost) > kSizeLimit) return std::nullopt;
  Program program;
  program.insts.reserve(size.insts + 1);
  Emitter emitter(program);
  emitter.emit(translation.root);
  emitter.finish();
  program.anchored_start = is_anchored_start(translation.root);
  collect_prefix(translation.root, program.prefix);
  program.sets = std::move(translation.sets);
  program.matchers.reserve(program.sets.size());
  for (const CodePointSet& set : program.sets) program.matchers.emplace_back(set.ranges());
  return program;
}

}  // namespace korvel::regex
