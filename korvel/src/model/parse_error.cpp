#include "korvel/parse_error.hpp"

#include <array>

namespace korvel {
namespace {

constexpr std::array<std::string_view, 57> kNames = {
    "Tag",
    "MapRes",
    "MapOpt",
    "Alt",
    "IsNot",
    "IsA",
    "SeparatedList",
    "SeparatedNonEmptyList",
    "Many0",
    "Many1",
    "ManyTill",
    "Count",
    "TakeUntil",
    "LengthValue",
    "TagClosure",
    "Alpha",
    "Digit",
    "HexDigit",
    "OctDigit",
    "BinDigit",
    "AlphaNumeric",
    "Space",
    "MultiSpace",
    "LengthValueFn",
    "Eof",
    "Switch",
    "TagBits",
    "OneOf",
    "NoneOf",
    "Char",
    "CrLf",
    "RegexpMatch",
    "RegexpMatches",
    "RegexpFind",
    "RegexpCapture",
    "RegexpCaptures",
    "TakeWhile1",
    "Complete",
    "Fix",
    "Escaped",
    "EscapedTransform",
    "NonEmpty",
    "ManyMN",
    "Not",
    "Permutation",
    "Verify",
    "TakeTill1",
    "TakeWhileMN",
    "TooLarge",
    "Many0Count",
    "Many1Count",
    "Float",
    "Satisfy",
    "Fail",
    "Many",
    "Fold",
    "Precedence",
};

static_assert(static_cast<std::size_t>(ErrorKind::Precedence) + 1 == kNames.size());

}  // namespace

std::string_view error_kind_name(ErrorKind kind) { return kNames[static_cast<std::size_t>(kind)]; }

std::string to_string(const ParseError& error) {
  std::string out = "error ";
  out.append(error_kind_name(error.kind));
  out.append(" at: ");
  out.append(error.input);
  return out;
}

}  // namespace korvel
