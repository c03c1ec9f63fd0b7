// Argument binding: the arguments of a call matched to a callee's parameters,
// with the TypeErrors that Python callers see for a call that does not fit.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "py_ref.hpp"

namespace korvel::py {

// What a callee takes: its parameters in order, of which the first
// `positional_only` cannot be given by keyword and the first `required`
// must be given. No callee takes extra positional or keyword arguments.
struct Signature {
  const char* callee;  // as messages name it: "Exp.eval()"
  std::span<const char* const> names;
  std::size_t positional_only;
  std::size_t required;
};

// Binds the arguments of a vector call (METH_FASTCALL | METH_KEYWORDS): out[i]
// receives the borrowed argument of names[i], or null when it was not given.
// False, with TypeError set, for a call that does not fit.
bool bind_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> out);

// The same for a call with an argument tuple and an optional keyword dict.
bool bind_arguments(const Signature& signature, PyObject* args, PyObject* kwargs,
                    std::span<PyObject*> out);

// A str argument's UTF-8 text, valid while the argument lives; nullopt with
// the exception set: TypeError "argument '{name}': ..." for an argument that
// is not a str, the interpreter's encoding error for one without UTF-8 form.
std::optional<std::string_view> text_argument(Borrowed argument, const char* name);

}  // namespace korvel::py
