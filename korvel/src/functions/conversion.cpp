// Placeholder until the builtins of this file are written.
#include "korvel/functions.hpp"

namespace korvel::functions {

FnResult into_bool(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult into_string(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult into_int(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult into_float(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult base64_encode(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }
FnResult base64_decode(Arguments) { return Unexpected(EvalError(EvalError::Custom{"not implemented"})); }

}  // namespace korvel::functions
