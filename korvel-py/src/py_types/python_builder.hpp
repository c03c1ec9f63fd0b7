// Python objects built from a tree of data, with a stack of its own instead of
// recursion: containers become new lists and dicts, filled first to last, and
// every container entered keeps the nesting rule.
#pragma once

#include <cstddef>

#include "inline_stack.hpp"
#include "korvel/internal_stop.hpp"
#include "py_ref.hpp"
#include "py_types/nesting.hpp"

namespace korvel::py {

enum class Shape { kLeaf, kList, kDict };

// Source describes the tree it reads:
//   Node, Cursor, Key: a cheap handle to one value, a position among a
//     container's children, and the key of a dict member;
//   Shape shape(Node): what the node becomes;
//   Ref leaf(Node): a kLeaf node's object, or null with the exception set;
//   Py_ssize_t length(Node): the item count of a kList node;
//   Cursor begin(Node): the position before a container's first child;
//   bool next(Node, Cursor&, Node& child, Key& key): the next child (and, in a
//     dict, its key) and true, or false after the last one;
//   Ref key_object(const Key&): the dict key, or null with the exception set.
// A dict member's value is built before its key object, and stored by item
// assignment.
template <class Source>
class PythonBuilder {
 public:
  using Node = typename Source::Node;

  explicit PythonBuilder(const Source& source) : source_(source) {}
  PythonBuilder(const PythonBuilder&) = delete;
  PythonBuilder& operator=(const PythonBuilder&) = delete;
  ~PythonBuilder() {
    while (!frames_.empty()) pop();
  }

  // The object for `root`, or null with the exception set.
  Ref build(Node root) {
    Ref result;
    if (!start(root, result)) return Ref();
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      Node child;
      if (!source_.next(frame.node, frame.cursor, child, frame.key)) {
        if (!frame.dict && frame.filled != PyList_GET_SIZE(frame.container.get())) {
          internal_stop("A list was built with fewer items than its length");
        }
        Ref done = std::move(frame.container);
        pop();
        if (!deliver(std::move(done), result)) return Ref();
        continue;
      }
      Ref leaf;
      if (!start(child, leaf)) return Ref();
      if (leaf && !deliver(std::move(leaf), result)) return Ref();
    }
    return result;
  }

 private:
  // A container being filled.
  struct Frame {
    Ref container;
    Node node;
    typename Source::Cursor cursor;
    typename Source::Key key;
    Py_ssize_t filled;
    bool dict;
  };

  // Most results nest only a few levels: their frames need no heap.
  static constexpr std::size_t kInlineFrames = 16;

  // A leaf's object into `leaf`, or a container opened as a new frame (and
  // `leaf` left null). False with the exception set.
  bool start(Node node, Ref& leaf) {
    const Shape shape = source_.shape(node);
    if (shape == Shape::kLeaf) {
      leaf = source_.leaf(node);
      return static_cast<bool>(leaf);
    }
    if (!enter_nesting(frames_.size(), "a JSON value to a Python object")) return false;
    Ref container =
        Ref::steal(shape == Shape::kList ? PyList_New(source_.length(node)) : PyDict_New());
    if (!container) {
      leave_nesting();
      return false;
    }
    // Entered before it is pushed: pop() leaves for every frame.
    try {
      frames_.emplace(
          Frame{std::move(container), node, source_.begin(node), {}, 0, shape == Shape::kDict});
    } catch (...) {
      leave_nesting();
      throw;
    }
    return true;
  }

  // Stores a finished child into the innermost frame, or as the result.
  bool deliver(Ref value, Ref& result) {
    if (frames_.empty()) {
      result = std::move(value);
      return true;
    }
    Frame& frame = frames_.back();
    if (!frame.dict) {
      PyList_SET_ITEM(frame.container.get(), frame.filled++, value.release());
      return true;
    }
    Ref key = source_.key_object(frame.key);
    return key && PyDict_SetItem(frame.container.get(), key.get(), value.get()) == 0;
  }

  void pop() {
    frames_.pop();
    leave_nesting();
  }

  const Source& source_;
  InlineStack<Frame, kInlineFrames> frames_;
};

// The object for `root` of `source`'s tree, or null with the exception set.
template <class Source>
Ref build_python(const Source& source, typename Source::Node root) {
  // Most results are single values, which need no builder.
  if (source.shape(root) == Shape::kLeaf) return source.leaf(root);
  return PythonBuilder<Source>(source).build(root);
}

}  // namespace korvel::py
