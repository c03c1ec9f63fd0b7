// OrderedMap: a map from text to V that keeps its entries in insertion order.
#pragma once

#include <bit>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "korvel/siphash.hpp"

namespace korvel::py {

// Entries live in a vector in insertion order; a key is there at most once.
// Beyond a handful of entries a hash index (open addressing over entry
// positions, randomly keyed SipHash-1-3) finds keys; below that a scan over
// the entries is faster than hashing the key. Every walk follows the entry
// vector, so the index's order never shows.
template <class V>
class OrderedMap {
 public:
  using Entry = std::pair<std::string, V>;
  using iterator = typename std::vector<Entry>::iterator;
  using const_iterator = typename std::vector<Entry>::const_iterator;

  OrderedMap() = default;
  OrderedMap(const OrderedMap& other)
      : entries_(other.entries_),
        index_(other.index_ ? std::make_unique<Index>(*other.index_) : nullptr) {}
  OrderedMap(OrderedMap&&) noexcept = default;
  OrderedMap& operator=(const OrderedMap& other) {
    if (this != &other) *this = OrderedMap(other);
    return *this;
  }
  OrderedMap& operator=(OrderedMap&&) noexcept = default;
  ~OrderedMap() = default;

  void reserve(std::size_t n) { entries_.reserve(n); }
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Appends the entry or, for a key already present, replaces that entry's
  // value and keeps its position.
  void insert_or_assign(std::string key, V value) {
    if (V* present = find(key)) {
      *present = std::move(value);
    } else {
      append_new(std::move(key), std::move(value));
    }
  }

  // Appends an entry whose key the caller knows to be absent.
  void append_new(std::string key, V value) {
    entries_.emplace_back(std::move(key), std::move(value));
    if (index_) {
      index_->add(entries_, entries_.size() - 1);
    } else if (entries_.size() > kScanLimit) {
      index_ = std::make_unique<Index>(entries_);
    }
  }

  // Removes the last entry. The index goes with it: lookups scan until the
  // map grows past the scan limit again.
  void pop_back() {
    entries_.pop_back();
    index_.reset();
  }

  const V* find(std::string_view key) const {
    const std::size_t position = index_ ? index_->find(entries_, key) : scan(key);
    return position == kAbsent ? nullptr : &entries_[position].second;
  }
  V* find(std::string_view key) {
    return const_cast<V*>(static_cast<const OrderedMap&>(*this).find(key));
  }

  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  // For callers that take the map apart: a key changed through these leaves
  // the map unusable for lookups.
  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }

 private:
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
  // Measured: up to here a scan beats hashing the key, for short keys.
  static constexpr std::size_t kScanLimit = 8;

  std::size_t scan(std::string_view key) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].first == key) return i;
    }
    return kAbsent;
  }

  class Index {
   public:
    explicit Index(const std::vector<Entry>& entries) {
      rebuild(entries, std::bit_ceil(entries.capacity() * 2));
    }

    void add(const std::vector<Entry>& entries, std::size_t position) {
      if (2 * entries.size() > slots_.size()) {
        rebuild(entries, slots_.size() * 2);
      } else {
        place(entries[position].first, position);
      }
    }

    std::size_t find(const std::vector<Entry>& entries, std::string_view key) const {
      const std::size_t mask = slots_.size() - 1;
      for (std::size_t slot = hash_(key) & mask;; slot = (slot + 1) & mask) {
        const std::size_t stored = slots_[slot];
        if (stored == 0) return kAbsent;
        if (entries[stored - 1].first == key) return stored - 1;
      }
    }

   private:
    void rebuild(const std::vector<Entry>& entries, std::size_t slot_count) {
      slots_.assign(slot_count, 0);
      for (std::size_t i = 0; i < entries.size(); ++i) place(entries[i].first, i);
    }

    void place(std::string_view key, std::size_t position) {
      const std::size_t mask = slots_.size() - 1;
      std::size_t slot = hash_(key) & mask;
      while (slots_[slot] != 0) slot = (slot + 1) & mask;
      slots_[slot] = position + 1;
    }

    RandomState hash_;
    std::vector<std::size_t> slots_;  // entry position + 1, or 0 for a free slot
  };

  std::vector<Entry> entries_;
  std::unique_ptr<Index> index_;
};

}  // namespace korvel::py
