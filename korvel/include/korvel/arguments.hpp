// Arguments: the evaluated arguments of one call, as builtins receive them.
#pragma once

#include <cstddef>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

#include "korvel/value.hpp"

namespace korvel {

// The evaluated arguments of one call, the first written argument first: a
// read-only sequence of values that the caller keeps alive for the call. It
// refers to each value rather than holding them side by side, so that a call
// passes literals and bound data where they are, without copying them.
class Arguments {
 public:
  class iterator {
   public:
    using value_type = Value;
    using difference_type = std::ptrdiff_t;

    iterator() = default;
    explicit iterator(const Value* const* at) : at_(at) {}
    const Value& operator*() const { return **at_; }
    const Value* operator->() const { return *at_; }
    iterator& operator++() {
      ++at_;
      return *this;
    }
    iterator operator++(int) { return iterator(at_++); }
    friend bool operator==(iterator, iterator) = default;

   private:
    const Value* const* at_ = nullptr;
  };

  Arguments() = default;
  explicit Arguments(std::span<const Value* const> values) : values_(values) {}

  std::size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  const Value& operator[](std::size_t i) const { return *values_[i]; }
  const Value& front() const { return *values_.front(); }
  iterator begin() const { return iterator(values_.data()); }
  iterator end() const { return iterator(values_.data() + values_.size()); }
  // The arguments from position `offset` on.
  Arguments subspan(std::size_t offset) const { return Arguments(values_.subspan(offset)); }

 private:
  std::span<const Value* const> values_;
};

// Values held together with the view that passes them as Arguments, for
// callers whose arguments are not kept anywhere else.
class ArgumentValues {
 public:
  explicit ArgumentValues(std::vector<Value> values) : values_(std::move(values)) {
    refs_.reserve(values_.size());
    for (const Value& value : values_) refs_.push_back(&value);
  }
  ArgumentValues(const ArgumentValues&) = delete;
  ArgumentValues& operator=(const ArgumentValues&) = delete;

  Arguments view() const { return Arguments(refs_); }
  operator Arguments() const { return view(); }  // NOLINT(google-explicit-constructor)

 private:
  std::vector<Value> values_;
  std::vector<const Value*> refs_;
};

}  // namespace korvel
