#include "py_types/view_to_python.hpp"

#include <cstddef>
#include <string_view>
#include <vector>

#include "py_text.hpp"
#include "py_types/python_builder.hpp"

namespace korvel::py {
namespace {

Shape shape_of(PyObject* object) {
  if (PyList_CheckExact(object) || PyTuple_CheckExact(object)) return Shape::kList;
  if (PyDict_CheckExact(object)) return Shape::kDict;
  return Shape::kLeaf;
}

Ref leaf_of(PyObject* object) {
  if (PyFloat_CheckExact(object)) return Ref::steal(PyFloat_FromDouble(PyFloat_AS_DOUBLE(object)));
  if (PyLong_CheckExact(object)) {
    // Beyond 64 bits an int is bound as the float it converts to.
    if (auto wide = PyJsonView::of(object).as_f64()) return Ref::steal(PyFloat_FromDouble(*wide));
  }
  // None, a bool, a str or an int within 64 bits.
  return Ref::new_ref(object);
}

// Plain data as the builder reads it. A cursor is a list position or the
// dict's own iteration position.
struct ViewSource {
  using Node = PyObject*;
  using Cursor = Py_ssize_t;
  using Key = PyObject*;

  static Shape shape(Node node) { return shape_of(node); }
  static Ref leaf(Node node) { return leaf_of(node); }
  static Py_ssize_t length(Node node) { return PySequence_Fast_GET_SIZE(node); }
  static Cursor begin(Node) { return 0; }

  static bool next(Node node, Cursor& cursor, Node& child, Key& key) {
    if (PyDict_CheckExact(node)) return PyDict_Next(node, &cursor, &key, &child) != 0;
    if (cursor == PySequence_Fast_GET_SIZE(node)) return false;
    child = PySequence_Fast_GET_ITEM(node, cursor++);
    return true;
  }

  static Ref key_object(Key key) { return Ref::new_ref(key); }
};

// The same, with one value replaced. Walking the path is a sequence of
// selections, a member by key and then, when the step has an index, an item
// by position; the nodes on the path know how many selections lead to them,
// and the node that the last selection reaches is the replacement instead.
class ReplacedSource {
 public:
  struct Node {
    PyObject* object = nullptr;
    std::size_t selected = kOffPath;  // selections that lead here
  };
  using Cursor = Py_ssize_t;
  using Key = PyObject*;

  ReplacedSource(const VarAccess& path, PyObject* replacement) : replacement_(replacement) {
    for (const VarName& step : path.names()) {
      selections_.push_back(Selection{&step.name, 0});
      if (step.index) selections_.push_back(Selection{nullptr, *step.index});
    }
  }

  static Shape shape(Node node) { return shape_of(node.object); }
  static Ref leaf(Node node) { return leaf_of(node.object); }
  static Py_ssize_t length(Node node) { return PySequence_Fast_GET_SIZE(node.object); }
  static Cursor begin(Node) { return 0; }

  bool next(Node node, Cursor& cursor, Node& child, Key& key) const {
    bool selected;
    if (PyDict_CheckExact(node.object)) {
      if (!PyDict_Next(node.object, &cursor, &key, &child.object)) return false;
      selected = node.selected != kOffPath && selects_key(selections_[node.selected], key);
    } else {
      if (cursor == PySequence_Fast_GET_SIZE(node.object)) return false;
      selected = node.selected != kOffPath &&
                 selections_[node.selected].position == static_cast<std::size_t>(cursor);
      child.object = PySequence_Fast_GET_ITEM(node.object, cursor++);
    }
    child.selected = selected ? node.selected + 1 : kOffPath;
    if (child.selected == selections_.size()) child = Node{replacement_, kOffPath};
    return true;
  }

  static Ref key_object(Key key) { return Ref::new_ref(key); }

 private:
  static constexpr std::size_t kOffPath = static_cast<std::size_t>(-1);

  // A member by its key text, or (without one) an item by position.
  struct Selection {
    const std::string* key;
    std::size_t position;
  };

  static bool selects_key(const Selection& selection, PyObject* key) {
    return selection.key != nullptr && PyJsonView::of(key).as_str() == *selection.key;
  }

  PyObject* replacement_;
  std::vector<Selection> selections_;
};

}  // namespace

Ref view_to_python(const PyJsonView& value) { return build_python(ViewSource(), value.object()); }

Ref replaced_to_python(const PyJsonView& root, const VarAccess& path,
                       const PyJsonView& replacement) {
  const ReplacedSource source(path, replacement.object());
  return build_python(source, ReplacedSource::Node{root.object(), 0});
}

}  // namespace korvel::py
