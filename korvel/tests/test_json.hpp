// A small JSON value type of the tests' own that satisfies MutableJsonLike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "korvel/json_like.hpp"

namespace korvel::testing {

class Json {
 public:
  using ArrayType = std::vector<Json>;
  using ObjectType = std::vector<std::pair<std::string, Json>>;  // insertion order
  struct UInt {
    std::uint64_t value;
  };

  Json() = default;
  Json(std::nullptr_t) {}                        // NOLINT
  Json(bool b) : rep_(b) {}                      // NOLINT
  Json(int i) : rep_(std::int64_t{i}) {}         // NOLINT
  Json(std::int64_t i) : rep_(i) {}              // NOLINT
  Json(UInt u) : rep_(u.value) {}                // NOLINT
  Json(double d) : rep_(d) {}                    // NOLINT
  Json(const char* s) : rep_(std::string(s)) {}  // NOLINT
  Json(std::string s) : rep_(std::move(s)) {}    // NOLINT
  Json(ArrayType a) : rep_(std::move(a)) {}      // NOLINT
  Json(ObjectType o) : rep_(std::move(o)) {}     // NOLINT

  // Copies recurse, which the tests' small data allows; releasing does not,
  // so that the tests can build data of any depth.
  Json(const Json&) = default;
  Json(Json&&) noexcept = default;
  Json& operator=(const Json&) = default;
  Json& operator=(Json&&) noexcept = default;
  ~Json() {
    std::vector<Json> pending;
    detach_children(pending);
    while (!pending.empty()) {
      Json value = std::move(pending.back());
      pending.pop_back();
      value.detach_children(pending);
    }
  }

  static Json array(std::initializer_list<Json> items) { return Json(ArrayType(items)); }
  static Json object(std::initializer_list<std::pair<std::string, Json>> members) {
    return Json(ObjectType(members));
  }

  static Json null() { return Json(); }
  bool is_null() const { return std::holds_alternative<std::monostate>(rep_); }

  const Json* get_member(std::string_view key) const {
    if (const ObjectType* o = as_object()) {
      for (const auto& [k, v] : *o) {
        if (k == key) return &v;
      }
    }
    return nullptr;
  }
  Json* get_member_mut(std::string_view key) {
    return const_cast<Json*>(std::as_const(*this).get_member(key));
  }
  ArrayType* as_array_mut() { return std::get_if<ArrayType>(&rep_); }
  bool is_object() const { return std::holds_alternative<ObjectType>(rep_); }
  const ObjectType* as_object() const { return std::get_if<ObjectType>(&rep_); }
  std::optional<ObjectType> into_object() && { return take<ObjectType>(); }
  bool is_array() const { return std::holds_alternative<ArrayType>(rep_); }
  const ArrayType* as_array() const { return std::get_if<ArrayType>(&rep_); }
  std::optional<ArrayType> into_array() && { return take<ArrayType>(); }
  bool is_string() const { return std::holds_alternative<std::string>(rep_); }
  std::optional<std::string_view> as_str() const {
    if (auto s = std::get_if<std::string>(&rep_)) return std::string_view(*s);
    return std::nullopt;
  }
  std::optional<std::string> into_string() && { return take<std::string>(); }
  std::optional<std::int64_t> as_i64() const {
    if (auto i = std::get_if<std::int64_t>(&rep_)) return *i;
    if (auto u = std::get_if<std::uint64_t>(&rep_); u && *u <= INT64_MAX) {
      return static_cast<std::int64_t>(*u);
    }
    return std::nullopt;
  }
  std::optional<std::uint64_t> as_u64() const { return get<std::uint64_t>(); }
  std::optional<double> as_f64() const { return get<double>(); }
  std::optional<bool> as_bool() const { return get<bool>(); }

 private:
  bool has_children() const {
    if (const ArrayType* a = as_array()) return !a->empty();
    if (const ObjectType* o = as_object()) return !o->empty();
    return false;
  }

  // Moves the children that have children of their own onto `pending`,
  // leaving this value without any.
  void detach_children(std::vector<Json>& pending) {
    const auto detach = [&pending](Json& child) {
      if (child.has_children()) pending.push_back(std::move(child));
    };
    if (ArrayType* a = std::get_if<ArrayType>(&rep_)) {
      for (Json& child : *a) detach(child);
      a->clear();
    } else if (ObjectType* o = std::get_if<ObjectType>(&rep_)) {
      for (auto& member : *o) detach(member.second);
      o->clear();
    }
  }

  template <class T>
  std::optional<T> get() const {
    if (auto p = std::get_if<T>(&rep_)) return *p;
    return std::nullopt;
  }
  template <class T>
  std::optional<T> take() {
    if (auto p = std::get_if<T>(&rep_)) return std::move(*p);
    return std::nullopt;
  }

  std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double, std::string, ArrayType,
               ObjectType>
      rep_;
};

static_assert(MutableJsonLike<Json>);

// Arrays and objects in turn, `depth` levels deep around `bottom`: level i,
// counted from the bottom, is [the level below, UInt i] when i is even and
// {"k": the level below} when it is odd.
inline Json deep_json(std::size_t depth, Json bottom) {
  Json value = std::move(bottom);
  for (std::size_t i = 0; i < depth; ++i) {
    if (i % 2 == 0) {
      Json::ArrayType items;
      items.push_back(std::move(value));
      items.emplace_back(Json::UInt{i});
      value = Json(std::move(items));
    } else {
      Json::ObjectType members;
      members.emplace_back("k", std::move(value));
      value = Json(std::move(members));
    }
  }
  return value;
}

}  // namespace korvel::testing
