#include "text/json_escape.hpp"

namespace korvel {

void append_json_escaped(std::string& out, std::string_view text, std::size_t match) {
  std::size_t copied = 0;
  for (; match != std::string_view::npos; match = find_json_escape(text, copied)) {
    out.append(text.substr(copied, match - copied));
    switch (const char c = text[match]) {
      case '\t': out.append("\\t"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      default: out.push_back(c); break;  // the apostrophe stays as it is
    }
    copied = match + 1;
  }
  out.append(text.substr(copied));
}

namespace utils {

Text escape_str_for_json(std::string_view text) {
  const std::size_t first = find_json_escape(text);
  if (first == std::string_view::npos) return Text::borrowed(text);
  std::string escaped;
  escaped.reserve(text.size());
  append_json_escaped(escaped, text, first);
  return Text::owned(std::move(escaped));
}

}  // namespace utils
}  // namespace korvel
