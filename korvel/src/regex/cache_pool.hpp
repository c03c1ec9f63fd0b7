// Scratch objects for searches that may run on several threads at once.
//
// A search takes an object for itself and gives it back when done, so no two
// searches ever share one; an object that a search left because of an
// exception, perhaps half changed, is dropped. The first thread to take one
// keeps it as its own and reaches it again without a lock; other threads
// share a stack under a mutex, which grows to the number of them that search
// at the same time.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace korvel::regex {

template <typename T>
class CachePool {
 public:
  // Gives the object back to its pool when the search is done with it, or
  // drops it.
  class Lease {
   public:
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() { pool_.give_back(object_, owned_, !done_); }

    T& operator*() const { return *object_; }
    T* operator->() const { return object_; }
    // The object is whole again and may serve other searches.
    void done() { done_ = true; }

   private:
    friend class CachePool;
    Lease(CachePool& pool, T* object, bool owned) : pool_(pool), object_(object), owned_(owned) {}

    CachePool& pool_;
    T* object_;
    bool owned_;
    bool done_ = false;
  };

  // `make` builds a new object when none is free.
  template <typename Make>
  Lease take(Make&& make) {
    const std::thread::id me = std::this_thread::get_id();
    std::thread::id owner = owner_.load(std::memory_order_acquire);
    if (owner == me) return Lease(*this, owned_.get(), true);
    if (owner == std::thread::id()) {
      std::unique_ptr<T> fresh = make();
      if (owner_.compare_exchange_strong(owner, me, std::memory_order_acq_rel)) {
        owned_ = std::move(fresh);
        return Lease(*this, owned_.get(), true);
      }
      return Lease(*this, fresh.release(), false);
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!shared_.empty()) {
        T* object = shared_.back().release();
        shared_.pop_back();
        return Lease(*this, object, false);
      }
    }
    return Lease(*this, make().release(), false);
  }

 private:
  void give_back(T* object, bool owned, bool broken) {
    if (owned) {
      if (broken) {
        owned_.reset();
        owner_.store(std::thread::id(), std::memory_order_release);
      }
      return;
    }
    std::unique_ptr<T> held(object);
    if (broken) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    try {
      shared_.push_back(std::move(held));
    } catch (const std::bad_alloc&) {
      // The object is dropped; the next search builds another.
    }
  }

  // A thread's id may pass to a thread that starts after it ended, which then
  // owns what the first one owned.
  std::atomic<std::thread::id> owner_{};
  std::unique_ptr<T> owned_;  // touched only by the owner thread
  std::mutex mutex_;
  std::vector<std::unique_ptr<T>> shared_;
};

}  // namespace korvel::regex
