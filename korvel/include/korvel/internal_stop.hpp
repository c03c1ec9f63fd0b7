// Broken internal invariants.
//
// An invariant that no input can break (an evaluator stack that runs empty, an
// empty access path built by hand) is not an error value: it ends the current
// call with a fixed text. The engine throws InternalStop for it, and whoever
// calls into the engine catches it where the call began.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace korvel {

class InternalStop : public std::exception {
 public:
  explicit InternalStop(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

[[noreturn]] inline void internal_stop(std::string_view message) {
  throw InternalStop(std::string(message));
}

}  // namespace korvel
