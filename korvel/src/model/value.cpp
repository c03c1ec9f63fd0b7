#include "korvel/value.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "korvel/debug_form.hpp"
#include "korvel/internal_stop.hpp"
#include "korvel/release_tree.hpp"
#include "text/nested_writer.hpp"

namespace korvel {

std::string_view type_name(Type type) {
  switch (type) {
    case Type::Int: return "int";
    case Type::String: return "string";
    case Type::Bool: return "bool";
    case Type::Float: return "float";
    case Type::Array: return "array";
    case Type::Object: return "object";
    case Type::Null: return "null";
  }
  return "null";
}

// --- Object -----------------------------------------------------------------

Object::Object() = default;
Object::Object(const Object&) = default;
Object::Object(Object&&) noexcept = default;
Object& Object::operator=(const Object&) = default;
Object& Object::operator=(Object&&) noexcept = default;
Object::~Object() = default;

namespace {

bool key_less(const ObjectEntry& entry, std::string_view key) {
  // std::string_view compares through char_traits<char>, which orders bytes
  // as unsigned char: the byte order the map promises.
  return std::string_view(entry.key) < key;
}

bool entry_less(const ObjectEntry& a, const ObjectEntry& b) {
  return std::string_view(a.key) < std::string_view(b.key);
}

}  // namespace

Object Object::from_entries(std::vector<ObjectEntry> entries) {
  Object object;
  // Entries often arrive ascending already (sorted sources, object literals).
  if (std::adjacent_find(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return !entry_less(a, b);
      }) == entries.end()) {
    object.entries_ = std::move(entries);
    return object;
  }
  // Or strictly descending (a source kept in reverse order): with no two keys
  // equal, reversing sorts them.
  if (std::adjacent_find(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return !entry_less(b, a);
      }) == entries.end()) {
    std::reverse(entries.begin(), entries.end());
    object.entries_ = std::move(entries);
    return object;
  }
  // Stable, so that equal keys keep their given order and the last one of
  // each run is the one to keep.
  std::stable_sort(entries.begin(), entries.end(), entry_less);
  auto kept = entries.begin();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    const auto next = it + 1;
    if (next != entries.end() && next->key == it->key) continue;
    if (kept != it) *kept = std::move(*it);
    ++kept;
  }
  entries.erase(kept, entries.end());
  object.entries_ = std::move(entries);
  return object;
}

void Object::insert_or_assign(std::string key, Value value) {
  // Entries usually arrive in ascending order; appending is the common case.
  if (entries_.empty() || std::string_view(entries_.back().key) < std::string_view(key)) {
    entries_.push_back(ObjectEntry{std::move(key), std::move(value)});
    return;
  }
  auto it = std::lower_bound(entries_.begin(), entries_.end(), std::string_view(key), key_less);
  if (it != entries_.end() && it->key == key) {
    it->value = std::move(value);
  } else {
    entries_.insert(it, ObjectEntry{std::move(key), std::move(value)});
  }
}

const Value* Object::find(std::string_view key) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key, key_less);
  if (it != entries_.end() && it->key == key) return &it->value;
  return nullptr;
}

void Object::reserve(std::size_t n) { entries_.reserve(n); }

bool operator==(const Object& a, const Object& b) {
  if (a.size() != b.size()) return false;
  for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
    if (ia->key != ib->key || !(ia->value == ib->value)) return false;
  }
  return true;
}

// --- Value ------------------------------------------------------------------

Type Value::get_type() const {
  switch (tag()) {
    case kInt: return Type::Int;
    case kFloat: return Type::Float;
    case kBool: return Type::Bool;
    case kString: return Type::String;
    case kArray: return Type::Array;
    case kObject: return Type::Object;
    case kNull: return Type::Null;
  }
  return Type::Null;
}

bool Value::is_truthy() const {
  switch (tag()) {
    case kInt: return *get_if<std::int64_t>() != 0;
    case kFloat: return *get_if<double>() != 0.0;  // NaN is truthy
    case kBool: return *get_if<bool>();
    case kString: return !get_if<Text>()->view().empty();
    case kArray: return !get_if<Array>()->empty();
    case kObject: return !get_if<Object>()->empty();
    case kNull: return false;
  }
  return false;
}

// --- Nesting ----------------------------------------------------------------
//
// Arrays and objects nest without bound. The walks below go down a few levels
// by recursion, where nearly all values end, and leave the containers further
// down on a work list, from which each continues with a fresh budget of
// levels: the depth of the calls stays bounded whatever the nesting. The
// order in which a list is worked off does not show in any result.

Value& Value::operator=(const Value& other) {
  if (this != &other) *this = Value(other);
  return *this;
}

Value Value::shallow_copy() const {
  if (const Array* array = get_if<Array>()) {
    Array elements;
    elements.reserve(array->size());
    return Value(std::move(elements));
  }
  if (const Object* object = get_if<Object>()) {
    Object members;
    members.reserve(object->size());
    return Value(std::move(members));
  }
  return Value(*this);  // a scalar
}

void Value::copy_container(const Value& original) {
  *this = original.shallow_copy();
  CopyList pending;
  copy_elements(original, kRecursionDepth, pending);
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    to->copy_elements(*from, kRecursionDepth, pending);
  }
}

// Each copy has room for all its elements, so appending never moves them,
// and the pointers to them on the list stay valid.
void Value::copy_elements(const Value& original, int depth, CopyList& pending) {
  const auto fill = [&](const Value& element, Value& copy) {
    if (!element.has_elements()) return;
    if (depth > 0) {
      copy.copy_elements(element, depth - 1, pending);
    } else {
      pending.emplace_back(&element, &copy);
    }
  };
  if (Array* elements = get_if<Array>()) {
    for (const Value& element : *original.get_if<Array>()) {
      fill(element, elements->emplace_back(element.shallow_copy()));
    }
  } else {
    std::vector<ObjectEntry>& entries = get_if<Object>()->entries_;
    for (const ObjectEntry& entry : original.get_if<Object>()->entries_) {
      entries.push_back(ObjectEntry{entry.key, entry.value.shallow_copy()});
      fill(entry.value, entries.back().value);
    }
  }
}

bool Value::same_shallow(const Value& a, const Value& b) {
  if (a.tag() != b.tag()) return false;
  switch (a.tag()) {
    case kInt: return *a.get_if<std::int64_t>() == *b.get_if<std::int64_t>();
    case kFloat: return *a.get_if<double>() == *b.get_if<double>();
    case kBool: return *a.get_if<bool>() == *b.get_if<bool>();
    case kString: return *a.get_if<Text>() == *b.get_if<Text>();
    case kArray: return a.get_if<Array>()->size() == b.get_if<Array>()->size();
    case kObject: return a.get_if<Object>()->size() == b.get_if<Object>()->size();
    case kNull: return true;
  }
  return false;
}

bool operator==(const Value& a, const Value& b) {
  if (!Value::same_shallow(a, b)) return false;
  if (!a.has_elements()) return true;
  Value::CompareList pending;
  if (!Value::same_elements(a, b, Value::kRecursionDepth, pending)) return false;
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if (!Value::same_elements(*x, *y, Value::kRecursionDepth, pending)) return false;
  }
  return true;
}

// The elements are compared in order, each one's shallow shape first; the
// first difference ends the comparison.
bool Value::same_elements(const Value& a, const Value& b, int depth, CompareList& pending) {
  const auto same = [&](const Value& x, const Value& y) {
    if (!same_shallow(x, y)) return false;
    if (!x.has_elements()) return true;
    if (depth > 0) return same_elements(x, y, depth - 1, pending);
    pending.emplace_back(&x, &y);
    return true;
  };
  if (const Array* xs = a.get_if<Array>()) {
    const Array& ys = *b.get_if<Array>();
    for (std::size_t i = 0; i < xs->size(); ++i) {
      if (!same((*xs)[i], ys[i])) return false;
    }
  } else {
    const std::vector<ObjectEntry>& xe = a.get_if<Object>()->entries_;
    const std::vector<ObjectEntry>& ye = b.get_if<Object>()->entries_;
    for (std::size_t i = 0; i < xe.size(); ++i) {
      if (xe[i].key != ye[i].key || !same(xe[i].value, ye[i].value)) return false;
    }
  }
  return true;
}

Value Value::into_owned() && {
  if (Text* text = get_if<Text>()) return Value(std::move(*text).into_owned());
  if (has_elements()) {
    std::vector<Value*> pending;
    own_elements(kRecursionDepth, pending);
    while (!pending.empty()) {
      Value* container = pending.back();
      pending.pop_back();
      container->own_elements(kRecursionDepth, pending);
    }
  }
  return std::move(*this);
}

void Value::own_elements(int depth, std::vector<Value*>& pending) {
  const auto own = [&](Value& element) {
    if (Text* text = element.get_if<Text>()) {
      *text = std::move(*text).into_owned();
    } else if (element.has_elements() && depth > 0) {
      element.own_elements(depth - 1, pending);
    } else if (element.has_elements()) {
      pending.push_back(&element);
    }
  };
  if (Array* array = get_if<Array>()) {
    for (Value& element : *array) own(element);
  } else {
    for (ObjectEntry& entry : get_if<Object>()->entries_) own(entry.value);
  }
}

struct Value::Shape {
  static bool has_children(const Value& value) { return value.has_elements(); }
  static Value& first_child(Value& value) {
    if (Array* array = value.get_if<Array>()) return array->front();
    return value.get_if<Object>()->entries_.front().value;
  }
  // The last element, once those after it that have no elements are
  // released.
  static Value* other_child_with_children(Value& value) {
    const auto last_of = [](auto& list, auto element) -> Value* {
      while (list.size() > 1 && !element(list.back()).has_elements()) list.pop_back();
      return list.size() > 1 ? &element(list.back()) : nullptr;
    };
    if (Array* array = value.get_if<Array>()) {
      return last_of(*array, [](Value& element) -> Value& { return element; });
    }
    return last_of(value.get_if<Object>()->entries_,
                   [](ObjectEntry& entry) -> Value& { return entry.value; });
  }
};

void Value::release_container() { release_elements(kRecursionDepth); }

// Nearly all values end within a few levels, which are released by plain
// recursion; containers further down are released by release_tree, which
// needs neither the call stack nor memory for any depth.
void Value::release_elements(int depth) {
  const auto release = [depth](Value& element) {
    if (!element.has_elements()) return;
    if (depth > 0) {
      element.release_elements(depth - 1);
    } else {
      release_tree<Shape>(std::move(element));
    }
  };
  if (Array* array = get_if<Array>()) {
    for (Value& element : *array) release(element);
    array->clear();
  } else {
    for (ObjectEntry& entry : get_if<Object>()->entries_) release(entry.value);
    get_if<Object>()->entries_.clear();
  }
}

// --- Debug form -------------------------------------------------------------

namespace {

struct DebugForm {
  static void write_scalar(std::string& out, const Value& value, bool /*nested*/) {
    switch (value.tag()) {
      case Value::kInt:
        out.append("Int(").append(std::to_string(*value.get_if<std::int64_t>())).push_back(')');
        break;
      case Value::kFloat:
        out.append("Float(");
        write_debug_float(out, *value.get_if<double>());
        out.push_back(')');
        break;
      case Value::kBool: out.append(*value.get_if<bool>() ? "Bool(true)" : "Bool(false)"); break;
      case Value::kString:
        out.append("String(");
        write_debug_quoted(out, value.get_if<Text>()->view());
        out.push_back(')');
        break;
      case Value::kNull: out.append("Null"); break;
      default: internal_stop("A container is no scalar");
    }
  }
  static void open(std::string& out, const Value& container) {
    out.append(container.tag() == Value::kArray ? "Array([" : "Object({");
  }
  static void close(std::string& out, const Value& container) {
    out.append(container.tag() == Value::kArray ? "])" : "})");
  }
  static void write_key(std::string& out, std::string_view key) {
    write_debug_quoted(out, key);
    out.append(": ");
  }
};

}  // namespace

void write_debug(std::string& out, const Value& value) { write_nested<DebugForm>(out, value); }

}  // namespace korvel
