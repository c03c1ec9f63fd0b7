// A small JSON value type of the tests' own that satisfies JsonLike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "korvel/debug_form.hpp"
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

  static Json array(std::initializer_list<Json> items) { return Json(ArrayType(items)); }
  static Json object(std::initializer_list<std::pair<std::string, Json>> members) {
    return Json(ObjectType(members));
  }

  static Json null() { return Json(); }
  bool is_null() const { return std::holds_alternative<std::monostate>(rep_); }

  void write_debug(std::string& out) const {
    if (is_null()) {
      out.append("Null");
    } else if (auto b = as_bool()) {
      out.append(*b ? "Bool(true)" : "Bool(false)");
    } else if (auto u = std::get_if<std::uint64_t>(&rep_)) {
      out.append("UInt(").append(std::to_string(*u)).append(")");
    } else if (auto i = std::get_if<std::int64_t>(&rep_)) {
      out.append("Int(").append(std::to_string(*i)).append(")");
    } else if (auto f = as_f64()) {
      out.append("Float(");
      write_debug_float(out, *f);
      out.append(")");
    } else if (auto s = as_str()) {
      out.append("String(");
      write_debug_quoted(out, *s);
      out.append(")");
    } else if (auto a = as_array()) {
      out.append("Array([");
      for (std::size_t i = 0; i < a->size(); ++i) {
        if (i) out.append(", ");
        (*a)[i].write_debug(out);
      }
      out.append("])");
    } else {
      out.append("Object({");
      const ObjectType& o = *as_object();
      for (std::size_t i = 0; i < o.size(); ++i) {
        if (i) out.append(", ");
        write_debug_quoted(out, o[i].first);
        out.append(": ");
        o[i].second.write_debug(out);
      }
      out.append("})");
    }
  }

  const Json* get_member(std::string_view key) const {
    if (const ObjectType* o = as_object()) {
      for (const auto& [k, v] : *o) {
        if (k == key) return &v;
      }
    }
    return nullptr;
  }
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

static_assert(JsonLike<Json>);

}  // namespace korvel::testing
