// Finding every position of one byte in a text.
#pragma once

#include <bit>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

// Calls f(position) for every position of `byte` in `text`, from left to
// right. Sixteen bytes are compared at once and the hits of a block are
// visited through a bit mask, so that a frequent byte (a separator between
// short fields) costs no branch per byte and no call per hit.
template <class F>
void for_each_byte(std::string_view text, char byte, F&& f) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; at + 16 <= size; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
    auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
    for (; hits != 0; hits &= hits - 1) f(at + static_cast<std::size_t>(std::countr_zero(hits)));
  }
#endif
  for (; at < size; ++at) {
    if (data[at] == byte) f(at);
  }
}

}  // namespace korvel
