// Variable access: walking a path through bound data.
//
// A walk copies nothing on success: it returns a reference into the data.
// Path texts and messages are built only on the way out with an error.
#pragma once

#include <string>

#include "korvel/env.hpp"
#include "korvel/var.hpp"

namespace korvel {
namespace access_detail {

// Applies an index to the current value; `path` names the value indexed into.
template <JsonLike V, class PathText>
Expected<const V*, VarAccessError> apply_index(const V& current, std::uint64_t index,
                                               PathText path) {
  const typename V::ArrayType* array = current.as_array();
  if (array == nullptr) {
    std::string message = "Expected array at '" + path() + "', found ";
    current.write_debug(message);
    return Unexpected(VarAccessError(VarAccessError::TypeError{std::move(message)}));
  }
  if (index >= array->size()) {
    return Unexpected(VarAccessError(VarAccessError::IndexOutOfBounds{
        "Index out of bounds at '" + path() + "' (index: " + std::to_string(index) +
        ", length: " + std::to_string(array->size()) + ")"}));
  }
  return &(*array)[index];
}

}  // namespace access_detail

template <JsonLike V>
Expected<const V*, VarAccessError> VarAccess::access_names(std::span<const VarName> names,
                                                           const V& root, bool first_done) {
  if (names.empty()) internal_stop("Variable access must have at least one name");
  const VarName* first = first_done ? &names.front() : nullptr;
  const std::span<const VarName> segments = first_done ? names.subspan(1) : names;
  const V* current = &root;

  if (first != nullptr && first->index) {
    auto element = access_detail::apply_index(
        *current, *first->index, [&] { return resolve_name_until(segments, first, 0); });
    if (!element) return element;
    current = *element;
  }
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const VarName& segment = segments[i];
    auto path = [&] { return resolve_name_until(segments, first, i); };
    const V* member = current->get_member(segment.name);
    if (member == nullptr) {
      return Unexpected(VarAccessError(VarAccessError::KeyNotFound{path(), segment.name}));
    }
    current = member;
    if (segment.index) {
      auto element = access_detail::apply_index(*current, *segment.index, path);
      if (!element) return element;
      current = *element;
    }
  }
  return current;
}

template <JsonLike V>
Expected<MaybeOwned<V>, VarAccessError> VarAccess::access_from_bindings(
    std::span<const VarName> names, const Env<V>& env) {
  if (names.empty()) return MaybeOwned<V>::owned(V::null());
  const V* bound = env.find(names.front().name);
  if (bound == nullptr) {
    return Unexpected(VarAccessError(VarAccessError::VariableNotFound{names.front().name}));
  }
  auto found = access_names(names, *bound, /*first_done=*/true);
  if (!found) return Unexpected(std::move(found).error());
  return MaybeOwned<V>::borrowed(**found);
}

}  // namespace korvel
