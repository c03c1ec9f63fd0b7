// Releasing a tree or a value of any depth takes no memory: it runs in
// destructors, also while memory is exhausted, where an allocation that
// fails would end the process.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "deep_value.hpp"
#include "korvel/parser.hpp"
#include "small_stack.hpp"

namespace {

// Allocations made by this program while counting is on.
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

}  // namespace

// Every plain form of allocation and deallocation, so that all of them pair
// up with each other.
void* operator new(std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
  if (counting) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* memory = operator new(size, std::nothrow)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t& /*tag*/) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t& /*tag*/) noexcept { std::free(memory); }

namespace korvel {
namespace {

using testing::kDeepNesting;
using testing::repeat;

// The allocations that releasing `doomed` makes.
template <class T>
std::size_t allocations_to_release(T doomed) {
  allocations = 0;
  counting = true;
  { const T released = std::move(doomed); }
  counting = false;
  return allocations;
}

TEST(ReleaseTest, DeepExpressionTreesReleaseWithoutAllocating) {
  const std::size_t n = kDeepNesting / 10;
  const std::string texts[] = {
      repeat("(", n) + "a" + repeat(")", n),
      repeat("[", n) + repeat("]", n),
      repeat("{\"k\": ", n) + "1" + repeat("}", n),
      repeat("f(x, ", n) + repeat(")", n),
      repeat("!(", n) + "a" + repeat(")", n),
      repeat("a && ", n) + "a",
      repeat("a || (", n) + "b" + repeat(")", n),
      repeat("[{\"a\": f(!(x || (y && ", n) + "z" + repeat(")))}]", n),
      // Wide and deep at once: each item nests, and so does the list.
      "[" + repeat("[[1, [2]], 3], ", n) + "4]",
      repeat("[1, [2, [3]], ", n) + "0" + repeat("]", n),
  };
  for (const std::string& text : texts) {
    testing::run_on_small_stack([&] {
      auto parsed = parser::parse_exp(text);
      ASSERT_TRUE(parsed) << text.substr(0, 20);
      ASSERT_EQ(parsed->rest, "") << text.substr(0, 20);
      EXPECT_EQ(allocations_to_release(std::move(parsed->value)), 0U) << text.substr(0, 20);
    });
  }
}

TEST(ReleaseTest, DeepValuesReleaseWithoutAllocating) {
  testing::run_on_small_stack([] {
    EXPECT_EQ(allocations_to_release(testing::deep_value(kDeepNesting / 10, "t", Value(1))), 0U);
    // An array of deep values, and a value deep and wide below its first
    // levels.
    Array wide;
    for (int i = 0; i < 1000; ++i) wide.push_back(testing::deep_value(100, "t", Value(i)));
    Value bottom(std::move(wide));
    EXPECT_EQ(allocations_to_release(testing::deep_value(10, "t", std::move(bottom))), 0U);
  });
}

}  // namespace
}  // namespace korvel
