// JsonLike: what the engine needs of the data that callers bind to names, and
// the conversion of such data into Value.
//
// The environment, variable access and the conversion are written for any
// bound value type V with these operations; the Python binding supplies one.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "korvel/expected.hpp"
#include "korvel/internal_stop.hpp"
#include "korvel/value.hpp"

namespace korvel {

// V::ArrayType is a contiguous range of V (size(), operator[], iteration).
// V::ObjectType iterates its members in the value's own order as pairs whose
// `first` is the key (an owned std::string) and `second` the member.
template <class V>
concept JsonLike = std::copy_constructible<V> &&  // a deep copy
    requires(const V& value, V&& owned, std::string_view key, std::string& out) {
  typename V::ArrayType;
  typename V::ObjectType;
  { V::null() } -> std::same_as<V>;
  { value.is_null() } -> std::same_as<bool>;
  { value.write_debug(out) } -> std::same_as<void>;
  // The member whose key has exactly these bytes; null for a missing key
  // and for anything that is not an object.
  { value.get_member(key) } -> std::same_as<const V*>;
  { value.is_object() } -> std::same_as<bool>;
  { value.as_object() } -> std::same_as<const typename V::ObjectType*>;
  { std::move(owned).into_object() } -> std::same_as<std::optional<typename V::ObjectType>>;
  { value.is_array() } -> std::same_as<bool>;
  { value.as_array() } -> std::same_as<const typename V::ArrayType*>;
  { std::move(owned).into_array() } -> std::same_as<std::optional<typename V::ArrayType>>;
  { value.is_string() } -> std::same_as<bool>;
  { value.as_str() } -> std::same_as<std::optional<std::string_view>>;
  { std::move(owned).into_string() } -> std::same_as<std::optional<std::string>>;
  // A signed integer, or an unsigned one not above 2^63-1.
  { value.as_i64() } -> std::same_as<std::optional<std::int64_t>>;
  { value.as_u64() } -> std::same_as<std::optional<std::uint64_t>>;
  { value.as_f64() } -> std::same_as<std::optional<double>>;
  { value.as_bool() } -> std::same_as<std::optional<bool>>;
};

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
    Object object;
    auto convert_all = [&](auto&& members) -> std::optional<std::string> {
      object.reserve(members.size());
      for (auto&& [key, member] : members) {
        auto converted = convert<V, kOwned>(static_cast<Source<V, kOwned>>(member));
        if (!converted) return std::move(converted).error();
        if constexpr (kOwned) {
          object.insert_or_assign(std::move(key), std::move(*converted));
        } else {
          object.insert_or_assign(std::string(key), std::move(*converted));
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
    return Value(std::move(object));
  }
  return Unexpected(std::string("Unsupported value type"));
}

}  // namespace json_like_detail

template <class V>
Expected<Value, std::string> Value::from_json_object(V value) {
  static_assert(JsonLike<V>);
  return json_like_detail::convert<V, true>(std::move(value));
}

template <class V>
Expected<Value, std::string> Value::from_json_object_ref(const V& value) {
  static_assert(JsonLike<V>);
  return json_like_detail::convert<V, false>(value);
}

}  // namespace korvel
