// Placeholder until the builtins of this file are written.
#include "korvel/functions.hpp"

namespace korvel::functions {

FnResult matches(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }

}  // namespace korvel::functions
