#include "regex/parser.hpp"

#include <bit>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::regex {
namespace {

using ast::Kind;
using ast::Node;
using ast::NodeId;

// The characters that mean something of their own somewhere in a pattern.
bool is_meta_character(char32_t c) {
  return std::u32string_view(U"\\.+*?()|[]{}^$#&-~").find(c) != std::u32string_view::npos;
}

// Letters and digits are kept for escapes of their own; \< and \> are
// assertions.
bool is_escapeable_character(char32_t c) {
  if (is_meta_character(c)) return true;
  if (c >= 0x80) return false;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  return c != '<' && c != '>';
}

bool is_hex_digit(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t hex_value(char32_t c) {
  if (c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

bool is_numeric(char32_t c) {
  using unicode::GeneralCategory;
  const GeneralCategory category = unicode::general_category(c);
  return category == GeneralCategory::Nd || category == GeneralCategory::Nl ||
         category == GeneralCategory::No;
}

bool is_capture_char(char32_t c, bool first) {
  if (c == '_' || unicode::is_alphabetic(c)) return true;
  if (first) return false;
  return c == '.' || c == '[' || c == ']' || is_numeric(c);
}

std::optional<ast::AsciiKind> ascii_kind(std::string_view name) {
  using ast::AsciiKind;
  static constexpr std::pair<std::string_view, AsciiKind> kNames[] = {
      {"alnum", AsciiKind::kAlnum}, {"alpha", AsciiKind::kAlpha},   {"ascii", AsciiKind::kAscii},
      {"blank", AsciiKind::kBlank}, {"cntrl", AsciiKind::kCntrl},   {"digit", AsciiKind::kDigit},
      {"graph", AsciiKind::kGraph}, {"lower", AsciiKind::kLower},   {"print", AsciiKind::kPrint},
      {"punct", AsciiKind::kPunct}, {"space", AsciiKind::kSpace},   {"upper", AsciiKind::kUpper},
      {"word", AsciiKind::kWord},   {"xdigit", AsciiKind::kXdigit},
  };
  for (const auto& [spelling, kind] : kNames) {
    if (spelling == name) return kind;
  }
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view pattern) : pattern_(pattern) { decode(); }

  Expected<ast::Ast, SyntaxError> run() {
    if (!parse_all() || !check_nesting()) return Unexpected(std::move(*error_));
    return std::move(ast_);
  }

 private:
  // A concatenation being collected: its items are items_[items_begin...].
  struct Concat {
    std::size_t start;
    std::size_t items_begin;
  };

  // An entry of the stack of open groups and alternations.
  struct GroupState {
    bool is_alternation;
    // A group: the concatenation it belongs to, the group node so far (its
    // span covers the opening) and the whitespace mode outside it.
    Concat outer;
    Node group;
    bool outer_ignore_whitespace;
    // An alternation: where it starts and its finished branches, which are
    // branches_[branches_begin...].
    std::size_t start;
    std::size_t branches_begin;
  };

  // A class union being collected: its items are class_items_[items_begin...].
  struct Union {
    Span span;
    std::size_t items_begin;
  };

  // An entry of the stack of open brackets and set operators.
  struct ClassState {
    bool is_op;
    // An open bracket: the union it belongs to and the bracket node so far.
    Union outer;
    Node bracket;
    // An operator with its left operand.
    ast::SetOp op;
    NodeId lhs;
  };

  // ---- The cursor.

  bool is_eof() const { return pos_ == pattern_.size(); }
  char32_t ch() const { return char_; }
  Span span() const { return {pos_, pos_}; }
  Span span_char() const { return {pos_, pos_ + char_length_}; }

  void decode() {
    if (is_eof()) {
      char_ = 0;
      char_length_ = 0;
      return;
    }
    const utf8::Decoded decoded = utf8::decode_first(pattern_.substr(pos_));
    char_ = decoded.code_point;
    char_length_ = decoded.length;
  }

  void set_pos(std::size_t pos) {
    pos_ = pos;
    decode();
  }

  // Moves past the current character; false when that reaches the end.
  bool bump() {
    if (is_eof()) return false;
    set_pos(pos_ + char_length_);
    return !is_eof();
  }

  bool bump_if(std::string_view prefix) {
    if (!pattern_.substr(pos_).starts_with(prefix)) return false;
    set_pos(pos_ + prefix.size());
    return true;
  }

  // In verbose mode, skips whitespace and comments.
  void bump_space() {
    if (!ignore_whitespace_) return;
    while (!is_eof()) {
      if (unicode::is_white_space(ch())) {
        bump();
      } else if (ch() == '#') {
        bump();
        while (!is_eof()) {
          const char32_t c = ch();
          bump();
          if (c == '\n') break;
        }
      } else {
        break;
      }
    }
  }

  bool bump_and_bump_space() {
    if (!bump()) return false;
    bump_space();
    return !is_eof();
  }

  std::optional<char32_t> char_at(std::size_t pos) const {
    if (pos >= pattern_.size()) return std::nullopt;
    return utf8::decode_first(pattern_.substr(pos)).code_point;
  }

  std::optional<char32_t> peek() const {
    if (is_eof()) return std::nullopt;
    return char_at(pos_ + char_length_);
  }

  // The next character after the current one that verbose mode does not skip.
  std::optional<char32_t> peek_space() const {
    if (!ignore_whitespace_) return peek();
    if (is_eof()) return std::nullopt;
    const std::size_t next = pos_ + char_length_;
    bool in_comment = false;
    for (std::size_t at = next; at < pattern_.size();) {
      const utf8::Decoded decoded = utf8::decode_first(pattern_.substr(at));
      const char32_t c = decoded.code_point;
      if (unicode::is_white_space(c)) {
      } else if (!in_comment && c == '#') {
        in_comment = true;
      } else if (in_comment && c == '\n') {
        in_comment = false;
      } else {
        return c;
      }
      at += decoded.length;
    }
    return char_at(next);
  }

  bool fail(ErrorKind kind, Span span, std::optional<Span> auxiliary = std::nullopt) {
    error_ = SyntaxError{kind, span, auxiliary};
    return false;
  }

  // ---- Building nodes.

  NodeId add(const Node& node) {
    ast_.nodes.push_back(node);
    return static_cast<NodeId>(ast_.nodes.size() - 1);
  }

  NodeId add_with_children(Node node, std::vector<NodeId>& stack, std::size_t begin) {
    node.first = static_cast<std::uint32_t>(ast_.children.size());
    node.count = static_cast<std::uint32_t>(stack.size() - begin);
    ast_.children.insert(ast_.children.end(), stack.begin() + begin, stack.end());
    stack.resize(begin);
    return add(node);
  }

  NodeId add_with_child(Node node, NodeId child) {
    node.first = static_cast<std::uint32_t>(ast_.children.size());
    node.count = 1;
    ast_.children.push_back(child);
    return add(node);
  }

  // The finished concatenation as one node: empty, its only item, or a concat.
  NodeId finish_concat(const Concat& concat, std::size_t end) {
    const std::size_t n = items_.size() - concat.items_begin;
    if (n == 1) {
      const NodeId only = items_.back();
      items_.pop_back();
      return only;
    }
    Node node;
    node.span = {concat.start, end};
    if (n == 0) return add(node);
    node.kind = Kind::kConcat;
    return add_with_children(node, items_, concat.items_begin);
  }

  NodeId finish_alternation(const GroupState& alternation, NodeId last_branch, std::size_t end) {
    branches_.push_back(last_branch);
    Node node;
    node.kind = Kind::kAlternation;
    node.span = {alternation.start, end};
    return add_with_children(node, branches_, alternation.branches_begin);
  }

  // ---- The top level.

  bool parse_all() {
    Concat concat{0, 0};
    while (true) {
      bump_space();
      if (is_eof()) break;
      switch (ch()) {
        case '(':
          if (!push_group(concat)) return false;
          break;
        case ')':
          if (!pop_group(concat)) return false;
          break;
        case '|': push_alternate(concat); break;
        case '[': {
          NodeId cls;
          if (!parse_set_class(cls)) return false;
          items_.push_back(cls);
          break;
        }
        case '?':
          if (!parse_uncounted_repetition(concat, 0, 1, true)) return false;
          break;
        case '*':
          if (!parse_uncounted_repetition(concat, 0, 0, false)) return false;
          break;
        case '+':
          if (!parse_uncounted_repetition(concat, 1, 0, false)) return false;
          break;
        case '{':
          if (!parse_counted_repetition(concat)) return false;
          break;
        default: {
          Node primitive;
          if (!parse_primitive(primitive)) return false;
          items_.push_back(add(primitive));
          break;
        }
      }
    }
    return pop_group_end(concat);
  }

  bool push_group(Concat& concat) {
    Node group;
    bool is_set_flags;
    if (!parse_group(group, is_set_flags)) return false;
    if (is_set_flags) {
      if (group.flags.set & ast::kIgnoreWhitespace) ignore_whitespace_ = true;
      if (group.flags.clear & ast::kIgnoreWhitespace) ignore_whitespace_ = false;
      items_.push_back(add(group));
      return true;
    }
    GroupState state{};
    state.is_alternation = false;
    state.outer = concat;
    state.group = group;
    state.outer_ignore_whitespace = ignore_whitespace_;
    groups_.push_back(state);
    if (group.flags.set & ast::kIgnoreWhitespace) ignore_whitespace_ = true;
    if (group.flags.clear & ast::kIgnoreWhitespace) ignore_whitespace_ = false;
    concat = {pos_, items_.size()};
    return true;
  }

  bool pop_group(Concat& concat) {
    std::optional<GroupState> alternation;
    if (!groups_.empty() && groups_.back().is_alternation) {
      alternation = groups_.back();
      groups_.pop_back();
    }
    if (groups_.empty() || groups_.back().is_alternation) {
      return fail(ErrorKind::kGroupUnopened, span_char());
    }
    GroupState state = groups_.back();
    groups_.pop_back();
    ignore_whitespace_ = state.outer_ignore_whitespace;
    const std::size_t concat_end = pos_;
    bump();
    NodeId inner = finish_concat(concat, concat_end);
    if (alternation) inner = finish_alternation(*alternation, inner, concat_end);
    state.group.span.end = pos_;
    concat = state.outer;
    items_.push_back(add_with_child(state.group, inner));
    return true;
  }

  void push_alternate(Concat& concat) {
    const NodeId branch = finish_concat(concat, pos_);
    if (groups_.empty() || !groups_.back().is_alternation) {
      GroupState state{};
      state.is_alternation = true;
      state.start = concat.start;
      state.branches_begin = branches_.size();
      groups_.push_back(state);
    }
    branches_.push_back(branch);
    bump();
    concat = {pos_, items_.size()};
  }

  bool pop_group_end(const Concat& concat) {
    NodeId root = finish_concat(concat, pos_);
    if (!groups_.empty() && groups_.back().is_alternation) {
      root = finish_alternation(groups_.back(), root, pos_);
      groups_.pop_back();
    }
    if (!groups_.empty()) return fail(ErrorKind::kGroupUnclosed, groups_.back().group.span);
    ast_.root = root;
    return true;
  }

  // ---- Groups and flags.

  bool is_lookaround_prefix() {
    return bump_if("?=") || bump_if("?!") || bump_if("?<=") || bump_if("?<!");
  }

  // Parses "(" up to the start of the group's contents, or a whole "(?flags)".
  bool parse_group(Node& group, bool& is_set_flags) {
    const Span open_span = span_char();
    bump();
    bump_space();
    if (is_lookaround_prefix()) {
      return fail(ErrorKind::kUnsupportedLookAround, {open_span.start, pos_});
    }
    const Span inner_span = span();
    group.kind = Kind::kGroup;
    group.span = open_span;
    is_set_flags = false;
    if (bump_if("?P<") || bump_if("?<")) {
      group.group = ast::GroupKind::kCapture;
      return next_capture_index(open_span) && parse_capture_name();
    }
    if (bump_if("?")) {
      if (is_eof()) return fail(ErrorKind::kGroupUnclosed, open_span);
      bool empty;
      if (!parse_flags(group.flags, empty)) return false;
      const char32_t end = ch();
      bump();
      if (end == ')') {
        // "(?)" reads as a repetition operator without an operand.
        if (empty) return fail(ErrorKind::kRepetitionMissing, inner_span);
        group.kind = Kind::kSetFlags;
        group.span.end = pos_;
        is_set_flags = true;
        return true;
      }
      group.group = ast::GroupKind::kNonCapturing;
      return true;
    }
    group.group = ast::GroupKind::kCapture;
    return next_capture_index(open_span);
  }

  bool next_capture_index(Span open_span) {
    if (capture_count_ == std::numeric_limits<std::uint32_t>::max()) {
      return fail(ErrorKind::kCaptureLimitExceeded, open_span);
    }
    ++capture_count_;
    return true;
  }

  bool parse_capture_name() {
    if (is_eof()) return fail(ErrorKind::kGroupNameUnexpectedEof, span());
    const std::size_t start = pos_;
    while (ch() != '>') {
      if (!is_capture_char(ch(), pos_ == start)) {
        return fail(ErrorKind::kGroupNameInvalid, span_char());
      }
      if (!bump()) break;
    }
    const std::size_t end = pos_;
    if (is_eof()) return fail(ErrorKind::kGroupNameUnexpectedEof, span());
    bump();
    if (start == end) return fail(ErrorKind::kGroupNameEmpty, {start, start});
    const std::string_view name = pattern_.substr(start, end - start);
    for (const auto& [earlier, earlier_span] : capture_names_) {
      if (earlier == name) {
        return fail(ErrorKind::kGroupNameDuplicate, {start, end}, earlier_span);
      }
    }
    capture_names_.emplace_back(name, Span{start, end});
    return true;
  }

  // Parses flag letters up to a ":" or ")", which is left unread.
  bool parse_flags(ast::FlagChange& flags, bool& empty) {
    std::optional<Span> negation;  // where "-" was written
    std::optional<Span> last_was_negation;
    std::optional<Span> seen[8];  // where each flag was written
    empty = true;
    while (ch() != ':' && ch() != ')') {
      if (ch() == '-') {
        if (negation) return fail(ErrorKind::kFlagRepeatedNegation, span_char(), *negation);
        negation = span_char();
        last_was_negation = span_char();
      } else {
        last_was_negation.reset();
        std::uint8_t flag = 0;
        if (!parse_flag(flag)) return false;
        const int bit = std::countr_zero(flag);
        if (seen[bit]) return fail(ErrorKind::kFlagDuplicate, span_char(), *seen[bit]);
        seen[bit] = span_char();
        (negation ? flags.clear : flags.set) |= flag;
      }
      empty = false;
      if (!bump()) return fail(ErrorKind::kFlagUnexpectedEof, span());
    }
    if (last_was_negation) return fail(ErrorKind::kFlagDanglingNegation, *last_was_negation);
    return true;
  }

  bool parse_flag(std::uint8_t& flag) {
    switch (ch()) {
      case 'i': flag = ast::kCaseInsensitive; return true;
      case 'm': flag = ast::kMultiLine; return true;
      case 's': flag = ast::kDotMatchesNewLine; return true;
      case 'U': flag = ast::kSwapGreed; return true;
      case 'u': flag = ast::kUnicode; return true;
      case 'R': flag = ast::kCrlf; return true;
      case 'x': flag = ast::kIgnoreWhitespace; return true;
      default: return fail(ErrorKind::kFlagUnrecognized, span_char());
    }
  }

  // ---- Repetitions.

  // Takes the last item of the concatenation as the operand, if there is one
  // that can be repeated.
  bool pop_operand(const Concat& concat, NodeId& operand) {
    if (items_.size() == concat.items_begin) return fail(ErrorKind::kRepetitionMissing, span());
    operand = items_.back();
    const Kind kind = ast_[operand].kind;
    if (kind == Kind::kEmpty || kind == Kind::kSetFlags) {
      return fail(ErrorKind::kRepetitionMissing, span());
    }
    items_.pop_back();
    return true;
  }

  bool parse_uncounted_repetition(const Concat& concat, std::uint32_t min, std::uint32_t max,
                                  bool bounded) {
    NodeId operand;
    if (!pop_operand(concat, operand)) return false;
    Node repetition;
    repetition.kind = Kind::kRepetition;
    repetition.min = min;
    repetition.max = max;
    repetition.bounded = bounded;
    if (bump() && ch() == '?') {
      repetition.greedy = false;
      bump();
    }
    repetition.span = {ast_[operand].span.start, pos_};
    items_.push_back(add_with_child(repetition, operand));
    return true;
  }

  bool parse_counted_repetition(const Concat& concat) {
    const std::size_t start = pos_;
    NodeId operand;
    if (!pop_operand(concat, operand)) return false;
    const auto unclosed = [&] { return fail(ErrorKind::kRepetitionCountUnclosed, {start, pos_}); };
    if (!bump_and_bump_space()) return unclosed();
    // A missing first count is reported only once it is known that the
    // braces are closed.
    std::optional<SyntaxError> min_error;
    std::uint32_t min = 0;
    if (!parse_decimal(min)) min_error = error_;
    if (is_eof()) return unclosed();
    Node repetition;
    repetition.kind = Kind::kRepetition;
    if (ch() == ',') {
      if (!bump_and_bump_space()) return unclosed();
      if (min_error) {
        error_ = min_error;
        return false;
      }
      if (ch() != '}') {
        if (!parse_decimal(repetition.max)) return false;
      } else {
        repetition.bounded = false;
      }
    } else {
      if (min_error) {
        error_ = min_error;
        return false;
      }
      repetition.max = min;
    }
    repetition.min = min;
    if (is_eof() || ch() != '}') return unclosed();
    if (bump_and_bump_space() && ch() == '?') {
      repetition.greedy = false;
      bump();
    }
    if (repetition.bounded && repetition.min > repetition.max) {
      return fail(ErrorKind::kRepetitionCountInvalid, {start, pos_});
    }
    repetition.span = {ast_[operand].span.start, pos_};
    items_.push_back(add_with_child(repetition, operand));
    return true;
  }

  // Whitespace around the digits is allowed even outside verbose mode.
  bool parse_decimal(std::uint32_t& value) {
    while (!is_eof() && unicode::is_white_space(ch())) bump();
    const std::size_t start = pos_;
    std::uint64_t n = 0;
    bool any = false;
    while (!is_eof() && ch() >= '0' && ch() <= '9') {
      any = true;
      n = std::min<std::uint64_t>(n * 10 + (ch() - '0'), std::uint64_t{1} << 33);
      bump_and_bump_space();
    }
    const Span digits = {start, pos_};
    while (!is_eof() && unicode::is_white_space(ch())) bump_and_bump_space();
    if (!any) return fail(ErrorKind::kRepetitionCountDecimalEmpty, digits);
    if (n > std::numeric_limits<std::uint32_t>::max()) {
      return fail(ErrorKind::kDecimalInvalid, digits);
    }
    value = static_cast<std::uint32_t>(n);
    return true;
  }

  // ---- Primitives and escapes.

  bool parse_primitive(Node& node) {
    switch (ch()) {
      case '\\': return parse_escape(node);
      case '.': node.kind = Kind::kDot; break;
      case '^':
        node.kind = Kind::kAssertion;
        node.assertion = ast::AssertionKind::kStartLine;
        break;
      case '$':
        node.kind = Kind::kAssertion;
        node.assertion = ast::AssertionKind::kEndLine;
        break;
      default:
        node.kind = Kind::kLiteral;
        node.c = ch();
        break;
    }
    node.span = span_char();
    bump();
    return true;
  }

  bool parse_escape(Node& node) {
    const std::size_t start = pos_;
    if (!bump()) return fail(ErrorKind::kEscapeUnexpectedEof, {start, pos_});
    const char32_t c = ch();
    if (c >= '0' && c <= '9') {
      return fail(ErrorKind::kUnsupportedBackreference, {start, span_char().end});
    }
    if (c == 'x' || c == 'u' || c == 'U') {
      if (!parse_hex(node)) return false;
      node.span.start = start;
      return true;
    }
    if (c == 'p' || c == 'P') {
      if (!parse_unicode_class(node)) return false;
      node.span.start = start;
      return true;
    }
    if (c == 'd' || c == 's' || c == 'w' || c == 'D' || c == 'S' || c == 'W') {
      node.kind = Kind::kPerlClass;
      node.span = {start, span_char().end};
      node.negated = c == 'D' || c == 'S' || c == 'W';
      node.perl = (c | 0x20) == 'd'   ? ast::PerlKind::kDigit
                  : (c | 0x20) == 's' ? ast::PerlKind::kSpace
                                      : ast::PerlKind::kWord;
      bump();
      return true;
    }

    bump();
    node.span = {start, pos_};
    node.kind = Kind::kLiteral;
    node.literal = ast::LiteralKind::kEscaped;
    if (is_escapeable_character(c)) {
      node.c = c;
      return true;
    }
    switch (c) {
      case 'a': node.c = 0x07; return true;
      case 'f': node.c = 0x0C; return true;
      case 't': node.c = '\t'; return true;
      case 'n': node.c = '\n'; return true;
      case 'r': node.c = '\r'; return true;
      case 'v': node.c = 0x0B; return true;
      default: break;
    }
    using ast::AssertionKind;
    node.kind = Kind::kAssertion;
    switch (c) {
      case 'A': node.assertion = AssertionKind::kStartText; return true;
      case 'z': node.assertion = AssertionKind::kEndText; return true;
      case 'B': node.assertion = AssertionKind::kNotWordBoundary; return true;
      case '<': node.assertion = AssertionKind::kWordStart; return true;
      case '>': node.assertion = AssertionKind::kWordEnd; return true;
      case 'b':
        node.assertion = AssertionKind::kWordBoundary;
        if (!is_eof() && ch() == '{') {
          bool special;
          if (!maybe_parse_special_word_boundary(start, node.assertion, special)) return false;
          if (special) node.span.end = pos_;
        }
        return true;
      default: return fail(ErrorKind::kEscapeUnrecognized, node.span);
    }
  }

  // After "\b" at "{": either a special word boundary such as \b{start}, or
  // (when the first character inside cannot start a name) a repetition,
  // which is left unread.
  bool maybe_parse_special_word_boundary(std::size_t wb_start, ast::AssertionKind& kind,
                                         bool& special) {
    const auto is_valid = [](char32_t c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    };
    const std::size_t start = pos_;
    if (!bump_and_bump_space()) {
      return fail(ErrorKind::kSpecialWordOrRepetitionUnexpectedEof, {wb_start, pos_});
    }
    const std::size_t contents_start = pos_;
    if (!is_valid(ch())) {
      set_pos(start);
      special = false;
      return true;
    }
    std::string name;
    while (!is_eof() && is_valid(ch())) {
      name.push_back(static_cast<char>(ch()));
      bump_and_bump_space();
    }
    if (is_eof() || ch() != '}') {
      return fail(ErrorKind::kSpecialWordBoundaryUnclosed, {start, pos_});
    }
    const std::size_t end = pos_;
    bump();
    using ast::AssertionKind;
    if (name == "start") {
      kind = AssertionKind::kWordStart;
    } else if (name == "end") {
      kind = AssertionKind::kWordEnd;
    } else if (name == "start-half") {
      kind = AssertionKind::kWordStartHalf;
    } else if (name == "end-half") {
      kind = AssertionKind::kWordEndHalf;
    } else {
      return fail(ErrorKind::kSpecialWordBoundaryUnrecognized, {contents_start, end});
    }
    special = true;
    return true;
  }

  // At "x", "u" or "U" after the backslash.
  bool parse_hex(Node& node) {
    const int digits = ch() == 'x' ? 2 : ch() == 'u' ? 4 : 8;
    if (!bump_and_bump_space()) return fail(ErrorKind::kEscapeUnexpectedEof, span());
    node.kind = Kind::kLiteral;
    return ch() == '{' ? parse_hex_brace(node) : parse_hex_digits(node, digits);
  }

  bool parse_hex_digits(Node& node, int digits) {
    const std::size_t start = pos_;
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
      if (i > 0 && !bump_and_bump_space()) return fail(ErrorKind::kEscapeUnexpectedEof, span());
      if (!is_hex_digit(ch())) return fail(ErrorKind::kEscapeHexInvalidDigit, span_char());
      value = value * 16 + hex_value(ch());
    }
    bump_and_bump_space();
    const Span span = {start, pos_};
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return fail(ErrorKind::kEscapeHexInvalid, span);
    }
    node.c = value;
    node.literal = digits == 2 ? ast::LiteralKind::kHexByte : ast::LiteralKind::kHex;
    node.span = span;
    return true;
  }

  bool parse_hex_brace(Node& node) {
    const std::size_t brace = pos_;
    const std::size_t start = span_char().end;
    std::uint32_t value = 0;
    bool any = false;
    while (bump_and_bump_space() && ch() != '}') {
      if (!is_hex_digit(ch())) return fail(ErrorKind::kEscapeHexInvalidDigit, span_char());
      // Anything past the largest scalar value is invalid however long.
      value = std::min<std::uint32_t>(value * 16 + hex_value(ch()), 0x110000);
      any = true;
    }
    if (is_eof()) return fail(ErrorKind::kEscapeUnexpectedEof, {brace, pos_});
    const std::size_t end = pos_;
    bump_and_bump_space();
    if (!any) return fail(ErrorKind::kEscapeHexEmpty, {brace, pos_});
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return fail(ErrorKind::kEscapeHexInvalid, {start, end});
    }
    node.c = value;
    node.literal = ast::LiteralKind::kHex;
    node.span = {start, pos_};
    return true;
  }

  // At "p" or "P" after the backslash.
  bool parse_unicode_class(Node& node) {
    node.kind = Kind::kUnicodeClass;
    node.negated = ch() == 'P';
    if (!bump_and_bump_space()) return fail(ErrorKind::kEscapeUnexpectedEof, span());
    std::string name;
    std::string value;
    std::size_t start;
    if (ch() == '{') {
      start = span_char().end;
      std::string text;
      while (bump_and_bump_space() && ch() != '}') utf8::append(text, ch());
      if (is_eof()) return fail(ErrorKind::kEscapeUnexpectedEof, span());
      bump();
      node.unicode = ast::UnicodeClassKind::kNamed;
      std::size_t split = text.find("!=");
      std::size_t operator_length = 2;
      if (split != std::string::npos) {
        node.unicode = ast::UnicodeClassKind::kNotEqual;
      } else if ((split = text.find(':')) != std::string::npos ||
                 (split = text.find('=')) != std::string::npos) {
        node.unicode = ast::UnicodeClassKind::kEqual;
        operator_length = 1;
      }
      if (split == std::string::npos) {
        name = std::move(text);
      } else {
        name = text.substr(0, split);
        value = text.substr(split + operator_length);
      }
    } else {
      start = pos_;
      if (ch() == '\\') return fail(ErrorKind::kUnicodeClassInvalid, span_char());
      utf8::append(name, ch());
      bump_and_bump_space();
      node.unicode = ast::UnicodeClassKind::kOneLetter;
    }
    node.span = {start, pos_};
    node.first = static_cast<std::uint32_t>(ast_.names.size());
    ast_.names.push_back(std::move(name));
    ast_.names.push_back(std::move(value));
    return true;
  }

  // ---- Bracketed classes.

  bool parse_set_class(NodeId& result) {
    Union current{span(), class_items_.size()};
    while (true) {
      bump_space();
      if (is_eof()) return unclosed_class_error();
      switch (ch()) {
        case '[': {
          // Inside a bracket this may be an ASCII class such as [:alpha:].
          if (!classes_.empty()) {
            Node ascii;
            if (maybe_parse_ascii_class(ascii)) {
              push_class_item(current, add(ascii));
              continue;
            }
          }
          if (!push_class_open(current)) return false;
          break;
        }
        case ']': {
          bool done;
          if (!pop_class(current, result, done)) return false;
          if (done) return true;
          break;
        }
        case '&':
          if (peek() == U'&') {
            bump_if("&&");
            push_class_op(ast::SetOp::kIntersection, current);
          } else {
            if (!parse_set_class_range(current)) return false;
          }
          break;
        case '-':
          if (peek() == U'-') {
            bump_if("--");
            push_class_op(ast::SetOp::kDifference, current);
          } else {
            if (!parse_set_class_range(current)) return false;
          }
          break;
        case '~':
          if (peek() == U'~') {
            bump_if("~~");
            push_class_op(ast::SetOp::kSymmetricDifference, current);
          } else {
            if (!parse_set_class_range(current)) return false;
          }
          break;
        default:
          if (!parse_set_class_range(current)) return false;
          break;
      }
    }
  }

  void push_class_item(Union& current, NodeId item) {
    const Span item_span = ast_[item].span;
    if (class_items_.size() == current.items_begin) current.span.start = item_span.start;
    current.span.end = item_span.end;
    class_items_.push_back(item);
  }

  // The finished union as one class set item: empty, its only item, or a union.
  NodeId finish_union(const Union& current) {
    const std::size_t n = class_items_.size() - current.items_begin;
    if (n == 1) {
      const NodeId only = class_items_.back();
      class_items_.pop_back();
      return only;
    }
    Node node;
    node.span = current.span;
    if (n == 0) return add(node);
    node.kind = Kind::kClassUnion;
    return add_with_children(node, class_items_, current.items_begin);
  }

  bool unclosed_class_error() {
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it) {
      if (!it->is_op) return fail(ErrorKind::kClassUnclosed, it->bracket.span);
    }
    return fail(ErrorKind::kClassUnclosed, span());  // not reached: a bracket is open
  }

  bool push_class_open(Union& current) {
    Node bracket;
    Union nested{};
    if (!parse_set_class_open(bracket, nested)) return false;
    ClassState state{};
    state.is_op = false;
    state.outer = current;
    state.bracket = bracket;
    classes_.push_back(state);
    current = nested;
    return true;
  }

  // Combines `rhs` with the operator on top of the stack, if there is one.
  NodeId pop_class_op(NodeId rhs) {
    if (classes_.empty() || !classes_.back().is_op) return rhs;
    const ClassState state = classes_.back();
    classes_.pop_back();
    Node op;
    op.kind = Kind::kClassSetOp;
    op.set_op = state.op;
    op.span = {ast_[state.lhs].span.start, ast_[rhs].span.end};
    op.first = static_cast<std::uint32_t>(ast_.children.size());
    op.count = 2;
    ast_.children.push_back(state.lhs);
    ast_.children.push_back(rhs);
    return add(op);
  }

  void push_class_op(ast::SetOp op, Union& current) {
    const NodeId lhs = pop_class_op(finish_union(current));
    ClassState state{};
    state.is_op = true;
    state.op = op;
    state.lhs = lhs;
    classes_.push_back(state);
    current = {span(), class_items_.size()};
  }

  bool pop_class(Union& current, NodeId& result, bool& done) {
    const NodeId set = pop_class_op(finish_union(current));
    ClassState state = classes_.back();
    classes_.pop_back();
    bump();
    state.bracket.span.end = pos_;
    const NodeId bracket = add_with_child(state.bracket, set);
    current = state.outer;
    done = classes_.empty();
    if (done) {
      result = bracket;
    } else {
      push_class_item(current, bracket);
    }
    return true;
  }

  // Parses "[" with a following "^", any leading "-" (literal) and a leading
  // "]" (literal too, so "[]" can never be an empty class).
  bool parse_set_class_open(Node& bracket, Union& nested) {
    const std::size_t start = pos_;
    if (!bump_and_bump_space()) return fail(ErrorKind::kClassUnclosed, {start, pos_});
    bracket.kind = Kind::kBracketedClass;
    if (ch() == '^') {
      bracket.negated = true;
      if (!bump_and_bump_space()) return fail(ErrorKind::kClassUnclosed, {start, pos_});
    }
    nested = {span(), class_items_.size()};
    while (ch() == '-') {
      push_class_item(nested, add_literal('-'));
      if (!bump_and_bump_space()) return fail(ErrorKind::kClassUnclosed, {start, start});
    }
    if (class_items_.size() == nested.items_begin && ch() == ']') {
      push_class_item(nested, add_literal(']'));
      if (!bump_and_bump_space()) return fail(ErrorKind::kClassUnclosed, {start, pos_});
    }
    bracket.span = {start, pos_};
    return true;
  }

  NodeId add_literal(char32_t c) {
    Node literal;
    literal.kind = Kind::kLiteral;
    literal.c = c;
    literal.span = span_char();
    return add(literal);
  }

  // [:name:] or [:^name:]; on anything else the cursor goes back to "[".
  bool maybe_parse_ascii_class(Node& node) {
    const std::size_t start = pos_;
    const auto back_off = [&] {
      set_pos(start);
      return false;
    };
    if (!bump() || ch() != ':') return back_off();
    if (!bump()) return back_off();
    if (ch() == '^') {
      node.negated = true;
      if (!bump()) return back_off();
    }
    const std::size_t name_start = pos_;
    while (ch() != ':' && bump()) {
    }
    if (is_eof()) return back_off();
    const std::string_view name = pattern_.substr(name_start, pos_ - name_start);
    if (!bump_if(":]")) return back_off();
    const std::optional<ast::AsciiKind> kind = ascii_kind(name);
    if (!kind) return back_off();
    node.kind = Kind::kAsciiClass;
    node.ascii = *kind;
    node.span = {start, pos_};
    return true;
  }

  bool parse_set_class_item(Node& item) {
    if (ch() == '\\') return parse_escape(item);
    item.kind = Kind::kLiteral;
    item.c = ch();
    item.span = span_char();
    bump();
    return true;
  }

  // One item of a class, or a range of two literals.
  bool parse_set_class_range(Union& current) {
    Node first;
    if (!parse_set_class_item(first)) return false;
    bump_space();
    if (is_eof()) return unclosed_class_error();
    // "-" before "]" is a literal, and "--" an operator.
    const std::optional<char32_t> after = peek_space();
    if (ch() != '-' || after == U']' || after == U'-') {
      if (first.kind == Kind::kAssertion || first.kind == Kind::kDot) {
        return fail(ErrorKind::kClassEscapeInvalid, first.span);
      }
      push_class_item(current, add(first));
      return true;
    }
    if (!bump_and_bump_space()) return unclosed_class_error();
    Node last;
    if (!parse_set_class_item(last)) return false;
    if (first.kind != Kind::kLiteral) return fail(ErrorKind::kClassRangeLiteral, first.span);
    if (last.kind != Kind::kLiteral) return fail(ErrorKind::kClassRangeLiteral, last.span);
    Node range;
    range.kind = Kind::kClassRange;
    range.c = first.c;
    range.c2 = last.c;
    range.span = {first.span.start, last.span.end};
    if (range.c > range.c2) return fail(ErrorKind::kClassRangeInvalid, range.span);
    // The endpoints stay as children: how each was written matters under (?-u).
    items_.push_back(add(first));
    items_.push_back(add(last));
    push_class_item(current, add_with_children(range, items_, items_.size() - 2));
    return true;
  }

  // ---- The nesting limit.

  // Visits the tree in preorder, counting the nodes that nest.
  bool check_nesting() {
    std::vector<std::pair<NodeId, std::uint32_t>> stack = {{ast_.root, 0}};
    while (!stack.empty()) {
      const auto [id, depth_above] = stack.back();
      stack.pop_back();
      const Node& node = ast_[id];
      std::uint32_t depth = depth_above;
      if (nests(node.kind)) {
        if (++depth > kNestLimit) return fail(ErrorKind::kNestLimitExceeded, node.span);
      }
      if (!has_children(node.kind)) continue;
      const auto children = ast_.children_of(node);
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, depth);
    }
    return true;
  }

  static bool nests(Kind kind) {
    switch (kind) {
      case Kind::kBracketedClass:
      case Kind::kRepetition:
      case Kind::kGroup:
      case Kind::kAlternation:
      case Kind::kConcat:
      case Kind::kClassUnion:
      case Kind::kClassSetOp: return true;
      default: return false;
    }
  }

  static bool has_children(Kind kind) { return nests(kind) || kind == Kind::kClassRange; }

  std::string_view pattern_;
  std::size_t pos_ = 0;
  char32_t char_ = 0;
  std::size_t char_length_ = 0;
  bool ignore_whitespace_ = false;
  std::uint32_t capture_count_ = 0;
  std::vector<std::pair<std::string_view, Span>> capture_names_;

  std::vector<NodeId> items_;
  std::vector<NodeId> branches_;
  std::vector<GroupState> groups_;
  std::vector<NodeId> class_items_;
  std::vector<ClassState> classes_;

  ast::Ast ast_;
  std::optional<SyntaxError> error_;
};

}  // namespace

Expected<ast::Ast, SyntaxError> parse(std::string_view pattern) { return Parser(pattern).run(); }

}  // namespace korvel::regex
