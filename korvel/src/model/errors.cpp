#include "korvel/errors.hpp"

#include "support/overloaded.hpp"

namespace korvel {

void write_display(std::string& out, const VarAccessError& error) {
  using E = VarAccessError;
  std::visit(
      Overloaded{
          [&](const E::Empty&) { out.append("Variable access is empty"); },
          [&](const E::VariableNotFound& e) { out.append("Variable not found: ").append(e.name); },
          [&](const E::KeyNotFound& e) {
            out.append("Object '").append(e.path).append("' does not contain key '");
            out.append(e.key).push_back('\'');
          },
          [&](const E::TypeError& e) { out.append("Type error: ").append(e.message); },
          [&](const E::IndexOutOfBounds& e) {
            out.append("Index out of bounds: ").append(e.message);
          },
          [&](const E::ConversionError& e) { out.append("Conversion error: ").append(e.message); },
      },
      error.error);
}

void write_display(std::string& out, const EvalError& error) {
  using E = EvalError;
  std::visit(
      Overloaded{
          [&](const VarAccessError& e) { write_display(out, e); },
          [&](const FnCallError& e) {
            out.append("Error calling function '").append(e.name).append("': ");
            write_display(out, *e.error);
          },
          [&](const E::UndefinedFunction& e) { out.append("Undefined function: ").append(e.name); },
          [&](const E::TypeError& e) { out.append("Type Error: ").append(e.message); },
          [&](const E::ValueError& e) { out.append("Value Error: ").append(e.message); },
          [&](const E::RegexError& e) { out.append("Regex Error: ").append(e.message); },
          [&](const E::ArgumentError& e) {
            out.append("Argument Error: Expected ").append(std::to_string(e.expected));
            out.append(" arguments, but got ").append(std::to_string(e.given));
          },
          [&](const E::AsyncInSyncContext&) {
            out.append("Cannot call an async function in a sync context");
          },
          [&](const E::Custom& e) { out.append(e.message); },
      },
      error.error);
}

std::string to_string(const VarAccessError& error) {
  std::string out;
  write_display(out, error);
  return out;
}

std::string to_string(const EvalError& error) {
  std::string out;
  write_display(out, error);
  return out;
}

}  // namespace korvel
