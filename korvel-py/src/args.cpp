#include "args.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "errors.hpp"
#include "py_text.hpp"

namespace korvel::py {
namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// 'a'; 'a' and 'b'; 'a', 'b', and 'c'.
std::string quoted_list(const Signature& signature, const std::vector<std::size_t>& indexes) {
  std::string list;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    if (i != 0) {
      if (indexes.size() > 2) list.push_back(',');
      list.append(i + 1 == indexes.size() ? " and " : " ");
    }
    list.append("'").append(signature.names[indexes[i]]).append("'");
  }
  return list;
}

std::size_t find_parameter(const Signature& signature, PyObject* keyword) {
  for (std::size_t i = 0; i < signature.names.size(); ++i) {
    const char* name = signature.names[i];
    if (PyUnicode_EqualToUTF8AndSize(keyword, name, static_cast<Py_ssize_t>(std::strlen(name)))) {
      return i;
    }
  }
  return kNotFound;
}

// Binding after the positional arguments are in place, one keyword argument
// at a time.
class Binder {
 public:
  Binder(const Signature& signature, std::span<PyObject*> out, Py_ssize_t nargs)
      : signature_(signature), out_(out), nargs_(static_cast<std::size_t>(nargs)) {}

  bool take_positional(PyObject* const* args) {
    const std::size_t count = std::min(nargs_, out_.size());
    for (std::size_t i = 0; i < count; ++i) out_[i] = args[i];
    if (nargs_ <= out_.size()) return true;
    const char* verb = nargs_ == 1 ? "was" : "were";
    if (signature_.required != out_.size()) {
      PyErr_Format(PyExc_TypeError,
                   "%s takes from %zu to %zu positional arguments but %zu %s given",
                   signature_.callee, signature_.required, out_.size(), nargs_, verb);
    } else {
      PyErr_Format(PyExc_TypeError, "%s takes %zu positional arguments but %zu %s given",
                   signature_.callee, out_.size(), nargs_, verb);
    }
    return false;
  }

  bool take_keyword(PyObject* keyword, PyObject* value) {
    const std::size_t i = find_parameter(signature_, keyword);
    if (i == kNotFound) {
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", signature_.callee,
                   keyword);
      return false;
    }
    if (i < signature_.positional_only) {
      positional_only_given_.push_back(i);
      return true;
    }
    if (out_[i] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", signature_.callee,
                   signature_.names[i]);
      return false;
    }
    out_[i] = value;
    return true;
  }

  bool finish() {
    if (!positional_only_given_.empty()) {
      std::string message = signature_.callee;
      message.append(" got some positional-only arguments passed as keyword arguments: ");
      message.append(quoted_list(signature_, positional_only_given_));
      raise_message(PyExc_TypeError, message);
      return false;
    }
    std::vector<std::size_t> missing;
    for (std::size_t i = nargs_; i < signature_.required; ++i) {
      if (out_[i] == nullptr) {
        for (std::size_t j = 0; j < signature_.required; ++j) {
          if (out_[j] == nullptr) missing.push_back(j);
        }
        break;
      }
    }
    if (missing.empty()) return true;
    std::string message = signature_.callee;
    message.append(" missing ")
        .append(std::to_string(missing.size()))
        .append(" required positional ");
    message.append(missing.size() == 1 ? "argument: " : "arguments: ");
    message.append(quoted_list(signature_, missing));
    raise_message(PyExc_TypeError, message);
    return false;
  }

 private:
  const Signature& signature_;
  std::span<PyObject*> out_;
  std::size_t nargs_;
  std::vector<std::size_t> positional_only_given_;
};

}  // namespace

bool bind_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> out) {
  nargs = PyVectorcall_NARGS(nargs);
  std::fill(out.begin(), out.end(), nullptr);
  Binder binder(signature, out, nargs);
  if (!binder.take_positional(args)) return false;
  if (kwnames != nullptr) {
    const Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t i = 0; i < count; ++i) {
      if (!binder.take_keyword(PyTuple_GET_ITEM(kwnames, i), args[nargs + i])) return false;
    }
  }
  return binder.finish();
}

bool bind_arguments(const Signature& signature, PyObject* args, PyObject* kwargs,
                    std::span<PyObject*> out) {
  const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
  std::fill(out.begin(), out.end(), nullptr);
  Binder binder(signature, out, nargs);
  if (!binder.take_positional(reinterpret_cast<PyTupleObject*>(args)->ob_item)) return false;
  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject *keyword, *value;
    while (PyDict_Next(kwargs, &pos, &keyword, &value)) {
      if (!binder.take_keyword(keyword, value)) return false;
    }
  }
  return binder.finish();
}

std::optional<std::string_view> text_argument(Borrowed argument, const char* name) {
  if (!PyUnicode_Check(argument.get())) {
    raise_cast_error(argument, "str");
    wrap_argument_error(name);
    return std::nullopt;
  }
  return utf8_text(argument.get());
}

}  // namespace korvel::py
