// "len", "startsWith", "endsWith", "contains", "replace", "split" and "join".
//
// Texts compare as UTF-8 bytes; only "len" and the empty-pattern forms of
// "replace" and "split" look at character boundaries.
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "builtins/argument_checks.hpp"
#include "builtins/builtins.hpp"
#include "text/substring_search.hpp"
#include "text/text_form.hpp"
#include "text/utf8.hpp"

namespace korvel::functions {
namespace {

Value owned_string(std::string text) { return Value(Text::owned(std::move(text))); }

// The two String arguments of "startsWith", "endsWith" and "split".
struct TextPair {
  const Text& first;
  std::string_view second;
};

Expected<TextPair, EvalError> two_strings(Arguments args) {
  if (args.size() != 2) return count_error(2, args.size());
  const Text* first = args[0].get_if<Text>();
  if (first == nullptr) return type_error(kFirstNotString, args[0]);
  const Text* second = args[1].get_if<Text>();
  if (second == nullptr) return type_error(kSecondNotString, args[1]);
  return TextPair{*first, second->view()};
}

// The parts of `text` from each end (or the start) to the next end, skipping
// `gap` bytes after each end: views when `text` is a view, whose source
// outlives the call; copies when `text` is owned by an argument, which does not.
Array pieces_between(const Text& text, std::span<const std::size_t> ends, std::size_t gap) {
  const std::string_view bytes = text.view();
  Array pieces;
  pieces.reserve(ends.size());
  std::size_t start = 0;
  if (text.is_borrowed()) {
    for (const std::size_t end : ends) {
      pieces.emplace_back(Text::borrowed(std::string_view(bytes.data() + start, end - start)));
      start = end + gap;
    }
  } else {
    for (const std::size_t end : ends) {
      pieces.emplace_back(Text::owned(std::string(bytes.data() + start, end - start)));
      start = end + gap;
    }
  }
  return pieces;
}

std::size_t char_length(std::string_view text, std::size_t at) {
  return utf8::decode_first(text.substr(at)).length;
}

// `to` before every character of `text` and once more at its end.
std::string insert_at_every_boundary(std::string_view text, std::string_view to) {
  const std::size_t boundaries = utf8::count_chars(text) + 1;
  std::string result;
  result.reserve(text.size() + boundaries * to.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = char_length(text, at);
    result.append(to).append(text.substr(at, length));
    at += length;
  }
  result.append(to);
  return result;
}

// An empty piece, each character, and an empty piece again.
Array split_into_chars(const Text& text) {
  const std::string_view bytes = text.view();
  std::vector<std::size_t> ends;
  ends.reserve(utf8::count_chars(bytes) + 2);
  ends.push_back(0);
  for (std::size_t at = 0; at < bytes.size();) {
    at += char_length(bytes, at);
    ends.push_back(at);
  }
  ends.push_back(bytes.size());
  return pieces_between(text, ends, 0);
}

}  // namespace

FnResult len(Arguments args) {
  if (args.size() != 1) return count_error(1, args.size());
  const Value& value = args[0];
  switch (value.tag()) {
    case Value::kString:
      return Value(static_cast<std::int64_t>(utf8::count_chars(value.get_if<Text>()->view())));
    case Value::kArray: return Value(static_cast<std::int64_t>(value.get_if<Array>()->size()));
    case Value::kObject: return Value(static_cast<std::int64_t>(value.get_if<Object>()->size()));
    default: return type_error("Expected a string, array, or object, got: '{}'", value);
  }
}

FnResult starts_with(Arguments args) {
  auto texts = two_strings(args);
  if (!texts) return Unexpected(std::move(texts).error());
  return Value(texts->first.view().starts_with(texts->second));
}

FnResult ends_with(Arguments args) {
  auto texts = two_strings(args);
  if (!texts) return Unexpected(std::move(texts).error());
  return Value(texts->first.view().ends_with(texts->second));
}

FnResult contains(Arguments args) {
  if (args.size() != 2) return count_error(2, args.size());
  const Value& container = args[0];
  const Value& item = args[1];
  const Text* needle = item.get_if<Text>();
  if (const Text* text = container.get_if<Text>(); text != nullptr && needle != nullptr) {
    return Value(SubstringSearch(needle->view()).find(text->view()) != std::string_view::npos);
  }
  if (const Array* array = container.get_if<Array>()) {
    for (const Value& element : *array) {
      if (element == item) return Value(true);
    }
    return Value(false);
  }
  if (const Object* object = container.get_if<Object>(); object != nullptr && needle != nullptr) {
    return Value(object->find(needle->view()) != nullptr);
  }
  std::string message =
      "Expected (string, string), (array, value), or (object, string) arguments, got: ('";
  message.append(type_name(container.get_type())).append("', '");
  message.append(type_name(item.get_type())).append("')");
  return Unexpected(EvalError(EvalError::TypeError{std::move(message)}));
}

FnResult replace(Arguments args) {
  if (args.size() != 3) return count_error(3, args.size());
  const Text* text = args[0].get_if<Text>();
  if (text == nullptr) return type_error(kFirstNotString, args[0]);
  const Text* from = args[1].get_if<Text>();
  if (from == nullptr) return type_error(kSecondNotString, args[1]);
  const Text* to = args[2].get_if<Text>();
  if (to == nullptr) return type_error(kThirdNotString, args[2]);

  const std::string_view haystack = text->view();
  const std::string_view pattern = from->view();
  if (pattern.empty()) return owned_string(insert_at_every_boundary(haystack, to->view()));

  std::string result;
  result.reserve(haystack.size());
  std::size_t copied = 0;
  SubstringSearch(pattern).for_each(haystack, [&](std::size_t at) {
    result.append(haystack.substr(copied, at - copied)).append(to->view());
    copied = at + pattern.size();
  });
  result.append(haystack.substr(copied));
  return owned_string(std::move(result));
}

FnResult split(Arguments args) {
  auto texts = two_strings(args);
  if (!texts) return Unexpected(std::move(texts).error());
  // Named, not a structured binding: clang 14 cannot capture those.
  const Text& text = texts->first;
  const std::string_view separator = texts->second;
  if (separator.empty()) return Value(split_into_chars(text));

  // One scan notes where the pieces end, so that the array of large elements
  // is allocated once, at its size.
  std::vector<std::size_t> ends;
  SubstringSearch(separator).for_each(text.view(), [&](std::size_t at) { ends.push_back(at); });
  ends.push_back(text.view().size());
  return Value(pieces_between(text, ends, separator.size()));
}

// Each element is written straight into the result in its text form. When
// all are strings, the common case, the result's size is known and each
// element is a single copy.
FnResult join(Arguments args) {
  if (args.size() != 2) return count_error(2, args.size());
  const Array* array = args[0].get_if<Array>();
  if (array == nullptr) return type_error("Expected an array argument, got: '{}'", args[0]);
  const Text* separator_text = args[1].get_if<Text>();
  if (separator_text == nullptr) {
    return type_error("Expected a string argument, got: '{}'", args[1]);
  }

  const std::string_view separator = separator_text->view();
  if (array->empty()) return owned_string(std::string());
  std::size_t size = separator.size() * (array->size() - 1);
  bool all_strings = true;
  for (const Value& element : *array) {
    const Text* text = element.get_if<Text>();
    all_strings = all_strings && text != nullptr;
    if (text != nullptr) size += text->view().size();
  }
  std::string result;
  if (all_strings) {
    result.resize(size);
    char* out = result.data();
    // Separators are often a single byte, not worth a call.
    const auto copy = [&out](std::string_view text) {
      if (text.size() == 1) {
        *out = text.front();
      } else if (!text.empty()) {
        std::memcpy(out, text.data(), text.size());
      }
      out += text.size();
    };
    copy(array->front().get_if<Text>()->view());
    for (auto it = array->begin() + 1; it != array->end(); ++it) {
      copy(separator);
      copy(it->get_if<Text>()->view());
    }
  } else {
    result.reserve(size);
    write_text_form(result, array->front());
    for (auto it = array->begin() + 1; it != array->end(); ++it) {
      result.append(separator);
      write_text_form(result, *it);
    }
  }
  return owned_string(std::move(result));
}

}  // namespace korvel::functions
