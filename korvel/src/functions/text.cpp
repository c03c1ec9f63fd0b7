// Placeholder until the builtins of this file are written.
#include "korvel/functions.hpp"

namespace korvel::functions {

FnResult len(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult starts_with(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult ends_with(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult contains(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult replace(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult split(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult join(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }

}  // namespace korvel::functions
