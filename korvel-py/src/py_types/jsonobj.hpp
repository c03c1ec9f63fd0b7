// PyJsonValue: the JSON-like data that crosses between Python and the engine.
//
// Python objects are converted into it (extract), the engine reads it as its
// bound value type (it is JsonLike, and MutableJsonLike for replace), and the
// results of VarAccess reach Python through it (into_pyobject).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "korvel/json_like.hpp"
#include "py_ref.hpp"
#include "py_types/ordered_map.hpp"

namespace korvel::py {

class PyJsonValue {
 public:
  using ArrayType = std::vector<PyJsonValue>;
  using ObjectType = OrderedMap<PyJsonValue>;

  // The variants in declared order; kind() gives the tag.
  enum Kind : std::size_t { kNull, kBool, kUInt, kInt, kFloat, kString, kArray, kObject };

  PyJsonValue() = default;  // Null

  // Copying keeps the arrays and objects still to be visited on a work list
  // of its own instead of recursing, and releasing rebuilds them as it goes
  // (see release_tree.hpp): any depth of nesting fits the call stack, and
  // releasing needs no memory.
  PyJsonValue(const PyJsonValue& other) : rep_(scalar_or_null(other)) {
    if (other.is_container()) copy_container(other);
  }
  PyJsonValue(PyJsonValue&&) noexcept = default;
  PyJsonValue& operator=(const PyJsonValue& other) {
    if (this != &other) *this = PyJsonValue(other);
    return *this;
  }
  PyJsonValue& operator=(PyJsonValue&&) noexcept = default;
  ~PyJsonValue() {
    if (has_children()) release_children();
  }
  static PyJsonValue boolean(bool b) { return PyJsonValue(std::in_place_index<kBool>, b); }
  static PyJsonValue uint(std::uint64_t u) { return PyJsonValue(std::in_place_index<kUInt>, u); }
  static PyJsonValue sint(std::int64_t i) { return PyJsonValue(std::in_place_index<kInt>, i); }
  static PyJsonValue real(double d) { return PyJsonValue(std::in_place_index<kFloat>, d); }
  static PyJsonValue string(std::string s) {
    return PyJsonValue(std::in_place_index<kString>, std::move(s));
  }
  static PyJsonValue array(ArrayType a) {
    return PyJsonValue(std::in_place_index<kArray>, std::move(a));
  }
  static PyJsonValue object(ObjectType o) {
    return PyJsonValue(std::in_place_index<kObject>, std::move(o));
  }

  // Python data as a PyJsonValue, or nullopt with the Python exception set.
  // The object is not changed, but its own Python methods may run. Nesting
  // is limited as nesting.hpp says.
  static std::optional<PyJsonValue> extract(Borrowed object);

  // New Python objects (None, True and False excepted), or null with the
  // Python exception set.
  Ref into_pyobject() const;

  Kind kind() const { return static_cast<Kind>(rep_.index()); }

  // JsonLike.
  static PyJsonValue null() { return PyJsonValue(); }
  bool is_null() const { return kind() == kNull; }
  const PyJsonValue* get_member(std::string_view key) const {
    const auto* object = std::get_if<kObject>(&rep_);
    return object == nullptr ? nullptr : object->find(key);
  }
  bool is_object() const { return kind() == kObject; }
  const ObjectType* as_object() const { return std::get_if<kObject>(&rep_); }
  std::optional<ObjectType> into_object() && { return take<kObject>(); }
  bool is_array() const { return kind() == kArray; }
  const ArrayType* as_array() const { return std::get_if<kArray>(&rep_); }
  std::optional<ArrayType> into_array() && { return take<kArray>(); }
  bool is_string() const { return kind() == kString; }
  std::optional<std::string_view> as_str() const {
    if (const auto* s = std::get_if<kString>(&rep_)) return std::string_view(*s);
    return std::nullopt;
  }
  std::optional<std::string> into_string() && { return take<kString>(); }
  std::optional<std::int64_t> as_i64() const {
    if (const auto* i = std::get_if<kInt>(&rep_)) return *i;
    if (const auto* u = std::get_if<kUInt>(&rep_); u && *u <= INT64_MAX) {
      return static_cast<std::int64_t>(*u);
    }
    return std::nullopt;
  }
  std::optional<std::uint64_t> as_u64() const { return get<kUInt>(); }
  std::optional<double> as_f64() const { return get<kFloat>(); }
  std::optional<bool> as_bool() const { return get<kBool>(); }

  // MutableJsonLike.
  PyJsonValue* get_member_mut(std::string_view key) {
    auto* object = std::get_if<kObject>(&rep_);
    return object == nullptr ? nullptr : object->find(key);
  }
  ArrayType* as_array_mut() { return std::get_if<kArray>(&rep_); }

 private:
  using Variant = std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double,
                               std::string, ArrayType, ObjectType>;

  bool is_container() const { return kind() == kArray || kind() == kObject; }
  // An array or object with at least one element.
  bool has_children() const {
    if (const auto* items = std::get_if<kArray>(&rep_)) return !items->empty();
    if (const auto* members = std::get_if<kObject>(&rep_)) return !members->empty();
    return false;
  }
  static Variant scalar_or_null(const PyJsonValue& value) {
    if (value.is_container()) return std::monostate();
    return value.rep_;
  }
  // The value itself, or for a container, an empty one of the same kind with
  // room for the original's elements.
  PyJsonValue shallow_copy() const;
  void copy_container(const PyJsonValue& original);
  void release_children();
  // Releases the elements of this container, those nested up to `depth`
  // levels further down by recursion, those below by release_tree.
  void release_elements(int depth);
  static constexpr int kRecursionDepth = 4;
  // How release_tree walks nested arrays and objects.
  struct Shape;

  template <std::size_t I, class... Args>
  explicit PyJsonValue(std::in_place_index_t<I> tag, Args&&... args)
      : rep_(tag, std::forward<Args>(args)...) {}

  template <std::size_t I>
  std::optional<std::variant_alternative_t<I, Variant>> get() const {
    if (const auto* p = std::get_if<I>(&rep_)) return *p;
    return std::nullopt;
  }
  template <std::size_t I>
  std::optional<std::variant_alternative_t<I, Variant>> take() {
    if (auto* p = std::get_if<I>(&rep_)) return std::move(*p);
    return std::nullopt;
  }

  Variant rep_;
};

static_assert(MutableJsonLike<PyJsonValue>);

}  // namespace korvel::py
