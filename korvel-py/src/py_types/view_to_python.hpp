// Plain data read in place, copied into new Python objects: the results of
// VarAccess when its argument is plain (plain_data.hpp).
#pragma once

#include "korvel/var.hpp"
#include "py_ref.hpp"
#include "py_types/jsonview.hpp"

namespace korvel::py {

// The objects that the copying conversion would return for `value`: new
// lists (for lists and tuples) and dicts (in the dict's order), and floats
// for floats and for ints beyond 64 bits. strs and ints within 64 bits are
// immutable and equal to their copies, and are shared. Null with the
// exception set (nesting.hpp, MemoryError).
Ref view_to_python(const PyJsonView& value);

// The same copy of `root`, with the copy of `replacement` in place of the
// value that `path` designates in it; `path` must lead to a value, as
// VarAccess::replace_target says.
Ref replaced_to_python(const PyJsonView& root, const VarAccess& path,
                       const PyJsonView& replacement);

}  // namespace korvel::py
