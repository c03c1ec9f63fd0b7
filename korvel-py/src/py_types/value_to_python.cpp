#include "py_types/value_to_python.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "py_text.hpp"
#include "py_types/python_builder.hpp"

namespace korvel::py {
namespace {

// A Value tree as the builder reads it.
struct ValueSource {
  using Node = const Value*;
  using Cursor = std::size_t;
  using Key = std::string_view;

  static Shape shape(Node node) {
    switch (node->tag()) {
      case Value::kArray: return Shape::kList;
      case Value::kObject: return Shape::kDict;
      default: return Shape::kLeaf;
    }
  }

  static Ref leaf(Node node) {
    switch (node->tag()) {
      case Value::kInt: return Ref::steal(PyLong_FromLongLong(*node->get_if<std::int64_t>()));
      case Value::kFloat: return Ref::steal(PyFloat_FromDouble(*node->get_if<double>()));
      case Value::kBool: return Ref::new_ref(*node->get_if<bool>() ? Py_True : Py_False);
      case Value::kString: return python_text(node->get_if<Text>()->view());
      case Value::kNull: return Ref::new_ref(Py_None);
      default: internal_stop("Unknown value kind");
    }
  }

  static Py_ssize_t length(Node node) {
    return static_cast<Py_ssize_t>(node->get_if<Array>()->size());
  }
  static Cursor begin(Node) { return 0; }

  static bool next(Node node, Cursor& cursor, Node& child, Key& key) {
    if (const auto* items = node->get_if<Array>()) {
      if (cursor == items->size()) return false;
      child = &(*items)[cursor++];
      return true;
    }
    const Object& members = *node->get_if<Object>();
    if (cursor == members.size()) return false;
    const ObjectEntry& entry = members.begin()[static_cast<std::ptrdiff_t>(cursor++)];
    key = entry.key;
    child = &entry.value;
    return true;
  }

  static Ref key_object(Key key) { return python_text(key); }
};

}  // namespace

Ref value_to_python(const Value& value) { return build_python(ValueSource(), &value); }

}  // namespace korvel::py
