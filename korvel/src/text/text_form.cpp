#include "text/text_form.hpp"

#include <charconv>

#include "korvel/internal_stop.hpp"
#include "text/float_format.hpp"
#include "text/json_escape.hpp"
#include "text/nested_writer.hpp"

namespace korvel {
namespace {

inline void write_int(std::string& out, std::int64_t i) {
  char buffer[20];  // "-9223372036854775808"
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, i);
  out.append(buffer, result.ptr);
}

// A string inside an array or object: quoted, with its special characters escaped.
void write_quoted_member(std::string& out, std::string_view text) {
  out.push_back('"');
  append_json_escaped(out, text, find_json_escape(text));
  out.push_back('"');
}

// Scalars print plainly; a string prints as its raw text at the top and
// quoted and escaped inside an array or object. Keys are quoted but
// deliberately not escaped.
struct TextForm {
  static void write_scalar(std::string& out, const Value& value, bool nested) {
    switch (value.tag()) {
      case Value::kInt: write_int(out, *value.get_if<std::int64_t>()); break;
      case Value::kFloat:
        write_float(out, *value.get_if<double>(), FloatNotation::kPositional);
        break;
      case Value::kBool: out.append(*value.get_if<bool>() ? "true" : "false"); break;
      case Value::kString:
        if (nested) {
          write_quoted_member(out, value.get_if<Text>()->view());
        } else {
          out.append(value.get_if<Text>()->view());
        }
        break;
      case Value::kNull: out.append("null"); break;
      default: internal_stop("A container is no scalar");
    }
  }
  static void open(std::string& out, const Value& container) {
    out.push_back(container.tag() == Value::kArray ? '[' : '{');
  }
  static void close(std::string& out, const Value& container) {
    out.push_back(container.tag() == Value::kArray ? ']' : '}');
  }
  static void write_key(std::string& out, std::string_view key) {
    out.append("\"").append(key).append("\": ");
  }
};

}  // namespace

void write_text_form(std::string& out, const Value& value) { write_nested<TextForm>(out, value); }

std::vector<std::string> render_values(Arguments values) {
  std::vector<std::string> texts;
  texts.reserve(values.size());
  for (const Value& value : values) {
    // A string renders as its own text: copy it in one exact allocation.
    if (const Text* text = value.get_if<Text>()) {
      texts.emplace_back(text->view());
    } else {
      write_text_form(texts.emplace_back(), value);
    }
  }
  return texts;
}

}  // namespace korvel
