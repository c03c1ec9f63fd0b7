// JsonLike: what the engine needs of the data that callers bind to names.
//
// The environment, variable access, the debug form of bound values and their
// conversion into Value are written for any bound value type V with these
// operations. Reading needs only the smaller set JsonView, which a view of
// data owned elsewhere can offer too.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace korvel {

// V::ArrayType is a random-access range of V (size(), operator[] and
// iteration, each giving a const V&). V::ObjectType has size() and iterates
// its members in the value's own order as pairs whose `first` is the key text
// and `second` the member (a const V&).
//
// A value is at most one of: null, a boolean, an integer, a float, a text, an
// array, an object; the conversion into Value refuses one that is none of
// them. An unsigned integer not above 2^63-1 answers both as_u64() and
// as_i64().
template <class V>
concept JsonView = requires(const V& value) {
  typename V::ArrayType;
  typename V::ObjectType;
  { value.is_null() } -> std::same_as<bool>;
  { value.is_object() } -> std::same_as<bool>;
  { value.as_object() } -> std::same_as<const typename V::ObjectType*>;
  { value.is_array() } -> std::same_as<bool>;
  { value.as_array() } -> std::same_as<const typename V::ArrayType*>;
  { value.is_string() } -> std::same_as<bool>;
  { value.as_str() } -> std::same_as<std::optional<std::string_view>>;
  // A signed integer, or an unsigned one not above 2^63-1.
  { value.as_i64() } -> std::same_as<std::optional<std::int64_t>>;
  { value.as_u64() } -> std::same_as<std::optional<std::uint64_t>>;
  { value.as_f64() } -> std::same_as<std::optional<double>>;
  { value.as_bool() } -> std::same_as<std::optional<bool>>;
};

// Bound data that the engine can also copy, make, look into by key and take
// apart. Object keys are owned std::strings.
template <class V>
concept JsonLike = JsonView<V> && std::copy_constructible<V> &&  // a deep copy
    requires(const V& value, V&& owned, std::string_view key) {
  { V::null() } -> std::same_as<V>;
  // The member whose key has exactly these bytes; null for a missing key
  // and for anything that is not an object.
  { value.get_member(key) } -> std::same_as<const V*>;
  { std::move(owned).into_object() } -> std::same_as<std::optional<typename V::ObjectType>>;
  { std::move(owned).into_array() } -> std::same_as<std::optional<typename V::ArrayType>>;
  { std::move(owned).into_string() } -> std::same_as<std::optional<std::string>>;
};

// A JsonLike type whose values can also be changed in place: a member found
// by exact key, an element by position, and a whole value swapped for another.
template <class V>
concept MutableJsonLike = JsonLike<V> && std::movable<V> &&
    requires(V& value, std::string_view key) {
  { value.get_member_mut(key) } -> std::same_as<V*>;
  { value.as_array_mut() } -> std::same_as<typename V::ArrayType*>;
};

}  // namespace korvel
