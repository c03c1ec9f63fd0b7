#include "py_types/jsonobj.hpp"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "errors.hpp"
#include "korvel/release_tree.hpp"
#include "once_cell.hpp"
#include "py_text.hpp"
#include "py_types/nesting.hpp"
#include "py_types/python_builder.hpp"

namespace korvel::py {
namespace {

// A sequence may report any length; beyond this many items the reservation
// is only a guess, and the array grows as the items come.
constexpr Py_ssize_t kMaxReservation = 1 << 16;

constexpr const char* kFromPython = "a Python object";

bool equals(PyObject* text, std::string_view expected) {
  return PyUnicode_EqualToUTF8AndSize(text, expected.data(),
                                      static_cast<Py_ssize_t>(expected.size()));
}

OnceCell sequence_class;
OnceCell mapping_class;

// collections.abc.Sequence or .Mapping, imported on first need.
PyObject* abc_class(OnceCell& cell, const char* name) {
  return cell.get_or_init([name] {
    Ref module_name = Ref::steal(PyUnicode_FromString("collections.abc"));
    if (!module_name) return Ref();
    Ref module = Ref::steal(PyImport_Import(module_name.get()));
    if (!module) return Ref();
    return Ref::steal(PyObject_GetAttrString(module.get(), name));
  });
}

// 1 or 0; an instance check that raises is reported as unraisable and counts
// as 0. -1 with the exception set when the class cannot be had.
int is_abc_instance(PyObject* object, OnceCell& cell, const char* name) {
  PyObject* abc = abc_class(cell, name);
  if (abc == nullptr) return -1;
  const int result = PyObject_IsInstance(object, abc);
  if (result < 0) {
    PyErr_WriteUnraisable(object);
    return 0;
  }
  return result;
}

// Python data into a PyJsonValue, with a stack of containers instead of
// recursion. Each container is read through its own protocol, and Python code
// of the objects runs in the order that a recursive descent would run it:
// a container's items first to last, each converted completely before the
// next is fetched.
class Extractor {
 public:
  Extractor() = default;
  Extractor(const Extractor&) = delete;
  Extractor& operator=(const Extractor&) = delete;
  ~Extractor() {
    while (!frames_.empty()) pop();
  }

  // False with the Python exception set.
  bool extract(PyObject* root, PyJsonValue& out) {
    Opened opened = start(root, out);
    if (opened == kFailed) return false;
    while (!frames_.empty()) {
      const int status = next_item(frames_.back());
      if (status < 0) return false;
      if (status == 0) {
        PyJsonValue done = frames_.back().take();
        pop();
        if (frames_.empty()) {
          out = std::move(done);
        } else {
          frames_.back().add(std::move(done));
        }
        continue;
      }
      PyJsonValue leaf;
      opened = start(frames_.back().item.get(), leaf);
      if (opened == kFailed) return false;
      if (opened == kLeaf) frames_.back().add(std::move(leaf));
    }
    return true;
  }

 private:
  enum Opened { kLeaf, kContainer, kFailed };

  // A container whose items are being converted. The container itself is
  // held by the frame below (or by the caller, for the root).
  struct Frame {
    enum Kind { kListOrTuple, kSequence, kMapping };

    Kind kind;
    PyObject* container;
    Ref iterator;          // kSequence
    Ref keys;              // kMapping: the key list, read once
    Py_ssize_t count = 0;  // kMapping: the key count at the start
    Py_ssize_t next = 0;   // kListOrTuple, kMapping: the next position
    // The item being converted, and for a mapping its key, held until it
    // is stored: converting it may drop the container's own reference.
    Ref key;
    std::string_view key_text;
    Ref item;
    PyJsonValue::ArrayType items;
    PyJsonValue::ObjectType members;

    // Stores the converted item, then lets go of it and its key.
    void add(PyJsonValue value) {
      if (kind == kMapping) {
        // A key met again keeps its first position and takes this value.
        members.insert_or_assign(std::string(key_text), std::move(value));
      } else {
        items.push_back(std::move(value));
      }
      item = Ref();
      key = Ref();
    }

    PyJsonValue take() {
      return kind == kMapping ? PyJsonValue::object(std::move(members))
                              : PyJsonValue::array(std::move(items));
    }
  };

  // The next item of `frame` into frame.item: 1, 0 after the last one, or -1
  // with the exception set.
  static int next_item(Frame& frame) {
    switch (frame.kind) {
      case Frame::kListOrTuple: {
        // Read by position as the iterator would: converting may change a list.
        if (frame.next >= PySequence_Fast_GET_SIZE(frame.container)) return 0;
        frame.item = Ref::new_ref(PySequence_Fast_GET_ITEM(frame.container, frame.next++));
        return 1;
      }
      case Frame::kSequence: {
        PyObject* raw;
        const int status = PyIter_NextItem(frame.iterator.get(), &raw);
        if (status > 0) frame.item = Ref::steal(raw);
        return status;
      }
      case Frame::kMapping: {
        // The list may be the mapping's own and shrink while values convert.
        if (frame.next >= frame.count || frame.next >= PyList_GET_SIZE(frame.keys.get())) return 0;
        frame.key = Ref::new_ref(PyList_GET_ITEM(frame.keys.get(), frame.next++));
        if (!PyUnicode_Check(frame.key.get())) {
          raise_cast_error(frame.key, "str");
          return -1;
        }
        const std::optional<std::string_view> text = utf8_text(frame.key.get());
        if (!text) return -1;
        frame.key_text = *text;
        frame.item = Ref::steal(PyObject_GetItem(frame.container, frame.key.get()));
        return frame.item ? 1 : -1;
      }
    }
    internal_stop("Unknown container kind");
  }

  // A leaf into `out`, or a container opened as a new frame.
  Opened start(PyObject* object, PyJsonValue& out) {
    PyTypeObject* type = Py_TYPE(object);
    // The common exact types first; none of them runs Python code in the
    // attempts that these shortcuts skip, so the result is the same.
    if (object == Py_None) {
      out = PyJsonValue::null();
      return kLeaf;
    }
    if (type == &PyBool_Type) {
      out = PyJsonValue::boolean(object == Py_True);
      return kLeaf;
    }
    if (type == &PyLong_Type)
      return extract_exact_int(object, out) ? kLeaf : start_structure(object, out);
    if (type == &PyFloat_Type) {
      out = PyJsonValue::real(PyFloat_AS_DOUBLE(object));
      return kLeaf;
    }
    if (type == &PyUnicode_Type) return extract_text(object, out) ? kLeaf : kFailed;
    if (type == &PyList_Type || type == &PyTuple_Type) return open(Frame::kListOrTuple, object);
    if (type == &PyDict_Type) return open(Frame::kMapping, object);

    if (extract_numpy_bool(object, out) || extract_u64(object, out) || extract_i64(object, out) ||
        extract_float(object, out)) {
      return kLeaf;
    }
    return start_structure(object, out);
  }

  // Text, Sequence, Mapping, or refused.
  Opened start_structure(PyObject* object, PyJsonValue& out) {
    if (PyUnicode_Check(object)) return extract_text(object, out) ? kLeaf : kFailed;
    const int sequence = PyList_Check(object) || PyTuple_Check(object)
                             ? 1
                             : is_abc_instance(object, sequence_class, "Sequence");
    if (sequence < 0) return kFailed;
    if (sequence > 0) return open(Frame::kSequence, object);
    const int mapping =
        PyDict_Check(object) ? 1 : is_abc_instance(object, mapping_class, "Mapping");
    if (mapping < 0) return kFailed;
    if (mapping > 0) return open(Frame::kMapping, object);
    Ref name = Ref::steal(PyType_GetName(Py_TYPE(object)));
    if (!name) return kFailed;
    PyErr_Format(PyExc_TypeError, "Unsupported type for JSON value: %U", name.get());
    return kFailed;
  }

  // Enters the container and reads what its items need: nothing for a list
  // or tuple, the reported length (for the reservation only) and an iterator
  // for any other Sequence, the key list for a Mapping.
  Opened open(Frame::Kind kind, PyObject* container) {
    Frame& frame = frames_.emplace_back();
    frame.kind = kind;
    frame.container = container;
    if (!enter_nesting(frames_.size() - 1, kFromPython)) {
      frames_.pop_back();
      return kFailed;
    }
    switch (kind) {
      case Frame::kListOrTuple:
        frame.items.reserve(static_cast<std::size_t>(PySequence_Fast_GET_SIZE(container)));
        break;
      case Frame::kSequence: {
        Py_ssize_t length = PySequence_Size(container);
        if (length < 0) {
          PyErr_Clear();
          length = 0;
        }
        frame.iterator = Ref::steal(PyObject_GetIter(container));
        if (!frame.iterator) return kFailed;
        frame.items.reserve(static_cast<std::size_t>(std::min(length, kMaxReservation)));
        break;
      }
      case Frame::kMapping:
        frame.keys = Ref::steal(PyMapping_Keys(container));
        if (!frame.keys) return kFailed;
        frame.count = PyList_GET_SIZE(frame.keys.get());
        frame.members.reserve(static_cast<std::size_t>(frame.count));
        break;
    }
    return kContainer;
  }

  void pop() {
    frames_.pop_back();
    leave_nesting();
  }

  bool extract_exact_int(PyObject* object, PyJsonValue& out) {
    int overflow;
    const long long value = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (overflow == 0) {
      out = value >= 0 ? PyJsonValue::uint(static_cast<std::uint64_t>(value))
                       : PyJsonValue::sint(value);
      return true;
    }
    if (overflow > 0) {
      const unsigned long long u = PyLong_AsUnsignedLongLong(object);
      if (u != static_cast<unsigned long long>(-1) || !PyErr_Occurred()) {
        out = PyJsonValue::uint(u);
        return true;
      }
      PyErr_Clear();
    }
    return extract_float(object, out);
  }

  // A numpy bool, known by its type's module and name, answers its truth slot.
  static bool extract_numpy_bool(PyObject* object, PyJsonValue& out) {
    PyTypeObject* type = Py_TYPE(object);
    Ref module = Ref::steal(PyType_GetModuleName(type));
    if (!module) {
      PyErr_Clear();
      return false;
    }
    if (!PyUnicode_Check(module.get()) || !equals(module.get(), "numpy")) return false;
    Ref name = Ref::steal(PyType_GetName(type));
    if (!name) {
      PyErr_Clear();
      return false;
    }
    if (!equals(name.get(), "bool_") && !equals(name.get(), "bool")) return false;
    const inquiry truth = type->tp_as_number != nullptr ? type->tp_as_number->nb_bool : nullptr;
    if (truth == nullptr) return false;
    const int result = truth(object);
    if (result < 0) {
      PyErr_Clear();
      return false;
    }
    out = PyJsonValue::boolean(result != 0);
    return true;
  }

  static bool extract_u64(PyObject* object, PyJsonValue& out) {
    Ref index;
    PyObject* number = object;
    if (!PyLong_Check(object)) {
      index = Ref::steal(PyNumber_Index(object));
      if (!index) {
        PyErr_Clear();
        return false;
      }
      number = index.get();
    }
    const unsigned long long value = PyLong_AsUnsignedLongLong(number);
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    out = PyJsonValue::uint(value);
    return true;
  }

  static bool extract_i64(PyObject* object, PyJsonValue& out) {
    static_assert(sizeof(long) == sizeof(std::int64_t));
    const long value = PyLong_AsLong(object);
    if (value == -1 && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    out = PyJsonValue::sint(value);
    return true;
  }

  static bool extract_float(PyObject* object, PyJsonValue& out) {
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    out = PyJsonValue::real(value);
    return true;
  }

  // A str without a UTF-8 form (a lone surrogate) ends the conversion with
  // the encoding error: taken as a Sequence, its one-character items would
  // be such strings again, without end.
  static bool extract_text(PyObject* object, PyJsonValue& out) {
    const std::optional<std::string_view> text = utf8_text(object);
    if (!text) return false;
    out = PyJsonValue::string(std::string(*text));
    return true;
  }

  std::vector<Frame> frames_;
};

// A PyJsonValue tree as the builder reads it.
struct JsonValueSource {
  using Node = const PyJsonValue*;
  using Cursor = std::size_t;
  using Key = std::string_view;

  static Shape shape(Node node) {
    switch (node->kind()) {
      case PyJsonValue::kArray: return Shape::kList;
      case PyJsonValue::kObject: return Shape::kDict;
      default: return Shape::kLeaf;
    }
  }

  static Ref leaf(Node node) {
    switch (node->kind()) {
      case PyJsonValue::kNull: return Ref::new_ref(Py_None);
      case PyJsonValue::kBool: return Ref::new_ref(*node->as_bool() ? Py_True : Py_False);
      case PyJsonValue::kUInt: return Ref::steal(PyLong_FromUnsignedLongLong(*node->as_u64()));
      case PyJsonValue::kInt: return Ref::steal(PyLong_FromLongLong(*node->as_i64()));
      case PyJsonValue::kFloat: return Ref::steal(PyFloat_FromDouble(*node->as_f64()));
      case PyJsonValue::kString: return python_text(*node->as_str());
      default: internal_stop("Unknown JSON value kind");
    }
  }

  static Py_ssize_t length(Node node) { return static_cast<Py_ssize_t>(node->as_array()->size()); }
  static Cursor begin(Node) { return 0; }

  static bool next(Node node, Cursor& cursor, Node& child, Key& key) {
    if (const auto* items = node->as_array()) {
      if (cursor == items->size()) return false;
      child = &(*items)[cursor++];
      return true;
    }
    const auto& members = *node->as_object();
    if (cursor == members.size()) return false;
    const auto& [name, member] = members.begin()[static_cast<std::ptrdiff_t>(cursor++)];
    key = name;
    child = &member;
    return true;
  }

  static Ref key_object(Key key) { return python_text(key); }
};

}  // namespace

std::optional<PyJsonValue> PyJsonValue::extract(Borrowed object) {
  PyJsonValue value;
  if (!Extractor().extract(object.get(), value)) return std::nullopt;
  return value;
}

Ref PyJsonValue::into_pyobject() const { return build_python(JsonValueSource(), this); }

// --- Nesting ----------------------------------------------------------------

PyJsonValue PyJsonValue::shallow_copy() const {
  if (const auto* items = std::get_if<kArray>(&rep_)) {
    ArrayType copy;
    copy.reserve(items->size());
    return array(std::move(copy));
  }
  if (const auto* members = std::get_if<kObject>(&rep_)) {
    ObjectType copy;
    copy.reserve(members->size());
    return object(std::move(copy));
  }
  return *this;  // a scalar
}

// Each pair on the list is a container of the original and its shallow copy,
// still empty. The copies have room for all their elements, so appending
// never moves them, and the pointers to them on the list stay valid. Keys
// are distinct in the original, so each member is appended.
void PyJsonValue::copy_container(const PyJsonValue& original) {
  *this = original.shallow_copy();
  std::vector<std::pair<const PyJsonValue*, PyJsonValue*>> pending;
  const auto fill = [&pending](const PyJsonValue& element, PyJsonValue& copy) {
    if (element.has_children()) pending.emplace_back(&element, &copy);
  };
  const PyJsonValue* from = &original;
  PyJsonValue* to = this;
  for (;;) {
    if (auto* items = std::get_if<kArray>(&to->rep_)) {
      for (const PyJsonValue& item : *from->as_array()) {
        fill(item, items->emplace_back(item.shallow_copy()));
      }
    } else {
      auto& members = std::get<kObject>(to->rep_);
      for (const auto& [key, member] : *from->as_object()) {
        members.append_new(key, member.shallow_copy());
        fill(member, (members.end() - 1)->second);
      }
    }
    if (pending.empty()) return;
    std::tie(from, to) = pending.back();
    pending.pop_back();
  }
}

struct PyJsonValue::Shape {
  static bool has_children(const PyJsonValue& value) { return value.has_children(); }
  static PyJsonValue& first_child(PyJsonValue& value) {
    if (auto* items = std::get_if<kArray>(&value.rep_)) return items->front();
    return std::get<kObject>(value.rep_).begin()->second;
  }
  // The last element, once those after it that have no elements are
  // released.
  static PyJsonValue* other_child_with_children(PyJsonValue& value) {
    if (auto* items = std::get_if<kArray>(&value.rep_)) {
      while (items->size() > 1 && !items->back().has_children()) items->pop_back();
      return items->size() > 1 ? &items->back() : nullptr;
    }
    auto& members = std::get<kObject>(value.rep_);
    while (members.size() > 1 && !(members.end() - 1)->second.has_children()) members.pop_back();
    return members.size() > 1 ? &(members.end() - 1)->second : nullptr;
  }
};

// Containers are released by plain recursion down to a few levels, where
// nearly all values end; those further down are released by release_tree,
// which needs neither the call stack nor memory for any depth.
void PyJsonValue::release_children() { release_elements(kRecursionDepth); }

// The container is left empty.
void PyJsonValue::release_elements(int depth) {
  const auto release = [depth](PyJsonValue& element) {
    if (!element.has_children()) return;
    if (depth > 0) {
      element.release_elements(depth - 1);
    } else {
      release_tree<Shape>(std::move(element));
    }
  };
  if (auto* items = std::get_if<kArray>(&rep_)) {
    for (PyJsonValue& item : *items) release(item);
    items->clear();
  } else if (auto* members = std::get_if<kObject>(&rep_)) {
    for (auto& member : *members) release(member.second);
    *members = ObjectType();
  }
}

}  // namespace korvel::py
