// The walks of variable access, declared in var.hpp.
//
// A walk copies nothing on success: it returns a reference into the data.
// Path texts and messages are built only on the way out with an error.
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "korvel/debug_form.hpp"
#include "korvel/env.hpp"
#include "korvel/internal_stop.hpp"
#include "korvel/var.hpp"

namespace korvel {
namespace var_detail {

// Members by their key text: read through a const V, changed through a
// mutable one.
struct ByName {
  std::span<const VarName> names;

  template <class V>
  auto* operator()(V& value, std::size_t i) const {
    if constexpr (std::is_const_v<V>) {
      return value.get_member(names[i].name);
    } else {
      return value.get_member_mut(names[i].name);
    }
  }
};

template <class V>
auto* elements(V& value) {
  if constexpr (std::is_const_v<V>) {
    return value.as_array();
  } else {
    return value.as_array_mut();
  }
}

// Applies an index to the current value; `path` names the value indexed into.
// A type error shows the value found when `show_found` is set.
template <class V, class PathText>
Expected<V*, VarAccessError> apply_index(V& current, std::uint64_t index, PathText path,
                                         bool show_found) {
  auto* array = elements(current);
  if (array == nullptr) {
    std::string message = "Expected array at '" + path() + "'";
    if (show_found) {
      message.append(", found ");
      write_debug(message, current);
    }
    return Unexpected(VarAccessError(VarAccessError::TypeError{std::move(message)}));
  }
  if (index >= array->size()) {
    return Unexpected(VarAccessError(VarAccessError::IndexOutOfBounds{
        "Index out of bounds at '" + path() + "' (index: " + std::to_string(index) +
        ", length: " + std::to_string(array->size()) + ")"}));
  }
  return &(*array)[index];
}

// The walk behind access_names and replace; V is const for reading.
// member(value, i) finds the member that names[i] designates.
template <class V, class MemberLookup>
Expected<V*, VarAccessError> walk(std::span<const VarName> names, V& root, bool first_done,
                                  bool show_found, const MemberLookup& member) {
  if (names.empty()) internal_stop("Variable access must have at least one name");
  const VarName* first = first_done ? &names.front() : nullptr;
  const std::size_t skipped = first_done ? 1 : 0;
  const std::span<const VarName> segments = names.subspan(skipped);
  V* current = &root;

  if (first != nullptr && first->index) {
    auto element = apply_index(
        *current, *first->index, [&] { return VarAccess::resolve_name_until(segments, first, 0); },
        show_found);
    if (!element) return element;
    current = *element;
  }
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const VarName& segment = segments[i];
    auto path = [&] { return VarAccess::resolve_name_until(segments, first, i); };
    V* found = member(*current, skipped + i);
    if (found == nullptr) {
      return Unexpected(VarAccessError(VarAccessError::KeyNotFound{path(), segment.name}));
    }
    current = found;
    if (segment.index) {
      auto element = apply_index(*current, *segment.index, path, show_found);
      if (!element) return element;
      current = *element;
    }
  }
  return current;
}

}  // namespace var_detail

template <JsonLike V>
Expected<const V*, VarAccessError> VarAccess::access_names(std::span<const VarName> names,
                                                           const V& root, bool first_done) {
  return var_detail::walk(names, root, first_done, /*show_found=*/true, var_detail::ByName{names});
}

template <JsonView V, class MemberLookup>
Expected<const V*, VarAccessError> VarAccess::access_names(std::span<const VarName> names,
                                                           const V& root, bool first_done,
                                                           const MemberLookup& member) {
  return var_detail::walk(names, root, first_done, /*show_found=*/true, member);
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

template <MutableJsonLike V>
Expected<V, VarAccessError> VarAccess::replace(V& root, V replacement) const {
  auto found = var_detail::walk(std::span<const VarName>(names_), root, /*first_done=*/false,
                                /*show_found=*/false, var_detail::ByName{names_});
  if (!found) return Unexpected(std::move(found).error());
  return std::exchange(**found, std::move(replacement));
}

template <JsonView V, class MemberLookup>
Expected<const V*, VarAccessError> VarAccess::replace_target(const V& root,
                                                             const MemberLookup& member) const {
  return var_detail::walk(std::span<const VarName>(names_), root, /*first_done=*/false,
                          /*show_found=*/false, member);
}

}  // namespace korvel
