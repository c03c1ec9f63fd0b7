// The walk shared by the two text forms of a Value, the text form and the
// debug form: a value, then the elements of every array and object in it,
// in order. Open containers are kept on a stack of their own instead of the
// call stack, so that any depth of nesting can be written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "korvel/value.hpp"

namespace korvel {

// Writes `value` to `out` in a form given by the static functions of `Form`:
//   Form::write_scalar(out, value, nested): a value that is no array or
//     object; `nested` when it stands inside one;
//   Form::open(out, container) and Form::close(out, container): what comes
//     before and after the elements of an array or object;
//   Form::write_key(out, key): an object member's key, up to its value.
// Elements are separated by ", ".
namespace nested_writer_detail {

inline bool is_container(const Value& value) {
  return value.tag() == Value::kArray || value.tag() == Value::kObject;
}

// Kept apart from write_nested so that writing a scalar stays a short call.
template <class Form>
[[gnu::noinline]] void write_container(std::string& out, const Value& value) {
  // An array or object being written, with the position of its next element.
  struct Open {
    const Value* container;
    std::size_t next;
  };
  Open current{&value, 0};
  std::vector<Open> outer;  // the containers around the current one, innermost last
  Form::open(out, value);
  for (;;) {
    const Value& container = *current.container;
    const Array* array = container.get_if<Array>();
    const Object* object = container.get_if<Object>();
    if (current.next == (array ? array->size() : object->size())) {
      Form::close(out, container);
      if (outer.empty()) return;
      current = outer.back();
      outer.pop_back();
      continue;
    }
    if (current.next > 0) out.append(", ");
    const std::size_t i = current.next++;
    const Value* element = nullptr;
    if (array) {
      element = &(*array)[i];
    } else {
      const ObjectEntry& entry = object->begin()[static_cast<std::ptrdiff_t>(i)];
      Form::write_key(out, entry.key);
      element = &entry.value;
    }
    if (is_container(*element)) {
      Form::open(out, *element);
      outer.push_back(current);
      current = Open{element, 0};
    } else {
      Form::write_scalar(out, *element, /*nested=*/true);
    }
  }
}

}  // namespace nested_writer_detail

template <class Form>
void write_nested(std::string& out, const Value& value) {
  if (nested_writer_detail::is_container(value)) {
    nested_writer_detail::write_container<Form>(out, value);
  } else {
    Form::write_scalar(out, value, /*nested=*/false);
  }
}

}  // namespace korvel
