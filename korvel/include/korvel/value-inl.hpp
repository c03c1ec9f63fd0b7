// The conversion of bound values (any JsonLike type) into Value, declared in
// value.hpp.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "korvel/internal_stop.hpp"
#include "korvel/json_like.hpp"
#include "korvel/value.hpp"

namespace korvel {
namespace json_like_detail {

// Texts and keys are moved out of an owned value and borrowed from a
// referenced one; everything else reads alike.
template <class V, bool kOwned>
using Source = std::conditional_t<kOwned, V&&, const V&>;

template <class V, bool kOwned>
Expected<Value, std::string> convert(Source<V, kOwned> value) {
  if (value.is_string()) {
    if constexpr (kOwned) {
      std::optional<std::string> text = std::move(value).into_string();
      if (!text) internal_stop("Expected JSON string");
      return Value(Text::owned(std::move(*text)));
    } else {
      return Value(Text::borrowed(*value.as_str()));
    }
  }
  if (auto i = value.as_i64()) return Value(*i);
  // Above 2^63-1: the nearest double, ties to even (the conversion rounds so).
  if (auto u = value.as_u64()) return Value(static_cast<double>(*u));
  if (auto f = value.as_f64()) return Value(*f);
  if (auto b = value.as_bool()) return Value(*b);
  if (value.is_array()) {
    Array array;
    auto convert_all = [&](auto&& elements) -> std::optional<std::string> {
      array.reserve(elements.size());
      for (auto&& element : elements) {
        auto converted = convert<V, kOwned>(static_cast<Source<V, kOwned>>(element));
        if (!converted) return std::move(converted).error();
        array.push_back(std::move(*converted));
      }
      return std::nullopt;
    };
    std::optional<std::string> failure;
    if constexpr (kOwned) {
      auto elements = std::move(value).into_array();
      if (!elements) internal_stop("Expected JSON array");
      failure = convert_all(std::move(*elements));
    } else {
      failure = convert_all(*value.as_array());
    }
    if (failure) return Unexpected(std::move(*failure));
    return Value(std::move(array));
  }
  if (value.is_null()) return Value();
  if (value.is_object()) {
    // Collected in the value's own order and sorted once by from_entries.
    std::vector<ObjectEntry> entries;
    auto convert_all = [&](auto&& members) -> std::optional<std::string> {
      entries.reserve(members.size());
      for (auto&& [key, member] : members) {
        auto converted = convert<V, kOwned>(static_cast<Source<V, kOwned>>(member));
        if (!converted) return std::move(converted).error();
        if constexpr (kOwned) {
          entries.push_back(ObjectEntry{std::move(key), std::move(*converted)});
        } else {
          entries.push_back(ObjectEntry{std::string(key), std::move(*converted)});
        }
      }
      return std::nullopt;
    };
    std::optional<std::string> failure;
    if constexpr (kOwned) {
      auto members = std::move(value).into_object();
      if (!members) internal_stop("Expected JSON object");
      failure = convert_all(*members);
    } else {
      failure = convert_all(*value.as_object());
    }
    if (failure) return Unexpected(std::move(*failure));
    return Value(Object::from_entries(std::move(entries)));
  }
  return Unexpected(std::string("Unsupported value type"));
}

}  // namespace json_like_detail

template <JsonLike V>
Expected<Value, std::string> Value::from_json_object(V value) {
  return json_like_detail::convert<V, true>(std::move(value));
}

template <JsonView V>
Expected<Value, std::string> Value::from_json_object_ref(const V& value) {
  return json_like_detail::convert<V, false>(value);
}

}  // namespace korvel
