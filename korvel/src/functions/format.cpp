// Placeholder until the builtin of this file is written.
#include "korvel/functions.hpp"

namespace korvel::functions {

FnResult format(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }

}  // namespace korvel::functions
