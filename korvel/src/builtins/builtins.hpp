// The fifteen builtins, each a function from its evaluated arguments to a
// value or an error; default_vtable() names them.
#pragma once

#include "korvel/functions.hpp"

namespace korvel::functions {

// Text builtins.
FnResult len(Arguments args);
FnResult starts_with(Arguments args);
FnResult ends_with(Arguments args);
FnResult contains(Arguments args);
FnResult replace(Arguments args);
FnResult split(Arguments args);
FnResult join(Arguments args);

// Conversion builtins.
FnResult into_bool(Arguments args);
FnResult into_string(Arguments args);
FnResult into_int(Arguments args);
FnResult into_float(Arguments args);
FnResult base64_encode(Arguments args);
FnResult base64_decode(Arguments args);

// Pattern builtins.
FnResult matches(Arguments args);
FnResult format(Arguments args);

}  // namespace korvel::functions
