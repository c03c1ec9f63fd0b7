#include "py_types/jsonobj.hpp"

#include <algorithm>

#include "errors.hpp"
#include "once_cell.hpp"
#include "py_text.hpp"

namespace korvel::py {
namespace {

// A sequence may report any length; beyond this many items the reservation
// is only a guess, and the array grows as the items come.
constexpr Py_ssize_t kMaxReservation = 1 << 16;

// One more level of nesting, for as long as it lives: counted against both the
// interpreter's recursion limit and kMaxDepth.
class Nesting {
 public:
  Nesting(int& depth, const char* what) : depth_(depth) {
    if (depth_ >= PyJsonValue::kMaxDepth) {
      PyErr_Format(PyExc_RecursionError, "maximum nesting depth of %d exceeded while converting %s",
                   PyJsonValue::kMaxDepth, what);
      return;
    }
    if (Py_EnterRecursiveCall(" while converting nested data")) return;
    ++depth_;
    entered_ = true;
  }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
  ~Nesting() {
    if (entered_) {
      --depth_;
      Py_LeaveRecursiveCall();
    }
  }

  explicit operator bool() const { return entered_; }

 private:
  int& depth_;
  bool entered_ = false;
};

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

class Extractor {
 public:
  // False with the Python exception set.
  bool extract(PyObject* object, PyJsonValue& out) {
    PyTypeObject* type = Py_TYPE(object);
    // The common exact types first; none of them runs Python code in the
    // attempts that these shortcuts skip, so the result is the same.
    if (object == Py_None) {
      out = PyJsonValue::null();
      return true;
    }
    if (type == &PyBool_Type) {
      out = PyJsonValue::boolean(object == Py_True);
      return true;
    }
    if (type == &PyLong_Type)
      return extract_exact_int(object, out) || extract_structure(object, out);
    if (type == &PyFloat_Type) {
      out = PyJsonValue::real(PyFloat_AS_DOUBLE(object));
      return true;
    }
    if (type == &PyUnicode_Type) return extract_text(object, out);
    if (type == &PyList_Type || type == &PyTuple_Type) return extract_list_or_tuple(object, out);
    if (type == &PyDict_Type) return extract_mapping(object, out);

    return extract_numpy_bool(object, out) || extract_u64(object, out) ||
           extract_i64(object, out) || extract_float(object, out) || extract_structure(object, out);
  }

 private:
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
  bool extract_numpy_bool(PyObject* object, PyJsonValue& out) {
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

  bool extract_u64(PyObject* object, PyJsonValue& out) {
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

  bool extract_i64(PyObject* object, PyJsonValue& out) {
    static_assert(sizeof(long) == sizeof(std::int64_t));
    const long value = PyLong_AsLong(object);
    if (value == -1 && PyErr_Occurred()) {
      PyErr_Clear();
      return false;
    }
    out = PyJsonValue::sint(value);
    return true;
  }

  bool extract_float(PyObject* object, PyJsonValue& out) {
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

  // Text, Sequence, Mapping, or refused.
  bool extract_structure(PyObject* object, PyJsonValue& out) {
    if (PyUnicode_Check(object)) return extract_text(object, out);
    const int sequence = PyList_Check(object) || PyTuple_Check(object)
                             ? 1
                             : is_abc_instance(object, sequence_class, "Sequence");
    if (sequence < 0) return false;
    if (sequence > 0) return extract_sequence(object, out);
    const int mapping =
        PyDict_Check(object) ? 1 : is_abc_instance(object, mapping_class, "Mapping");
    if (mapping < 0) return false;
    if (mapping > 0) return extract_mapping(object, out);
    Ref name = Ref::steal(PyType_GetName(Py_TYPE(object)));
    if (!name) return false;
    PyErr_Format(PyExc_TypeError, "Unsupported type for JSON value: %U", name.get());
    return false;
  }

  // A list or a tuple, read by position as its iterator would: each item
  // while the index is below the current length, since converting may change
  // a list.
  bool extract_list_or_tuple(PyObject* sequence, PyJsonValue& out) {
    Nesting nesting(depth_, "a Python object");
    if (!nesting) return false;
    Py_ssize_t i = 0;
    auto next = [sequence, &i](Ref& item) {
      if (i >= PySequence_Fast_GET_SIZE(sequence)) return 0;
      item = Ref::new_ref(PySequence_Fast_GET_ITEM(sequence, i++));
      return 1;
    };
    return extract_items(PySequence_Fast_GET_SIZE(sequence), next, out);
  }

  // Any other Sequence: its reported length serves only for the reservation.
  bool extract_sequence(PyObject* sequence, PyJsonValue& out) {
    Nesting nesting(depth_, "a Python object");
    if (!nesting) return false;
    Py_ssize_t length = PySequence_Size(sequence);
    if (length < 0) {
      PyErr_Clear();
      length = 0;
    }
    Ref iterator = Ref::steal(PyObject_GetIter(sequence));
    if (!iterator) return false;
    auto next = [&iterator](Ref& item) {
      PyObject* raw;
      const int status = PyIter_NextItem(iterator.get(), &raw);
      if (status > 0) item = Ref::steal(raw);
      return status;
    };
    return extract_items(std::min(length, kMaxReservation), next, out);
  }

  // The items that next(item) yields, converted in order into an array. It
  // returns 1 with the next item, 0 at the end, or -1 with the exception set.
  // Each item is held while it converts.
  template <class Next>
  bool extract_items(Py_ssize_t reservation, Next& next, PyJsonValue& out) {
    PyJsonValue::ArrayType items;
    items.reserve(static_cast<std::size_t>(reservation));
    for (;;) {
      Ref item;
      const int status = next(item);
      if (status < 0) return false;
      if (status == 0) break;
      if (!extract(item.get(), items.emplace_back())) return false;
    }
    out = PyJsonValue::array(std::move(items));
    return true;
  }

  // The keys are read once, as a list; each value is then looked up.
  bool extract_mapping(PyObject* mapping, PyJsonValue& out) {
    Nesting nesting(depth_, "a Python object");
    if (!nesting) return false;
    Ref keys = Ref::steal(PyMapping_Keys(mapping));
    if (!keys) return false;
    const Py_ssize_t count = PyList_GET_SIZE(keys.get());
    PyJsonValue::ObjectType members;
    members.reserve(static_cast<std::size_t>(count));
    // The list may be the mapping's own and shrink while values convert.
    for (Py_ssize_t i = 0; i < count && i < PyList_GET_SIZE(keys.get()); ++i) {
      Ref key = Ref::new_ref(PyList_GET_ITEM(keys.get(), i));
      if (!PyUnicode_Check(key.get())) {
        raise_cast_error(key, "str");
        return false;
      }
      const std::optional<std::string_view> text = utf8_text(key.get());
      if (!text) return false;
      Ref value = Ref::steal(PyObject_GetItem(mapping, key.get()));
      if (!value) return false;
      PyJsonValue member;
      if (!extract(value.get(), member)) return false;
      members.insert_or_assign(std::string(*text), std::move(member));
    }
    out = PyJsonValue::object(std::move(members));
    return true;
  }

  int depth_ = 0;
};

class PythonBuilder {
 public:
  Ref build(const PyJsonValue& value) {
    switch (value.kind()) {
      case PyJsonValue::kNull: return Ref::new_ref(Py_None);
      case PyJsonValue::kBool: return Ref::new_ref(*value.as_bool() ? Py_True : Py_False);
      case PyJsonValue::kUInt: return Ref::steal(PyLong_FromUnsignedLongLong(*value.as_u64()));
      case PyJsonValue::kInt: return Ref::steal(PyLong_FromLongLong(*value.as_i64()));
      case PyJsonValue::kFloat: return Ref::steal(PyFloat_FromDouble(*value.as_f64()));
      case PyJsonValue::kString: return text(*value.as_str());
      case PyJsonValue::kArray: return build_list(*value.as_array());
      case PyJsonValue::kObject: return build_dict(*value.as_object());
    }
    internal_stop("Unknown JSON value kind");
  }

 private:
  static Ref text(std::string_view text) {
    return Ref::steal(
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr));
  }

  Ref build_list(const PyJsonValue::ArrayType& items) {
    Nesting nesting(depth_, "a JSON value to a Python object");
    if (!nesting) return Ref();
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(items.size())));
    if (!list) return Ref();
    for (std::size_t i = 0; i < items.size(); ++i) {
      Ref item = build(items[i]);
      if (!item) return Ref();
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item.release());
    }
    return list;
  }

  Ref build_dict(const PyJsonValue::ObjectType& members) {
    Nesting nesting(depth_, "a JSON value to a Python object");
    if (!nesting) return Ref();
    Ref dict = Ref::steal(PyDict_New());
    if (!dict) return Ref();
    for (const auto& [key, member] : members) {
      Ref value = build(member);
      if (!value) return Ref();
      Ref name = text(key);
      if (!name) return Ref();
      if (PyDict_SetItem(dict.get(), name.get(), value.get()) < 0) return Ref();
    }
    return dict;
  }

  int depth_ = 0;
};

}  // namespace

std::optional<PyJsonValue> PyJsonValue::extract(Borrowed object) {
  PyJsonValue value;
  if (!Extractor().extract(object.get(), value)) return std::nullopt;
  return value;
}

Ref PyJsonValue::into_pyobject() const { return PythonBuilder().build(*this); }

PyJsonValue PyJsonValue::from(Value value) {
  switch (value.tag()) {
    case Value::kInt: return sint(*value.get_if<std::int64_t>());
    case Value::kFloat: return real(*value.get_if<double>());
    case Value::kBool: return boolean(*value.get_if<bool>());
    case Value::kString: return string(std::move(*value.get_if<Text>()).into_string());
    case Value::kArray: {
      Array& items = *value.get_if<Array>();
      ArrayType converted;
      converted.reserve(items.size());
      for (Value& item : items) converted.push_back(from(std::move(item)));
      return array(std::move(converted));
    }
    case Value::kObject: {
      std::vector<ObjectEntry> entries = std::move(*value.get_if<Object>()).into_entries();
      ObjectType converted;
      converted.reserve(entries.size());
      // The keys of an Object are distinct, so each member is appended.
      for (ObjectEntry& entry : entries) {
        converted.append_new(std::move(entry.key), from(std::move(entry.value)));
      }
      return object(std::move(converted));
    }
    case Value::kNull: return null();
  }
  internal_stop("Unknown value kind");
}

}  // namespace korvel::py
