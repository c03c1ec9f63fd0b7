#include "korvel/value.hpp"

#include <algorithm>
#include <string>

#include "korvel/debug_form.hpp"

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

Value Value::into_owned() && {
  switch (tag()) {
    case kString: return Value(std::move(*get_if<Text>()).into_owned());
    case kArray:
      for (Value& element : *get_if<Array>()) element = std::move(element).into_owned();
      break;
    case kObject:
      get_if<Object>()->for_each_value([](Value& v) { v = std::move(v).into_owned(); });
      break;
    default: break;
  }
  return std::move(*this);
}

bool operator==(const Value& a, const Value& b) {
  if (a.tag() != b.tag()) return false;
  switch (a.tag()) {
    case Value::kInt: return *a.get_if<std::int64_t>() == *b.get_if<std::int64_t>();
    case Value::kFloat: return *a.get_if<double>() == *b.get_if<double>();
    case Value::kBool: return *a.get_if<bool>() == *b.get_if<bool>();
    case Value::kString: return *a.get_if<Text>() == *b.get_if<Text>();
    case Value::kArray: return *a.get_if<Array>() == *b.get_if<Array>();
    case Value::kObject: return *a.get_if<Object>() == *b.get_if<Object>();
    case Value::kNull: return true;
  }
  return false;
}

// --- Debug form -------------------------------------------------------------

void write_debug(std::string& out, const Value& value) {
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
    case Value::kArray: {
      out.append("Array([");
      const char* separator = "";
      for (const Value& element : *value.get_if<Array>()) {
        out.append(separator);
        write_debug(out, element);
        separator = ", ";
      }
      out.append("])");
      break;
    }
    case Value::kObject: {
      out.append("Object({");
      const char* separator = "";
      for (const ObjectEntry& entry : *value.get_if<Object>()) {
        out.append(separator);
        write_debug_quoted(out, entry.key);
        out.append(": ");
        write_debug(out, entry.value);
        separator = ", ";
      }
      out.append("})");
      break;
    }
    case Value::kNull: out.append("Null"); break;
  }
}

}  // namespace korvel
