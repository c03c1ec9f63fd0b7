// Value: the one data type of the expression language.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "korvel/expected.hpp"
#include "korvel/json_like.hpp"
#include "korvel/text.hpp"

namespace korvel {

// Type tags as error messages name them.
enum class Type { Int, String, Bool, Float, Array, Object, Null };

// "int", "string", "bool", "float", "array", "object" or "null".
std::string_view type_name(Type type);

class Value;
struct ObjectEntry;

using Array = std::vector<Value>;

// An ordered map from owned key text to Value, ascending by key bytes, with at
// most one entry per key. A sorted flat vector: values are built once and
// read in order far more often than they are searched, so a whole object is
// built with from_entries, which sorts once, rather than entry by entry.
class Object {
 public:
  using const_iterator = std::vector<ObjectEntry>::const_iterator;

  Object();
  Object(const Object&);
  Object(Object&&) noexcept;
  Object& operator=(const Object&);
  Object& operator=(Object&&) noexcept;
  ~Object();

  // The object of these entries, given in any order: they are sorted once,
  // and of entries with equal keys the last one given stays.
  static Object from_entries(std::vector<ObjectEntry> entries);

  // Inserts the entry or, for a key already present, replaces its value.
  // Inserting before the last key moves every later entry.
  void insert_or_assign(std::string key, Value value);
  const Value* find(std::string_view key) const;

  void reserve(std::size_t n);
  std::size_t size() const;
  bool empty() const;
  const_iterator begin() const;
  const_iterator end() const;

  // Mutable access to the values only: the keys and their order stay fixed.
  template <class F>
  void for_each_value(F&& f);

  // The entries, in key order, taken over by a caller that is done with the map.
  std::vector<ObjectEntry> into_entries() &&;

  friend bool operator==(const Object& a, const Object& b);

 private:
  // Value's walks over nested containers build and take apart the entries.
  friend class Value;

  std::vector<ObjectEntry> entries_;
};

struct Null {
  friend bool operator==(Null, Null) { return true; }
};

class Value {
 public:
  // The variants in declared order; index() gives the tag.
  using Variant = std::variant<std::int64_t, double, bool, Text, Array, Object, Null>;
  enum Tag : std::size_t { kInt, kFloat, kBool, kString, kArray, kObject, kNull };

  Value() : rep_(Null{}) {}
  Value(std::int64_t i) : rep_(i) {}  // NOLINT(google-explicit-constructor)
  template <std::signed_integral I>
  Value(I i)  // NOLINT(google-explicit-constructor)
      requires(!std::same_as<I, std::int64_t>)
      : rep_(std::int64_t{i}) {}
  Value(double d) : rep_(d) {}             // NOLINT(google-explicit-constructor)
  Value(bool b) : rep_(b) {}               // NOLINT(google-explicit-constructor)
  Value(Text&& t) : rep_(std::move(t)) {}  // NOLINT(google-explicit-constructor)
  Value(const Text& t) : rep_(t) {}        // NOLINT(google-explicit-constructor)
  Value(Array a) : rep_(std::move(a)) {}   // NOLINT(google-explicit-constructor)
  Value(Object o) : rep_(std::move(o)) {}  // NOLINT(google-explicit-constructor)
  Value(Null n) : rep_(n) {}               // NOLINT(google-explicit-constructor)
  // A character pointer would otherwise silently become a Bool.
  Value(const char*) = delete;

  // Copying, comparing and into_owned() walk nested arrays and objects with
  // explicit work lists, and releasing rebuilds them as it goes (see
  // release_tree.hpp), never recursively: any depth of nesting fits the call
  // stack, and releasing needs no memory.
  Value(const Value& other) : rep_(scalar_or_null(other)) {
    if (other.is_container()) copy_container(other);
  }
  Value(Value&&) noexcept = default;
  Value& operator=(const Value& other);
  Value& operator=(Value&&) noexcept = default;
  ~Value() {
    if (has_elements()) release_container();
  }

  Tag tag() const { return static_cast<Tag>(rep_.index()); }
  Type get_type() const;

  template <class T>
  const T* get_if() const {
    return std::get_if<T>(&rep_);
  }
  template <class T>
  T* get_if() {
    return std::get_if<T>(&rep_);
  }
  const Variant& variant() const { return rep_; }

  // The truthiness rule shared by "!", "&&", "||" and the "bool" builtin.
  bool is_truthy() const;

  // A value that borrows no text anywhere; owned text and the storage of
  // arrays are moved, not copied.
  Value into_owned() &&;

  // A bound value as a Value. The owned conversion moves the value's texts
  // in; the borrowing one views them, so its result must not outlive `value`.
  // Fails only for a value that answers none of the type tests. (Defined in
  // value-inl.hpp.)
  template <JsonLike V>
  static Expected<Value, std::string> from_json_object(V value);
  template <JsonView V>
  static Expected<Value, std::string> from_json_object_ref(const V& value);

  // Structural equality: same variant, then same payload; floats compare by
  // IEEE equality, so a NaN anywhere makes a value unequal to itself.
  friend bool operator==(const Value& a, const Value& b);

 private:
  bool is_container() const { return tag() == kArray || tag() == kObject; }
  // An array or object with at least one element.
  bool has_elements() const;
  // The payload of a scalar; null for a container.
  static Variant scalar_or_null(const Value& value) {
    if (value.is_container()) return Null{};
    return value.rep_;
  }
  // The value itself, or for a container, an empty one of the same kind with
  // room for the original's elements.
  Value shallow_copy() const;
  // Whether the two have the same variant and scalar payload, or are
  // containers of the same kind and size.
  static bool same_shallow(const Value& a, const Value& b);
  void copy_container(const Value& original);
  void release_container();

  // The walks over the elements of a container (value.cpp): each goes
  // `depth` levels further down by recursion and leaves the containers below
  // on `pending` (release hands them to release_tree).
  static constexpr int kRecursionDepth = 4;
  using CopyList = std::vector<std::pair<const Value*, Value*>>;
  using CompareList = std::vector<std::pair<const Value*, const Value*>>;
  // Fills this shallow copy of the container `original`.
  void copy_elements(const Value& original, int depth, CopyList& pending);
  // Whether two containers of the same kind and size hold equal elements.
  static bool same_elements(const Value& a, const Value& b, int depth, CompareList& pending);
  void own_elements(int depth, std::vector<Value*>& pending);
  // Leaves this container empty.
  void release_elements(int depth);
  // How release_tree walks nested arrays and objects.
  struct Shape;

  Variant rep_;
};

struct ObjectEntry {
  std::string key;
  Value value;
};

// Defined here, where ObjectEntry is complete.
inline std::size_t Object::size() const { return entries_.size(); }
inline bool Object::empty() const { return entries_.empty(); }
inline Object::const_iterator Object::begin() const { return entries_.begin(); }
inline Object::const_iterator Object::end() const { return entries_.end(); }

inline std::vector<ObjectEntry> Object::into_entries() && { return std::move(entries_); }

inline bool Value::has_elements() const {
  if (const Array* array = get_if<Array>()) return !array->empty();
  if (const Object* object = get_if<Object>()) return !object->empty();
  return false;
}

template <class F>
void Object::for_each_value(F&& f) {
  for (ObjectEntry& entry : entries_) f(entry.value);
}

// The single-line debug form, as the "int" and "float" conversion messages
// show a value: Int(1), Float(1.0), String("a"), Array([Null]), Object({}).
void write_debug(std::string& out, const Value& value);

}  // namespace korvel
