// The conversion of bound values (any JsonLike type) into Value, declared in
// value.hpp.
#pragma once

#include <cstddef>
#include <memory>
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

// Converts a bound value, nested to any depth, with a stack of frames of its
// own instead of recursion. Texts and keys are moved out of an owned value
// and borrowed from a referenced one; everything else reads alike.
template <class V, bool kOwned>
class Conversion {
 public:
  using Source = std::conditional_t<kOwned, V&&, const V&>;

  static Expected<Value, std::string> run(Source root) {
    if (!is_container(root)) return scalar(static_cast<Source>(root));
    Frame current(static_cast<Source>(root));
    // The containers around the current one, outermost first.
    std::vector<Frame> outer;
    for (;;) {
      if (current.done()) {
        Value finished = current.finish();
        if (outer.empty()) return finished;
        current = std::move(outer.back());
        outer.pop_back();
        current.add(std::move(finished));
      } else if (Source element = current.next(); is_container(element)) {
        outer.push_back(std::move(current));
        current = Frame(static_cast<Source>(element));
      } else {
        Expected<Value, std::string> value = scalar(static_cast<Source>(element));
        if (!value) return value;
        current.add(std::move(*value));
      }
    }
  }

 private:
  using Items = typename V::ArrayType;
  using Members = typename V::ObjectType;
  // A container of the source: taken over from an owned value, where it
  // stays put while its elements are converted; viewed in a referenced one.
  template <class C>
  using Held = std::conditional_t<kOwned, std::unique_ptr<C>, const C*>;
  using MemberIterator =
      decltype(std::declval<std::conditional_t<kOwned, Members&, const Members&>>().begin());
  // The key of the member being converted: moved out of an owned value when
  // the member is added, copied from a referenced one.
  using Key = std::conditional_t<kOwned, std::string*, std::string_view>;

  static bool is_container(const V& value) { return value.is_array() || value.is_object(); }

  // An array or object being converted: where its next element is, and what
  // its elements have become so far.
  class Frame {
   public:
    explicit Frame(Source value) {
      if (value.is_array()) {
        if constexpr (kOwned) {
          std::optional<Items> taken = std::move(value).into_array();
          if (!taken) internal_stop("Expected JSON array");
          items_ = std::make_unique<Items>(std::move(*taken));
        } else {
          items_ = value.as_array();
        }
        array_.reserve(items_->size());
      } else {
        if constexpr (kOwned) {
          std::optional<Members> taken = std::move(value).into_object();
          if (!taken) internal_stop("Expected JSON object");
          members_ = std::make_unique<Members>(std::move(*taken));
        } else {
          members_ = value.as_object();
        }
        next_member_ = members_->begin();
        end_ = members_->end();
        entries_.reserve(members_->size());
      }
    }

    bool done() const { return items_ ? next_item_ == items_->size() : next_member_ == end_; }

    Source next() {
      if (items_) return static_cast<Source>((*items_)[next_item_++]);
      auto&& [key, member] = *next_member_++;
      if constexpr (kOwned) {
        key_ = &key;
      } else {
        key_ = key;
      }
      return static_cast<Source>(member);
    }

    void add(Value&& value) {
      if (items_) {
        array_.push_back(std::move(value));
      } else if constexpr (kOwned) {
        entries_.push_back(ObjectEntry{std::move(*key_), std::move(value)});
      } else {
        entries_.push_back(ObjectEntry{std::string(key_), std::move(value)});
      }
    }

    Value finish() {
      if (items_) return Value(std::move(array_));
      return Value(Object::from_entries(std::move(entries_)));
    }

   private:
    Held<Items> items_{};      // null for an object
    Held<Members> members_{};  // null for an array
    std::size_t next_item_ = 0;
    MemberIterator next_member_{};
    MemberIterator end_{};
    Key key_{};
    Array array_;
    // Collected in the source's own order and sorted once by from_entries.
    std::vector<ObjectEntry> entries_;
  };

  // What a value that is no container becomes.
  static Expected<Value, std::string> scalar(Source value) {
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
    if (value.is_null()) return Value();
    return Unexpected(std::string("Unsupported value type"));
  }
};

}  // namespace json_like_detail

template <JsonLike V>
Expected<Value, std::string> Value::from_json_object(V value) {
  return json_like_detail::Conversion<V, true>::run(std::move(value));
}

template <JsonView V>
Expected<Value, std::string> Value::from_json_object_ref(const V& value) {
  return json_like_detail::Conversion<V, false>::run(value);
}

}  // namespace korvel
