#include "text/text_form.hpp"

#include <charconv>

#include "text/float_format.hpp"
#include "text/json_escape.hpp"

namespace korvel {
namespace {

void write_int(std::string& out, std::int64_t i) {
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

void write_member(std::string& out, const Value& value) {
  if (const Text* text = value.get_if<Text>()) {
    write_quoted_member(out, text->view());
  } else {
    write_text_form(out, value);
  }
}

}  // namespace

void write_text_form(std::string& out, const Value& value) {
  switch (value.tag()) {
    case Value::kInt: write_int(out, *value.get_if<std::int64_t>()); break;
    case Value::kFloat:
      write_float(out, *value.get_if<double>(), FloatNotation::kPositional);
      break;
    case Value::kBool: out.append(*value.get_if<bool>() ? "true" : "false"); break;
    case Value::kString: out.append(value.get_if<Text>()->view()); break;
    case Value::kArray: {
      out.push_back('[');
      const char* separator = "";
      for (const Value& element : *value.get_if<Array>()) {
        out.append(separator);
        write_member(out, element);
        separator = ", ";
      }
      out.push_back(']');
      break;
    }
    case Value::kObject: {
      out.push_back('{');
      const char* separator = "";
      for (const ObjectEntry& entry : *value.get_if<Object>()) {
        // Keys are quoted but deliberately not escaped.
        out.append(separator).append("\"").append(entry.key).append("\": ");
        write_member(out, entry.value);
        separator = ", ";
      }
      out.push_back('}');
      break;
    }
    case Value::kNull: out.append("null"); break;
  }
}

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
