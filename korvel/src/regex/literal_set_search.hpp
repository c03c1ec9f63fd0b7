// Finding where any of a few literals occurs, 16 or 32 text positions at a
// time.
//
// The literals are spread over eight buckets. For each of the first one to
// three bytes of the literals, two 16-entry tables say which buckets hold a
// literal whose byte there has a given low half, or a given high half; one
// byte shuffle per half looks up a whole block of text bytes at once. A
// position is a candidate for the buckets that all its bytes agree on, and
// the literals of those buckets are then compared in full. Texts in which
// candidates that fail come too often end the scan early at a candidate, so
// that a search costs time linear in the text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::regex {

class LiteralSetSearch {
 public:
  static constexpr std::size_t kMaxLiterals = 64;

  // Whether the processor has the byte shuffle the search needs.
  static bool supported();

  // Two to kMaxLiterals literals, none empty, sorted (so that the buckets
  // group alike literals).
  explicit LiteralSetSearch(std::vector<std::string> literals);

  // The first position at or after `from` where one of the literals occurs,
  // or npos; or, when checking candidates has cost too much, a candidate
  // position before that.
  std::size_t find(std::string_view text, std::size_t from) const;

  // Whether one of the literals occurs in `text`; nothing when checking
  // candidates cost too much to tell.
  std::optional<bool> occurs_in(std::string_view text) const;

 private:
  std::size_t search(std::string_view text, std::size_t from, bool& certain) const;
  bool check(std::string_view text, std::size_t at, std::uint8_t buckets) const;

  std::vector<std::string> literals_;
  std::array<std::uint8_t, 9> bucket_start_{};
  std::size_t fingerprint_ = 0;  // bytes looked up per position
  bool ascii_ = true;            // and all of them ASCII in every literal
  std::size_t shortest_ = 0;
  std::size_t longest_ = 0;
  // Per fingerprint byte, the buckets by the byte's low and high half, twice
  // over for the two halves of a 32-byte register.
  alignas(32) std::array<std::array<std::uint8_t, 32>, 3> low_{};
  alignas(32) std::array<std::array<std::uint8_t, 32>, 3> high_{};
};

}  // namespace korvel::regex
