// FunctionRef: a non-owning reference to a callable, cheap to pass by value.
//
// Unlike std::function it never allocates and never copies the callable; the
// callable must outlive the reference. Loops that call back into their
// caller take one, so that they are compiled once for every kind of caller.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace korvel {

template <class Signature>
class FunctionRef;

template <class R, class... Args>
class FunctionRef<R(Args...)> {
 public:
  template <class F>
  explicit FunctionRef(const F& callable) requires std::is_invocable_r_v<R, const F&, Args...>
      : context_(std::addressof(callable)), call_([](const void* context, Args... args) -> R {
        return (*static_cast<const F*>(context))(std::forward<Args>(args)...);
      }) {}

  R operator()(Args... args) const { return call_(context_, std::forward<Args>(args)...); }

 private:
  const void* context_;
  R (*call_)(const void*, Args...);
};

}  // namespace korvel
