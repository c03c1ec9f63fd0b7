// A value that is either borrowed from somewhere that outlives it, or owned.
#pragma once

#include <utility>
#include <variant>

namespace korvel {

template <class T>
class MaybeOwned {
 public:
  static MaybeOwned borrowed(const T& value) { return MaybeOwned(&value); }
  static MaybeOwned owned(T value) { return MaybeOwned(std::in_place, std::move(value)); }

  // An owned value built in place.
  template <class... Args>
  explicit MaybeOwned(std::in_place_t, Args&&... args)
      : rep_(std::in_place_type<T>, std::forward<Args>(args)...) {}
  explicit MaybeOwned(const T* borrowed) : rep_(borrowed) {}

  const T& get() const {
    if (const auto* owned = std::get_if<T>(&rep_)) return *owned;
    return **std::get_if<const T*>(&rep_);
  }
  const T& operator*() const { return get(); }
  const T* operator->() const { return &get(); }

  bool is_borrowed() const { return std::holds_alternative<const T*>(rep_); }

  // The value itself: moved out when owned, copied when borrowed.
  T take() && {
    if (auto* owned = std::get_if<T>(&rep_)) return std::move(*owned);
    return T(**std::get_if<const T*>(&rep_));
  }

 private:
  std::variant<const T*, T> rep_;
};

}  // namespace korvel
