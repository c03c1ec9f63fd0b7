// A value or an error, the way every fallible engine operation returns.
//
// A small subset of C++23's std::expected with the same member names, so the
// engine can move to the standard type once every supported compiler has it.
#pragma once

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

namespace korvel {

template <class E>
class Unexpected {
 public:
  explicit Unexpected(E error) : error_(std::move(error)) {}

  E& error() & { return error_; }
  E&& error() && { return std::move(error_); }

 private:
  E error_;
};

template <class E>
Unexpected(E) -> Unexpected<E>;

template <class T, class E>
class [[nodiscard]] Expected {
 public:
  template <class U = T>
  Expected(U&& value)  // NOLINT(google-explicit-constructor)
      requires std::is_constructible_v<T, U&&>
      : rep_(std::in_place_index<0>, std::forward<U>(value)) {}

  template <class G>
  Expected(Unexpected<G> unexpected)  // NOLINT(google-explicit-constructor)
      : rep_(std::in_place_index<1>, std::move(unexpected).error()) {}

  bool has_value() const { return rep_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return checked_value(); }
  const T& value() const& { return const_cast<Expected*>(this)->checked_value(); }
  T&& value() && { return std::move(checked_value()); }

  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  E& error() & { return checked_error(); }
  const E& error() const& { return const_cast<Expected*>(this)->checked_error(); }
  E&& error() && { return std::move(checked_error()); }

 private:
  T& checked_value() {
    assert(has_value());
    return *std::get_if<0>(&rep_);
  }
  E& checked_error() {
    assert(!has_value());
    return *std::get_if<1>(&rep_);
  }

  std::variant<T, E> rep_;
};

}  // namespace korvel
