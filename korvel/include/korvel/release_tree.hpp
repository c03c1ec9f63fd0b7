// Releasing a tree of any depth with neither recursion nor memory of its own.
#pragma once

#include <utility>

namespace korvel {

// Releases the tree `root`. Releasing runs in destructors, where running out
// of memory would end the process and running out of stack would crash it;
// so instead of a work list, the walk rebuilds the tree as it goes. While the
// root has a child other than its first one that has children of its own,
// that child is lifted into the root's place: the child's first child takes
// the child's slot, and the old root becomes the child's first child. Once
// no such child is left, the root's other children are leaves, and the root
// goes, its first child taking its place. A lifted node stays on the chain of
// first children until it is itself the root and goes, so each node is
// lifted at most once and the walk takes time linear in the size of the tree.
//
// `Shape` tells the walk about the nodes:
//   bool has_children(const Node&)
//   Node& first_child(Node&)            for a node with children
//   Node* other_child_with_children(Node&)
//       a child after the first that has children, or null; it may release
//       childless children at the end of the node's list on the way, so that
//       the next call does not look at them again.
// Moving a node leaves one without children behind.
template <class Shape, class Node>
void release_tree(Node root) {
  while (Shape::has_children(root)) {
    if (Node* child = Shape::other_child_with_children(root)) {
      Node lifted = std::move(*child);
      *child = std::move(Shape::first_child(lifted));
      Shape::first_child(lifted) = std::move(root);
      root = std::move(lifted);
    } else {
      Node first = std::move(Shape::first_child(root));
      root = std::move(first);
    }
  }
}

}  // namespace korvel
