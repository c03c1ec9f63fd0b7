// The error values of evaluation, variable access and the builtins.
//
// Errors own all their text, so they stay valid after the expression, the
// bindings and the arguments are gone. Each case has a fixed display text.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "korvel/box.hpp"

namespace korvel {

struct VarAccessError {
  struct Empty {
    friend bool operator==(Empty, Empty) = default;
  };
  struct VariableNotFound {
    std::string name;
    friend bool operator==(const VariableNotFound&, const VariableNotFound&) = default;
  };
  struct KeyNotFound {
    std::string path;  // the object that was searched
    std::string key;
    friend bool operator==(const KeyNotFound&, const KeyNotFound&) = default;
  };
  struct TypeError {
    std::string message;
    friend bool operator==(const TypeError&, const TypeError&) = default;
  };
  struct IndexOutOfBounds {
    std::string message;
    friend bool operator==(const IndexOutOfBounds&, const IndexOutOfBounds&) = default;
  };
  struct ConversionError {
    std::string message;
    friend bool operator==(const ConversionError&, const ConversionError&) = default;
  };

  using Case = std::variant<Empty, VariableNotFound, KeyNotFound, TypeError, IndexOutOfBounds,
                            ConversionError>;

  template <class C>
  VarAccessError(C&& c)  // NOLINT(google-explicit-constructor)
      requires std::is_constructible_v<Case, C&&> : error(std::forward<C>(c)) {}

  Case error;

  friend bool operator==(const VarAccessError&, const VarAccessError&) = default;
};

struct EvalError;

// A failure inside a called function, with the function's name.
struct FnCallError {
  std::string name;
  Box<EvalError> error;

  friend bool operator==(const FnCallError&, const FnCallError&) = default;
};

struct EvalError {
  struct UndefinedFunction {
    std::string name;
    friend bool operator==(const UndefinedFunction&, const UndefinedFunction&) = default;
  };
  struct TypeError {
    std::string message;
    friend bool operator==(const TypeError&, const TypeError&) = default;
  };
  struct ValueError {
    std::string message;
    friend bool operator==(const ValueError&, const ValueError&) = default;
  };
  struct RegexError {
    std::string message;
    friend bool operator==(const RegexError&, const RegexError&) = default;
  };
  struct ArgumentError {
    std::uint64_t expected;
    std::uint64_t given;
    friend bool operator==(const ArgumentError&, const ArgumentError&) = default;
  };
  struct AsyncInSyncContext {
    friend bool operator==(AsyncInSyncContext, AsyncInSyncContext) = default;
  };
  struct Custom {
    std::string message;
    friend bool operator==(const Custom&, const Custom&) = default;
  };

  using Case = std::variant<VarAccessError, FnCallError, UndefinedFunction, TypeError, ValueError,
                            RegexError, ArgumentError, AsyncInSyncContext, Custom>;

  template <class C>
  EvalError(C&& c)  // NOLINT(google-explicit-constructor)
      requires std::is_constructible_v<Case, C&&> : error(std::forward<C>(c)) {}

  Case error;

  friend bool operator==(const EvalError&, const EvalError&) = default;
};

// The display texts, such as "Variable not found: x" or
// "Error calling function 'len': Argument Error: Expected 1 arguments, but got 2".
void write_display(std::string& out, const VarAccessError& error);
void write_display(std::string& out, const EvalError& error);
std::string to_string(const VarAccessError& error);
std::string to_string(const EvalError& error);

}  // namespace korvel
