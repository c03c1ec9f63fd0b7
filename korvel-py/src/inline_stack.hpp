// InlineStack: a stack whose first N entries live inside it, so that walks
// over shallow data allocate nothing; the entries beyond N go to the heap.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace korvel::py {

template <class T, std::size_t N>
class InlineStack {
 public:
  InlineStack() = default;
  InlineStack(const InlineStack&) = delete;
  InlineStack& operator=(const InlineStack&) = delete;
  ~InlineStack() {
    while (!empty()) pop();
  }

  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }

  // The top entry. A push may move the entries beyond the first N, so a
  // reference to one of them does not survive the next push.
  T& back() { return size_ > N ? spill_.back() : *slot(size_ - 1); }

  template <class... Args>
  T& emplace(Args&&... args) {
    if (size_ >= N) {
      T& entry = spill_.emplace_back(std::forward<Args>(args)...);
      ++size_;
      return entry;
    }
    T* entry = new (&slots_[size_]) T(std::forward<Args>(args)...);
    ++size_;
    return *entry;
  }

  void pop() {
    if (size_ > N) {
      spill_.pop_back();
    } else {
      std::destroy_at(slot(size_ - 1));
    }
    --size_;
  }

 private:
  struct Slot {
    alignas(T) std::byte bytes[sizeof(T)];
  };

  T* slot(std::size_t i) { return std::launder(reinterpret_cast<T*>(&slots_[i])); }

  std::size_t size_ = 0;
  Slot slots_[N];
  std::vector<T> spill_;
};

}  // namespace korvel::py
