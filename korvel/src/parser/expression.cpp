// The expression grammar, loosest level first:
//
//   expression = Unicode blanks, or-level
//   or-level   = and-level { "||" and-level }
//   and-level  = eq-level { "&&" eq-level }
//   eq-level   = neq-level { "==" neq-level }
//   neq-level  = comparison { "!=" comparison }
//   comparison = unary { (">=" | "<=" | ">" | "<") unary }
//   unary      = "!" atom | atom
//   atom       = literal | array | object | call | variable | "(" expression ")"
//
// ASCII blanks may follow every operator and every atom. "||", "&&" and the
// comparisons chain any number of operands, nesting to the left; "==" and
// "!=" take one or two, and a third fails with kind Count. An operand after
// "==" or "!=" that cannot be read is given back with its operator, and the
// expression ends before them.
//
// Failures steer the choice between alternatives and are discarded where the
// grammar allows a construct to end: the atom's alternatives, an operand
// after "==" or "!=", a list item and an object member. Anywhere else a
// failure ends the construct that meets it.
//
// The parser keeps the constructs it is inside on a stack of frames, one per
// pending construct, instead of on the call stack: text nested to any depth
// costs memory, not call frames. An operator level gets a frame only once
// its operator is read; until then an operand passes through it unchanged.

#include "parser/expression.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <variant>
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

// The key of an object member, quoted and followed at once by ":", owned;
// the rest is after the ":" and its blanks.
std::optional<Parsed<std::string>> read_member_key(std::string_view input) {
  ParseResult<Text> key = parse_quoted_text(input);
  if (!key || !key->rest.starts_with(':')) return std::nullopt;
  return Parsed<std::string>{skip_ascii_blanks(key->rest.substr(1)),
                             std::move(key->value).into_string()};
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

// The levels of the grammar, loosest first. An operator level reads operands
// of the level after it; "!" reads an atom.
enum Level : int { kOr, kAnd, kEq, kNeq, kComparison, kUnary, kAtom };

struct Operator {
  std::string_view token;
  Level level;
  Exp::Kind kind;
};

// The operator that `input` begins with, if any. No token of one level is a
// prefix of a token of another, so at most one level can match.
const Operator* match_operator(std::string_view input) {
  // Most operands are followed by no operator at all.
  if (input.empty() || std::string_view("|&=!<>").find(input.front()) == std::string_view::npos) {
    return nullptr;
  }
  static constexpr Operator kOperators[] = {
      {"||", kOr, Exp::kOr},        {"&&", kAnd, Exp::kAnd},        {"==", kEq, Exp::kEq},
      {"!=", kNeq, Exp::kNeq},      {">=", kComparison, Exp::kGeq}, {"<=", kComparison, Exp::kLeq},
      {">", kComparison, Exp::kGt}, {"<", kComparison, Exp::kLt},
  };
  // ">=" comes before ">", so that it is never read as ">" followed by "=".
  const auto* match = std::find_if(std::begin(kOperators), std::end(kOperators),
                                   [&](const Operator& op) { return input.starts_with(op.token); });
  return match == std::end(kOperators) ? nullptr : match;
}

// The alternatives of an atom, in the order they are tried.
enum class Alternative { kLiteral, kArray, kObject, kCall, kVariable, kParenthesized };

// The kinds of pending constructs. Operator levels, lists and objects keep
// their data on stacks of their own; "!" and parentheses need none, so that
// each of them costs one byte of the frame stack.
enum class Construct : unsigned char { kOperator, kNot, kParenthesized, kArray, kCall, kObject };

// An operator level whose operator was read: the tree so far (for "==" and
// "!=", of the first two operands), the operator being read, how many
// operands were read, and the rest after the last of them, where an operand
// of "==" or "!=" that cannot be read gives its operator back.
struct OperatorFrame {
  Level level;
  Exp::Kind kind;
  Exp tree;
  std::string_view rest;
  int operands;
};

// An array literal or a call reading its expressions: where the atom began
// (its remaining alternatives are tried from there if this one fails), the
// call's name, the items so far and the rest after the last one, where the
// list ends if the next item cannot be read.
struct ListFrame {
  std::string_view start;
  std::string_view name;
  std::vector<Exp> items;
  std::string_view rest;
};

// An object literal reading its members, as a list does, with the key of the
// member being read.
struct ObjectFrame {
  std::string_view start;
  std::vector<ExpMember> members;
  std::string key;
  std::string_view rest;
};

// One parse: the stack of pending constructs, and the steps that read an
// operand (opening the constructs it starts with) and that hand what a
// construct yields to the construct around it.
class Grammar {
 public:
  // A construct of `level` at the start of `input`: an or-level, or an atom.
  ParseResult<Exp> parse(std::string_view input, Level level);

 private:
  // What a construct yields, and of which level it is.
  struct Outcome {
    ParseResult<Exp> result;
    Level level;
  };
  // The position of the next operand for the construct on top.
  struct Read {
    std::string_view input;
  };
  using Step = std::variant<Read, Outcome>;

  static Step atom(Parsed<Exp> parsed) { return Outcome{std::move(parsed), kAtom}; }
  // An expression: Unicode blanks, then an or-level.
  static Step read_expression(std::string_view input) { return Read{skip_unicode_blanks(input)}; }

  // The level of the operands that the construct on top reads.
  Level operand_level() const;

  Step read(std::string_view input);
  Step read_atom(std::string_view input, Alternative from);
  std::optional<Read> climb(Parsed<Exp>& operand, Level level);
  Step resume(Outcome&& outcome);

  Step resume_operator(ParseResult<Exp>&& operand);
  Step finish_operator();
  Step open_list(Construct construct, std::string_view start, std::string_view name,
                 std::string_view items);
  Step resume_list(ParseResult<Exp>&& item);
  std::optional<Step> open_object(std::string_view input);
  Step resume_object(ParseResult<Exp>&& member);
  static std::optional<Outcome> close_object(ObjectFrame object);
  std::optional<Step> open_call(std::string_view input);

  Level root_level_ = kOr;
  std::vector<Construct> frames_;  // innermost last
  std::vector<OperatorFrame> operators_;
  std::vector<ListFrame> lists_;
  std::vector<ObjectFrame> objects_;
};

ParseResult<Exp> Grammar::parse(std::string_view input, Level level) {
  root_level_ = level;
  Step step = Read{input};
  for (;;) {
    if (const Read* next = std::get_if<Read>(&step)) {
      step = read(next->input);
      continue;
    }
    Outcome& outcome = std::get<Outcome>(step);
    if (outcome.result) {
      if (std::optional<Read> operand = climb(*outcome.result, outcome.level)) {
        step = *operand;
        continue;
      }
    }
    if (frames_.empty()) return std::move(outcome.result);
    step = resume(std::move(outcome));
  }
}

Level Grammar::operand_level() const {
  if (frames_.empty()) return root_level_;
  switch (frames_.back()) {
    case Construct::kOperator: return static_cast<Level>(operators_.back().level + 1);
    case Construct::kNot: return kAtom;
    default: return kOr;  // the constructs of atoms read whole expressions
  }
}

// The operand of "!" is an atom, so "!!a" needs parentheses: "!(!a)".
Grammar::Step Grammar::read(std::string_view input) {
  if (operand_level() <= kUnary && input.starts_with('!')) {
    frames_.push_back(Construct::kNot);
    input = skip_ascii_blanks(input.substr(1));
  }
  return read_atom(input, Alternative::kLiteral);
}

// The alternatives from `from` on, each from the same position. One that
// needs a nested expression opens its frame and asks for it; if it fails
// later on, its frame tries the next alternative from here. When all fail,
// the failure of the last one (the parenthesised expression) is the atom's.
Grammar::Step Grammar::read_atom(std::string_view input, Alternative from) {
  switch (from) {
    case Alternative::kLiteral:
      if (std::optional<Parsed<Value>> literal = read_literal_value(input)) {
        return atom({skip_ascii_blanks(literal->rest), Exp(std::move(literal->value))});
      }
      [[fallthrough]];
    case Alternative::kArray:
      if (input.starts_with('[')) {
        return open_list(Construct::kArray, input, {}, skip_ascii_blanks(input.substr(1)));
      }
      [[fallthrough]];
    case Alternative::kObject:
      if (input.starts_with('{')) {
        if (std::optional<Step> object = open_object(input)) return std::move(*object);
      }
      [[fallthrough]];
    case Alternative::kCall:
      if (std::optional<Step> call = open_call(input)) return std::move(*call);
      [[fallthrough]];
    case Alternative::kVariable:
      if (ParseResult<VarAccess> path = parse_variable_name(input)) {
        return atom({skip_ascii_blanks(path->rest), Exp(std::move(path->value))});
      }
      [[fallthrough]];
    case Alternative::kParenthesized:
      // Parentheses group and create no node of their own.
      if (!input.starts_with('(')) return Outcome{char_failure(input), kAtom};
      frames_.push_back(Construct::kParenthesized);
      return read_expression(skip_ascii_blanks(input.substr(1)));
  }
  internal_stop("An atom alternative that does not exist");
}

// After an operand of `level`: an operator of a looser level that the
// construct on top still reads opens a frame for that level, with the
// operand as its first operand. Anything else ends the operand here.
std::optional<Grammar::Read> Grammar::climb(Parsed<Exp>& operand, Level level) {
  const Operator* op = match_operator(operand.rest);
  if (op == nullptr || op->level >= level || op->level < operand_level()) return std::nullopt;
  frames_.push_back(Construct::kOperator);
  operators_.push_back(
      OperatorFrame{op->level, op->kind, std::move(operand.value), operand.rest, 1});
  return Read{skip_ascii_blanks(operand.rest.substr(op->token.size()))};
}

// The construct on top takes what the construct inside it yielded.
Grammar::Step Grammar::resume(Outcome&& outcome) {
  ParseResult<Exp>& result = outcome.result;
  switch (frames_.back()) {
    case Construct::kOperator: return resume_operator(std::move(result));
    case Construct::kNot:
      frames_.pop_back();
      if (result) result->value = Exp(Exp::Not{Box<Exp>(std::move(result->value))});
      return Outcome{std::move(result), kUnary};
    case Construct::kParenthesized:
      // The inner expression's failure is the atom's, unchanged.
      frames_.pop_back();
      if (!result) return Outcome{std::move(result), kAtom};
      if (!result->rest.starts_with(')')) return Outcome{char_failure(result->rest), kAtom};
      return atom({skip_ascii_blanks(result->rest.substr(1)), std::move(result->value)});
    case Construct::kArray:
    case Construct::kCall: return resume_list(std::move(result));
    case Construct::kObject: return resume_object(std::move(result));
  }
  internal_stop("A construct that does not exist");
}

// "||", "&&" and the comparisons fail with an operand that cannot be read;
// "==" and "!=" give it back with its operator.
Grammar::Step Grammar::resume_operator(ParseResult<Exp>&& operand) {
  OperatorFrame& frame = operators_.back();
  const bool pair = frame.level == kEq || frame.level == kNeq;
  if (!operand) {
    if (pair) return finish_operator();
    const Level level = frame.level;
    operators_.pop_back();
    frames_.pop_back();
    return Outcome{std::move(operand), level};
  }
  // Operands after the second of "==" or "!=" are read only to find where
  // the run ends.
  if (!pair || ++frame.operands == 2) {
    frame.tree = Exp::binary(frame.kind, std::move(frame.tree), std::move(operand->value));
  }
  frame.rest = operand->rest;
  const Operator* op = match_operator(frame.rest);
  if (op == nullptr || op->level != frame.level) return finish_operator();
  frame.kind = op->kind;
  return Read{skip_ascii_blanks(frame.rest.substr(op->token.size()))};
}

// Three or more operands of "==" or "!=" fail with kind Count right after
// the last one.
Grammar::Step Grammar::finish_operator() {
  OperatorFrame frame = std::move(operators_.back());
  operators_.pop_back();
  frames_.pop_back();
  if (frame.operands > 2) return Outcome{parse_failure(frame.rest, ErrorKind::Count), frame.level};
  return Outcome{Parsed<Exp>{frame.rest, std::move(frame.tree)}, frame.level};
}

// "[", ASCII blanks, a list, "]"; or a call's name and "(", then a list,
// at most one "," and Unicode blanks, then ")". The list starts at `items`.
Grammar::Step Grammar::open_list(Construct construct, std::string_view start, std::string_view name,
                                 std::string_view items) {
  frames_.push_back(construct);
  lists_.push_back(ListFrame{start, name, {}, items});
  return read_expression(items);
}

// A list is expressions separated by ",". The first one that cannot be read
// ends it before its "," (or leaves it empty); its failure is discarded.
Grammar::Step Grammar::resume_list(ParseResult<Exp>&& item) {
  ListFrame& list = lists_.back();
  if (item) {
    list.items.push_back(std::move(item->value));
    list.rest = item->rest;
    if (list.rest.starts_with(',')) return read_expression(skip_ascii_blanks(list.rest.substr(1)));
  }
  const Construct construct = frames_.back();
  frames_.pop_back();
  ListFrame done = std::move(lists_.back());
  lists_.pop_back();
  std::string_view rest = done.rest;
  if (construct == Construct::kArray) {
    if (!rest.starts_with(']')) return read_atom(done.start, Alternative::kObject);
    return atom({skip_ascii_blanks(rest.substr(1)), Exp(Exp::Array{std::move(done.items)})});
  }
  if (rest.starts_with(',')) rest = skip_ascii_blanks(rest.substr(1));
  rest = skip_unicode_blanks(rest);
  if (!rest.starts_with(')')) return read_atom(done.start, Alternative::kVariable);
  return atom(
      {skip_ascii_blanks(rest.substr(1)), Exp(FunctionItem(done.name, std::move(done.items)))});
}

// A name of letters, Unicode blanks, "(" and Unicode blanks start a call;
// absent when they do not.
std::optional<Grammar::Step> Grammar::open_call(std::string_view input) {
  const std::size_t name_length = call_name_length(input);
  if (name_length == 0) return std::nullopt;
  const std::string_view rest = skip_unicode_blanks(input.substr(name_length));
  if (!rest.starts_with('(')) return std::nullopt;
  return open_list(Construct::kCall, input, input.substr(0, name_length),
                   skip_unicode_blanks(rest.substr(1)));
}

// "{", ASCII blanks, members separated by ",", "}"; absent when "}" does not
// follow at once.
std::optional<Grammar::Step> Grammar::open_object(std::string_view input) {
  ObjectFrame object{input, {}, {}, skip_ascii_blanks(input.substr(1))};
  std::optional<Parsed<std::string>> key = read_member_key(object.rest);
  if (!key) {
    if (std::optional<Outcome> closed = close_object(std::move(object))) return std::move(*closed);
    return std::nullopt;
  }
  object.key = std::move(key->value);
  frames_.push_back(Construct::kObject);
  objects_.push_back(std::move(object));
  return read_expression(key->rest);
}

// A member that cannot be read ends the members before its ",", and "}"
// must follow; its failure is discarded.
Grammar::Step Grammar::resume_object(ParseResult<Exp>&& member) {
  ObjectFrame& object = objects_.back();
  if (member) {
    object.members.push_back(ExpMember{std::move(object.key), std::move(member->value)});
    object.rest = member->rest;
    if (object.rest.starts_with(',')) {
      if (auto key = read_member_key(skip_ascii_blanks(object.rest.substr(1)))) {
        object.key = std::move(key->value);
        return read_expression(key->rest);
      }
    }
  }
  frames_.pop_back();
  ObjectFrame done = std::move(objects_.back());
  objects_.pop_back();
  const std::string_view start = done.start;
  if (std::optional<Outcome> closed = close_object(std::move(done))) return std::move(*closed);
  return read_atom(start, Alternative::kCall);
}

std::optional<Grammar::Outcome> Grammar::close_object(ObjectFrame object) {
  if (!object.rest.starts_with('}')) return std::nullopt;
  sort_members(object.members);
  return Outcome{Parsed<Exp>{skip_ascii_blanks(object.rest.substr(1)),
                             Exp(Exp::Object{std::move(object.members)})},
                 kAtom};
}

}  // namespace

ParseResult<Exp> parse_exp(std::string_view input) {
  return Grammar().parse(skip_unicode_blanks(input), kOr);
}

Expected<Exp, ParseError> parse_whole_exp(std::string_view input) {
  ParseResult<Exp> parsed = parse_exp(input);
  if (!parsed) return Unexpected(parsed.error());
  if (!trim_unicode_blanks(parsed->rest).empty())
    return parse_failure(parsed->rest, ErrorKind::Eof);
  return std::move(parsed->value);
}

ParseResult<Exp> parse_atom(std::string_view input) { return Grammar().parse(input, kAtom); }

}  // namespace korvel::parser
