// Box: an owning pointer that copies and compares what it points to.
#pragma once

#include <memory>
#include <utility>

namespace korvel {

template <class T>
class Box {
 public:
  explicit Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}
  Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
  Box(Box&&) noexcept = default;
  Box& operator=(const Box& other) {
    if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
    return *this;
  }
  Box& operator=(Box&&) noexcept = default;
  ~Box() = default;

  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_.get(); }

  // False only for a box that was moved from.
  explicit operator bool() const { return ptr_ != nullptr; }

  friend bool operator==(const Box& a, const Box& b) { return *a.ptr_ == *b.ptr_; }

 private:
  std::unique_ptr<T> ptr_;
};

}  // namespace korvel
