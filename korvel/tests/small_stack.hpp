// Running test code on a thread with a small stack, to show that an operation
// over deeply nested input does not recurse in proportion to its depth.
#pragma once

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvel::testing {

#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
// Instrumented and unoptimized code takes several times the stack per frame.
inline constexpr std::size_t kStackScale = 8;
#else
inline constexpr std::size_t kStackScale = 1;
#endif

// The stack of a small thread, as a platform or threading.stack_size may
// give one: far too small for a call per level of a deep input.
inline constexpr std::size_t kSmallStack = kStackScale * 256 * 1024;

// How deeply the tests nest their inputs: a million levels, where each would
// take a call of its own if the code recursed. Instrumented and unoptimized
// builds, slower by far, use a tenth of that, still far beyond their stack.
inline constexpr std::size_t kDeepNesting = kStackScale == 1 ? 1'000'000 : 100'000;

// Runs `work` on a new thread with a stack of `bytes` bytes; running out of
// it crashes the test.
inline void run_on_stack(std::size_t bytes, const std::function<void()>& work) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
  pthread_t thread;
  const auto start = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, start, const_cast<std::function<void()>*>(&work)), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attr);
}

// `part` written `n` times: the text of an input nested `n` levels deep.
inline std::string repeat(std::string_view part, std::size_t n) {
  std::string out;
  out.reserve(part.size() * n);
  for (std::size_t i = 0; i < n; ++i) out.append(part);
  return out;
}

inline void run_on_small_stack(const std::function<void()>& work) {
  run_on_stack(kSmallStack, work);
}

}  // namespace korvel::testing
