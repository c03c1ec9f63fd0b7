#include "korvel/parse_error.hpp"

namespace korvel {

std::string_view error_kind_name(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Char: return "Char";
    case ErrorKind::Digit: return "Digit";
    case ErrorKind::Count: return "Count";
    case ErrorKind::Eof: return "Eof";
    case ErrorKind::MapRes: return "MapRes";
    case ErrorKind::IsNot: return "IsNot";
    case ErrorKind::Escaped: return "Escaped";
    case ErrorKind::EscapedTransform: return "EscapedTransform";
  }
  return "";
}

std::string to_string(const ParseError& error) {
  std::string out = "error ";
  out.append(error_kind_name(error.kind));
  out.append(" at: ");
  out.append(error.input);
  return out;
}

}  // namespace korvel
