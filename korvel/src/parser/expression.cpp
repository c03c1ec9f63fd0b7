// The expression grammar: a recursive-descent parser with one function per
// precedence level, loosest first:
//
//   ||   &&   ==   !=   >= <= > <   !   atoms
//
// "||", "&&" and the comparisons chain any number of operands, nesting to the
// left; "==" and "!=" take one or two. An operand after "==" or "!=" that
// cannot be read is given back with its operator, and the expression ends
// before them.
//
// Failures steer the choice between alternatives and are discarded where the
// grammar allows a construct to end; only TooLarge, the nesting limit, is
// final and passes through every such place unchanged.

#include "parser/expression.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "korvel/internal_stop.hpp"
#include "korvel/parser.hpp"
#include "parser/blanks.hpp"
#include "parser/quoted_text.hpp"
#include "text/decimal.hpp"
#include "text/utf8.hpp"
#include "unicode/unicode.hpp"

namespace korvel::parser {
namespace {

// Each nesting level adds at most one node, so the limit bounds the depth of
// every tree that parses; the recursive walks over a tree (copy, comparison,
// into_owned, release) then stay far from the end of even a 256 KiB thread
// stack, and the parse itself needs about 2 KiB per level.
//
// The limit's failure is final: it passes unchanged through every place that
// discards failures, so that deep input fails at once, and never as a
// misleading failure (or a shorter expression) further out.
bool is_final(const ParseError& error) { return error.kind == ErrorKind::TooLarge; }

Unexpected<ParseError> char_failure(std::string_view input) {
  return parse_failure(input, ErrorKind::Char);
}

std::size_t digits_end(std::string_view input, std::size_t from) {
  while (from < input.size() && is_ascii_digit(input[from])) ++from;
  return from;
}

std::size_t sign_length(std::string_view input) {
  return input.starts_with('+') || input.starts_with('-') ? 1 : 0;
}

// A sign, digits, ".", digits, rounded to the nearest double (ties to even);
// beyond the range of double an infinity or a zero of that sign.
std::optional<Parsed<Value>> read_float(std::string_view input) {
  const std::size_t sign = sign_length(input);
  const std::size_t point = digits_end(input, sign);
  if (point == sign || point == input.size() || input[point] != '.') return std::nullopt;
  const std::size_t end = digits_end(input, point + 1);
  if (end == point + 1) return std::nullopt;
  const std::optional<double> value = decimal::to_double(input.substr(0, end));
  if (!value) internal_stop("a float literal of checked shape was not converted");
  return Parsed<Value>{input.substr(end), Value(*value)};
}

// A sign and digits, exactly as a signed 64-bit integer; absent when the
// value does not fit.
std::optional<Parsed<Value>> read_integer(std::string_view input) {
  const std::size_t end = digits_end(input, sign_length(input));
  const std::optional<std::int64_t> value = decimal::to_int64(input.substr(0, end));
  if (!value) return std::nullopt;
  return Parsed<Value>{input.substr(end), Value(*value)};
}

// Keywords are plain prefixes: "nullable" reads as null with "able" left over.
std::optional<Parsed<Value>> read_keyword(std::string_view input) {
  if (input.starts_with("true")) return Parsed<Value>{input.substr(4), Value(true)};
  if (input.starts_with("false")) return Parsed<Value>{input.substr(5), Value(false)};
  if (input.starts_with("null")) return Parsed<Value>{input.substr(4), Value()};
  return std::nullopt;
}

std::optional<Parsed<Value>> read_literal_value(std::string_view input) {
  if (auto number = read_float(input)) return number;
  if (auto number = read_integer(input)) return number;
  if (auto keyword = read_keyword(input)) return keyword;
  if (auto text = parse_quoted_text(input)) {
    return Parsed<Value>{text->rest, Value(std::move(text->value))};
  }
  return std::nullopt;
}

// The bytes of the longest run of characters with the Alphabetic property.
std::size_t call_name_length(std::string_view input) {
  std::size_t length = 0;
  while (length < input.size()) {
    const utf8::Decoded decoded = utf8::decode_first(input.substr(length));
    if (!unicode::is_alphabetic(decoded.code_point)) break;
    length += decoded.length;
  }
  return length;
}

// Orders members by key bytes. Of members that share a key, the one written
// last stays; the trees of the others are released here, at parse time.
void sort_members(std::vector<ExpMember>& members) {
  std::stable_sort(members.begin(), members.end(),
                   [](const ExpMember& a, const ExpMember& b) { return a.key < b.key; });
  auto kept = members.begin();
  for (auto it = members.begin(); it != members.end(); ++it) {
    const auto next = it + 1;
    if (next != members.end() && next->key == it->key) continue;
    if (kept != it) *kept = std::move(*it);
    ++kept;
  }
  members.erase(kept, members.end());
}

// The node builders below run after an operand has been read. They are kept
// out of line so that their temporaries take no room in the frames of the
// recursive rules, which deep nesting stacks up.

[[gnu::noinline]] void join(Exp::Kind kind, Parsed<Exp>& left, Parsed<Exp>&& right) {
  left.value = Exp::binary(kind, std::move(left.value), std::move(right.value));
  left.rest = right.rest;
}

[[gnu::noinline]] void negate(Parsed<Exp>& operand) {
  operand.value = Exp(Exp::Not{Box<Exp>(std::move(operand.value))});
}

[[gnu::noinline]] ParseResult<Exp> make_array(std::string_view rest, std::vector<Exp> items) {
  return Parsed<Exp>{rest, Exp(Exp::Array{std::move(items)})};
}

// The key of an object member, quoted and followed at once by ":", owned;
// the rest is after the ":" and its blanks.
[[gnu::noinline]] std::optional<Parsed<std::string>> read_member_key(std::string_view input) {
  ParseResult<Text> key = parse_quoted_text(input);
  if (!key || !key->rest.starts_with(':')) return std::nullopt;
  return Parsed<std::string>{skip_ascii_blanks(key->rest.substr(1)),
                             std::move(key->value).into_string()};
}

[[gnu::noinline]] void add_member(std::vector<ExpMember>& members, std::string key, Exp value) {
  members.push_back(ExpMember{std::move(key), std::move(value)});
}

[[gnu::noinline]] ParseResult<Exp> make_object(std::string_view rest,
                                               std::vector<ExpMember> members) {
  sort_members(members);
  return Parsed<Exp>{rest, Exp(Exp::Object{std::move(members)})};
}

[[gnu::noinline]] ParseResult<Exp> make_call(std::string_view rest, std::string_view name,
                                             std::vector<Exp> args) {
  return Parsed<Exp>{rest, Exp(FunctionItem(name, std::move(args)))};
}

// One parse: the grammar's rules as methods, sharing the nesting depth.
class Grammar {
 public:
  ParseResult<Exp> parse_exp(std::string_view input);
  ParseResult<Exp> parse_atom(std::string_view input);

 private:
  using Level = ParseResult<Exp> (Grammar::*)(std::string_view);

  // Runs `level` on the input one nesting level deeper.
  template <Level level>
  ParseResult<Exp> deeper(std::string_view input);

  template <Level operand_level>
  ParseResult<Exp> parse_chain(std::string_view input, std::string_view op, Exp::Kind kind);
  template <Level operand_level>
  ParseResult<Exp> parse_pair(std::string_view input, std::string_view op, Exp::Kind kind);

  ParseResult<Exp> parse_or_level(std::string_view input) {
    return parse_chain<&Grammar::parse_and_level>(input, "||", Exp::kOr);
  }
  ParseResult<Exp> parse_and_level(std::string_view input) {
    return parse_chain<&Grammar::parse_eq_level>(input, "&&", Exp::kAnd);
  }
  ParseResult<Exp> parse_eq_level(std::string_view input) {
    return parse_pair<&Grammar::parse_neq_level>(input, "==", Exp::kEq);
  }
  ParseResult<Exp> parse_neq_level(std::string_view input) {
    return parse_pair<&Grammar::parse_comparison_level>(input, "!=", Exp::kNeq);
  }
  ParseResult<Exp> parse_comparison_level(std::string_view input);
  ParseResult<Exp> parse_unary(std::string_view input);

  ParseResult<Exp> parse_literal(std::string_view input);
  ParseResult<Exp> parse_array(std::string_view input);
  ParseResult<Exp> parse_object(std::string_view input);
  ParseResult<Exp> parse_call(std::string_view input);
  ParseResult<Exp> parse_variable(std::string_view input);
  ParseResult<Exp> parse_parenthesized(std::string_view input);

  ParseResult<std::vector<Exp>> parse_exp_list(std::string_view input);

  // One level deeper for as long as it lives. The parse result is returned
  // straight through, not held in the frame of deeper().
  class DepthScope {
   public:
    explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;
    ~DepthScope() { --depth_; }

   private:
    int& depth_;
  };

  int depth_ = 0;
};

template <Grammar::Level level>
ParseResult<Exp> Grammar::deeper(std::string_view input) {
  if (depth_ == kMaxNestingDepth) return parse_failure(input, ErrorKind::TooLarge);
  const DepthScope scope(depth_);
  return (this->*level)(input);
}

ParseResult<Exp> Grammar::parse_exp(std::string_view input) {
  return parse_or_level(skip_unicode_blanks(input));
}

// Operands joined by `op` nest to the left: a || b || c is Or(Or(a, b), c).
template <Grammar::Level operand_level>
ParseResult<Exp> Grammar::parse_chain(std::string_view input, std::string_view op, Exp::Kind kind) {
  ParseResult<Exp> result = (this->*operand_level)(input);
  while (result && result->rest.starts_with(op)) {
    ParseResult<Exp> operand =
        deeper<operand_level>(skip_ascii_blanks(result->rest.substr(op.size())));
    if (!operand) return operand;
    join(kind, *result, std::move(*operand));
  }
  return result;
}

// One or two operands joined by `op`; a third fails with kind Count right
// after the last operand. An operand that cannot be read ends the run before
// its operator.
template <Grammar::Level operand_level>
ParseResult<Exp> Grammar::parse_pair(std::string_view input, std::string_view op, Exp::Kind kind) {
  ParseResult<Exp> result = (this->*operand_level)(input);
  if (!result) return result;
  std::string_view rest = result->rest;
  std::size_t operands = 1;
  while (rest.starts_with(op)) {
    ParseResult<Exp> operand = deeper<operand_level>(skip_ascii_blanks(rest.substr(op.size())));
    if (!operand) {
      if (is_final(operand.error())) return operand;
      break;
    }
    rest = operand->rest;
    // Operands after the second are read only to find where the run ends.
    if (++operands == 2) join(kind, *result, std::move(*operand));
  }
  if (operands > 2) return parse_failure(rest, ErrorKind::Count);
  return result;
}

ParseResult<Exp> Grammar::parse_comparison_level(std::string_view input) {
  struct Comparison {
    std::string_view op;
    Exp::Kind kind;
  };
  // ">=" before ">", so that it is never read as ">" followed by "=".
  static constexpr Comparison kComparisons[] = {
      {">=", Exp::kGeq}, {"<=", Exp::kLeq}, {">", Exp::kGt}, {"<", Exp::kLt}};

  ParseResult<Exp> result = parse_unary(input);
  while (result) {
    const Comparison* match =
        std::find_if(std::begin(kComparisons), std::end(kComparisons),
                     [&](const Comparison& c) { return result->rest.starts_with(c.op); });
    if (match == std::end(kComparisons)) break;
    ParseResult<Exp> operand =
        deeper<&Grammar::parse_unary>(skip_ascii_blanks(result->rest.substr(match->op.size())));
    if (!operand) return operand;
    join(match->kind, *result, std::move(*operand));
  }
  return result;
}

// The operand of "!" is an atom, so "!!a" needs parentheses: "!(!a)".
ParseResult<Exp> Grammar::parse_unary(std::string_view input) {
  if (!input.starts_with('!')) return parse_atom(input);
  ParseResult<Exp> operand = deeper<&Grammar::parse_atom>(skip_ascii_blanks(input.substr(1)));
  if (operand) negate(*operand);
  return operand;
}

// The alternatives in order, each from the same position; when all fail, the
// failure of the last one (the parenthesised expression) is the atom's.
ParseResult<Exp> Grammar::parse_atom(std::string_view input) {
  for (const Level alternative :
       {&Grammar::parse_literal, &Grammar::parse_array, &Grammar::parse_object,
        &Grammar::parse_call, &Grammar::parse_variable}) {
    ParseResult<Exp> result = (this->*alternative)(input);
    if (result || is_final(result.error())) return result;
  }
  return parse_parenthesized(input);
}

ParseResult<Exp> Grammar::parse_literal(std::string_view input) {
  std::optional<Parsed<Value>> literal = read_literal_value(input);
  if (!literal) return char_failure(input);
  return Parsed<Exp>{skip_ascii_blanks(literal->rest), Exp(std::move(literal->value))};
}

ParseResult<Exp> Grammar::parse_array(std::string_view input) {
  if (!input.starts_with('[')) return char_failure(input);
  ParseResult<std::vector<Exp>> items = parse_exp_list(skip_ascii_blanks(input.substr(1)));
  if (!items) return Unexpected(std::move(items).error());
  if (!items->rest.starts_with(']')) return char_failure(items->rest);
  return make_array(skip_ascii_blanks(items->rest.substr(1)), std::move(items->value));
}

// Members are separated by "," with no trailing one; a member that cannot be
// read ends them before its ",", and "}" must follow.
ParseResult<Exp> Grammar::parse_object(std::string_view input) {
  if (!input.starts_with('{')) return char_failure(input);
  std::string_view rest = skip_ascii_blanks(input.substr(1));
  std::vector<ExpMember> members;
  for (std::string_view next = rest;;) {
    std::optional<Parsed<std::string>> key = read_member_key(next);
    if (!key) break;
    ParseResult<Exp> value = deeper<&Grammar::parse_exp>(key->rest);
    if (!value) {
      if (is_final(value.error())) return value;
      break;
    }
    add_member(members, std::move(key->value), std::move(value->value));
    rest = value->rest;
    if (!rest.starts_with(',')) break;
    next = skip_ascii_blanks(rest.substr(1));
  }
  if (!rest.starts_with('}')) return char_failure(rest);
  return make_object(skip_ascii_blanks(rest.substr(1)), std::move(members));
}

// A name of letters, "(", arguments with at most one trailing ",", ")". Any
// Unicode blanks may stand around the parentheses.
ParseResult<Exp> Grammar::parse_call(std::string_view input) {
  const std::size_t name_length = call_name_length(input);
  if (name_length == 0) return char_failure(input);
  std::string_view rest = skip_unicode_blanks(input.substr(name_length));
  if (!rest.starts_with('(')) return char_failure(rest);
  ParseResult<std::vector<Exp>> args = parse_exp_list(skip_unicode_blanks(rest.substr(1)));
  if (!args) return Unexpected(std::move(args).error());
  rest = args->rest;
  if (rest.starts_with(',')) rest = skip_ascii_blanks(rest.substr(1));
  rest = skip_unicode_blanks(rest);
  if (!rest.starts_with(')')) return char_failure(rest);
  return make_call(skip_ascii_blanks(rest.substr(1)), input.substr(0, name_length),
                   std::move(args->value));
}

ParseResult<Exp> Grammar::parse_variable(std::string_view input) {
  ParseResult<VarAccess> path = parse_variable_name(input);
  if (!path) return Unexpected(std::move(path).error());
  return Parsed<Exp>{skip_ascii_blanks(path->rest), Exp(std::move(path->value))};
}

// Parentheses group and create no node of their own.
ParseResult<Exp> Grammar::parse_parenthesized(std::string_view input) {
  if (!input.starts_with('(')) return char_failure(input);
  ParseResult<Exp> inner = deeper<&Grammar::parse_exp>(skip_ascii_blanks(input.substr(1)));
  if (!inner) return inner;
  if (!inner->rest.starts_with(')')) return char_failure(inner->rest);
  inner->rest = skip_ascii_blanks(inner->rest.substr(1));
  return inner;
}

// Expressions separated by ",". The first one that cannot be read ends the
// list before its "," (or leaves the list empty); the list fails only when
// the nesting limit is hit.
ParseResult<std::vector<Exp>> Grammar::parse_exp_list(std::string_view input) {
  std::vector<Exp> items;
  std::string_view rest = input;
  for (std::string_view next = input;;) {
    ParseResult<Exp> item = deeper<&Grammar::parse_exp>(next);
    if (!item) {
      if (is_final(item.error())) return Unexpected(std::move(item).error());
      break;
    }
    items.push_back(std::move(item->value));
    rest = item->rest;
    if (!rest.starts_with(',')) break;
    next = skip_ascii_blanks(rest.substr(1));
  }
  return Parsed<std::vector<Exp>>{rest, std::move(items)};
}

}  // namespace

ParseResult<Exp> parse_exp(std::string_view input) { return Grammar().parse_exp(input); }

Expected<Exp, ParseError> parse_whole_exp(std::string_view input) {
  ParseResult<Exp> parsed = parse_exp(input);
  if (!parsed) return Unexpected(parsed.error());
  if (!trim_unicode_blanks(parsed->rest).empty())
    return parse_failure(parsed->rest, ErrorKind::Eof);
  return std::move(parsed->value);
}

ParseResult<Exp> parse_atom(std::string_view input) { return Grammar().parse_atom(input); }

}  // namespace korvel::parser
