#include "regex/translator.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "regex/named_sets.hpp"

namespace korvel::regex {
namespace {

using ast::Kind;
using ast::Node;
using ast::NodeId;
using hir::Hir;
using hir::Look;

constexpr Range kAnyChar[] = {{0, kMaxCodePoint}};
constexpr Range kAnyCharExceptLF[] = {{0, '\n' - 1}, {'\n' + 1, kMaxCodePoint}};
constexpr Range kAnyCharExceptCRLF[] = {
    {0, '\n' - 1}, {'\n' + 1, '\r' - 1}, {'\r' + 1, kMaxCodePoint}};

constexpr char32_t kMaxByte = 0xFF;

bool is_ascii_letter(char32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

class Translator {
 public:
  explicit Translator(const ast::Ast& ast) : ast_(ast) {}

  Expected<hir::Translation, SyntaxError> run() {
    Hir root;
    if (!expr(ast_.root, root)) return Unexpected(std::move(*error_));
    return hir::Translation{std::move(root), std::move(sets_)};
  }

 private:
  bool has(std::uint8_t flag) const { return (flags_ & flag) != 0; }
  bool unicode() const { return has(ast::kUnicode); }
  bool case_insensitive() const { return has(ast::kCaseInsensitive); }

  bool fail(ErrorKind kind, Span span) {
    error_ = SyntaxError{kind, span, std::nullopt};
    return false;
  }

  NodeId child(const Node& node, std::size_t i = 0) const { return ast_.children_of(node)[i]; }

  bool expr(NodeId id, Hir& out) {
    const Node& node = ast_[id];
    switch (node.kind) {
      case Kind::kEmpty: out = hir::empty(); return true;
      case Kind::kSetFlags:
        // Lasts to the end of the enclosing group, across later branches.
        flags_ = node.flags.apply(flags_);
        out = hir::empty();
        return true;
      case Kind::kLiteral: return literal(node, out);
      case Kind::kDot: return dot(node, out);
      case Kind::kAssertion: return assertion(node, out);
      case Kind::kUnicodeClass:
      case Kind::kPerlClass:
      case Kind::kBracketedClass: {
        CodePointSet set;
        if (!class_item(id, set)) return false;
        out = hir::cls(sets_, std::move(set), !unicode());
        return true;
      }
      case Kind::kRepetition: {
        Hir sub;
        if (!expr(child(node), sub)) return false;
        out = hir::repetition(std::move(sub), node.min,
                              node.bounded ? std::optional(node.max) : std::nullopt,
                              node.greedy != has(ast::kSwapGreed));
        return true;
      }
      case Kind::kGroup: {
        const std::uint8_t outer_flags = flags_;
        flags_ = node.flags.apply(flags_);
        Hir sub;
        const bool ok = expr(child(node), sub);
        flags_ = outer_flags;
        if (!ok) return false;
        out =
            node.group == ast::GroupKind::kCapture ? hir::capture(std::move(sub)) : std::move(sub);
        return true;
      }
      case Kind::kConcat: return concat(node, out);
      case Kind::kAlternation: {
        std::vector<Hir> subs(node.count);
        const auto children = ast_.children_of(node);
        for (std::size_t i = 0; i < children.size(); ++i) {
          if (!expr(children[i], subs[i])) return false;
        }
        out = hir::alternation(sets_, std::move(subs));
        return true;
      }
      default: break;
    }
    return true;  // class set items never stand outside a bracket
  }

  // A literal that the UTF-8 text could never hold: \x80 to \xFF under (?-u).
  bool is_byte_literal(const Node& node) const {
    return !unicode() && node.literal == ast::LiteralKind::kHexByte && node.c > 0x7F;
  }

  // Outside Unicode mode only ASCII letters have a case partner; any other
  // character, a non-ASCII one included, stands for itself.
  bool folds(char32_t c) const {
    return case_insensitive() && (unicode() ? has_case_fold_partner(c) : is_ascii_letter(c));
  }

  // Runs of literals that stand for themselves are gathered into one text as
  // they come, rather than one literal each.
  bool concat(const Node& node, Hir& out) {
    std::vector<Hir> subs;
    subs.reserve(node.count);
    std::u32string text;
    for (const NodeId id : ast_.children_of(node)) {
      const Node& item = ast_[id];
      if (item.kind == Kind::kLiteral && !is_byte_literal(item) && !folds(item.c)) {
        text.push_back(item.c);
        continue;
      }
      if (!text.empty()) subs.push_back(hir::literal(std::exchange(text, {})));
      subs.emplace_back();
      if (!expr(id, subs.back())) return false;
    }
    if (!text.empty()) subs.push_back(hir::literal(std::move(text)));
    out = hir::concat(std::move(subs));
    return true;
  }

  bool literal(const Node& node, Hir& out) {
    if (is_byte_literal(node)) return fail(ErrorKind::kInvalidUtf8, node.span);
    const char32_t c = node.c;
    if (!folds(c)) {
      out = hir::literal(c);
      return true;
    }
    CodePointSet set = CodePointSet::from_ranges({{c, c}});
    if (unicode()) {
      set.case_fold_simple();
    } else {
      set.case_fold_ascii();
    }
    out = hir::cls(sets_, std::move(set), !unicode());
    return true;
  }

  bool dot(const Node& node, Hir& out) {
    if (!unicode()) return fail(ErrorKind::kInvalidUtf8, node.span);
    const unicode::RangeTable table = has(ast::kDotMatchesNewLine) ? unicode::RangeTable(kAnyChar)
                                      : has(ast::kCrlf) ? unicode::RangeTable(kAnyCharExceptCRLF)
                                                        : unicode::RangeTable(kAnyCharExceptLF);
    out = hir::cls(sets_, CodePointSet::borrowed(table), false);
    return true;
  }

  bool assertion(const Node& node, Hir& out) {
    using ast::AssertionKind;
    const bool multi_line = has(ast::kMultiLine);
    const bool crlf = has(ast::kCrlf);
    const bool u = unicode();
    Look look = Look::kStart;
    switch (node.assertion) {
      case AssertionKind::kStartLine:
        look = !multi_line ? Look::kStart : crlf ? Look::kStartCRLF : Look::kStartLF;
        break;
      case AssertionKind::kEndLine:
        look = !multi_line ? Look::kEnd : crlf ? Look::kEndCRLF : Look::kEndLF;
        break;
      case AssertionKind::kStartText: look = Look::kStart; break;
      case AssertionKind::kEndText: look = Look::kEnd; break;
      case AssertionKind::kWordBoundary: look = u ? Look::kWordUnicode : Look::kWordAscii; break;
      case AssertionKind::kNotWordBoundary:
        // Only the boundaries between characters are ever tested, so the
        // ASCII form never looks inside the encoding of one.
        look = u ? Look::kWordUnicodeNegate : Look::kWordAsciiNegate;
        break;
      case AssertionKind::kWordStart:
        look = u ? Look::kWordStartUnicode : Look::kWordStartAscii;
        break;
      case AssertionKind::kWordEnd: look = u ? Look::kWordEndUnicode : Look::kWordEndAscii; break;
      case AssertionKind::kWordStartHalf:
        look = u ? Look::kWordStartHalfUnicode : Look::kWordStartHalfAscii;
        break;
      case AssertionKind::kWordEndHalf:
        look = u ? Look::kWordEndHalfUnicode : Look::kWordEndHalfAscii;
        break;
    }
    out = hir::look(look);
    return true;
  }

  // Case folding comes before negation, so (?i)[^k] excludes K and the
  // Kelvin sign too. Outside Unicode mode a class must stay within ASCII.
  bool fold_and_negate(CodePointSet& set, bool negated, Span span) {
    if (unicode()) {
      if (case_insensitive()) set.case_fold_simple();
      if (negated) set.negate();
      return true;
    }
    if (case_insensitive()) set.case_fold_ascii();
    if (negated) set.negate(kMaxByte);
    if (!set.is_ascii()) return fail(ErrorKind::kInvalidUtf8, span);
    return true;
  }

  // A literal inside a class under (?-u) must be an ASCII byte.
  bool class_literal(const Node& node) {
    if (unicode()) return true;
    if (is_byte_literal(node)) return fail(ErrorKind::kInvalidUtf8, node.span);
    if (node.c > 0x7F) return fail(ErrorKind::kUnicodeNotAllowed, node.span);
    return true;
  }

  bool class_item(NodeId id, CodePointSet& out) {
    const Node& node = ast_[id];
    switch (node.kind) {
      case Kind::kEmpty: out = CodePointSet(); return true;
      case Kind::kLiteral:
        if (!class_literal(node)) return false;
        out = CodePointSet::from_ranges({{node.c, node.c}});
        return true;
      case Kind::kClassRange:
        if (!class_literal(ast_[child(node, 0)]) || !class_literal(ast_[child(node, 1)])) {
          return false;
        }
        out = CodePointSet::from_ranges({{node.c, node.c2}});
        return true;
      case Kind::kAsciiClass:
        out = ascii_set(node.ascii);
        return fold_and_negate(out, node.negated, node.span);
      case Kind::kUnicodeClass: return unicode_class(node, out);
      case Kind::kPerlClass: return perl_class(node, out);
      case Kind::kBracketedClass:
        return class_item(child(node), out) && fold_and_negate(out, node.negated, node.span);
      case Kind::kClassUnion: return class_union(node, out);
      case Kind::kClassSetOp: return class_set_op(node, out);
      default: return true;  // expressions never stand inside a bracket
    }
  }

  bool class_union(const Node& node, CodePointSet& out) {
    CodePointSetBuilder builder;
    for (const NodeId id : ast_.children_of(node)) {
      const Node& item = ast_[id];
      if (item.kind == Kind::kLiteral && unicode()) {
        builder.add({item.c, item.c});
      } else if (item.kind == Kind::kClassRange && unicode()) {
        builder.add({item.c, item.c2});
      } else {
        CodePointSet set;
        if (!class_item(id, set)) return false;
        builder.add(set);
      }
    }
    out = std::move(builder).build();
    return true;
  }

  bool class_set_op(const Node& node, CodePointSet& out) {
    CodePointSet rhs;
    if (!class_item(child(node, 0), out) || !class_item(child(node, 1), rhs)) return false;
    if (case_insensitive()) {
      if (unicode()) {
        out.case_fold_simple();
        rhs.case_fold_simple();
      } else {
        out.case_fold_ascii();
        rhs.case_fold_ascii();
      }
    }
    switch (node.set_op) {
      case ast::SetOp::kIntersection: out.intersect_with(rhs); break;
      case ast::SetOp::kDifference: out.subtract(rhs); break;
      case ast::SetOp::kSymmetricDifference: out.symmetric_difference_with(rhs); break;
    }
    return true;
  }

  bool unicode_class(const Node& node, CodePointSet& out) {
    if (!unicode()) return fail(ErrorKind::kUnicodeNotAllowed, node.span);
    auto set =
        unicode_property_set(node.unicode, ast_.names[node.first], ast_.names[node.first + 1]);
    if (!set) return fail(set.error(), node.span);
    out = std::move(*set);
    const bool negated = node.negated != (node.unicode == ast::UnicodeClassKind::kNotEqual);
    return fold_and_negate(out, negated, node.span);
  }

  // The Perl classes are closed under case folding already.
  bool perl_class(const Node& node, CodePointSet& out) {
    out = perl_set(node.perl, unicode());
    if (unicode()) {
      if (node.negated) out.negate();
      return true;
    }
    if (node.negated) out.negate(kMaxByte);
    if (!out.is_ascii()) return fail(ErrorKind::kInvalidUtf8, node.span);
    return true;
  }

  const ast::Ast& ast_;
  std::uint8_t flags_ = ast::kUnicode;
  std::vector<CodePointSet> sets_;
  std::optional<SyntaxError> error_;
};

}  // namespace

Expected<hir::Translation, SyntaxError> translate(const ast::Ast& ast) {
  return Translator(ast).run();
}

}  // namespace korvel::regex
