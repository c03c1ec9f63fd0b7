// Access paths: dotted segments, each a name with at most one index (a.b[2]),
// and variable access: walks along a path through bound data. The walks are
// templates, defined in var-inl.hpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "korvel/errors.hpp"
#include "korvel/expected.hpp"
#include "korvel/json_like.hpp"
#include "korvel/maybe_owned.hpp"

namespace korvel {

// One segment of a path: a member key (or, first in a path read against
// bindings, a variable name) and an optional array position.
struct VarName {
  std::string name;
  std::optional<std::uint64_t> index;

  friend bool operator==(const VarName&, const VarName&) = default;
};

template <JsonLike V>
class Env;

// A non-empty path of segments.
class VarAccess {
 public:
  // An empty list is an internal stop: no parsed path is ever empty.
  explicit VarAccess(std::vector<VarName> names);

  const std::vector<VarName>& names() const { return names_; }

  // The text of a path for messages: `first` (or "<root>" when absent) for
  // count 0, else the first `count` names joined by "." after `first` and ".".
  static std::string resolve_name_until(std::span<const VarName> names, const VarName* first,
                                        std::uint64_t count);

  // Walks the segments from `root` and returns a reference into it. With
  // `first_done`, root is the value bound to the first segment's name: only
  // that segment's index is applied before the later segments are walked.
  template <JsonLike V>
  static Expected<const V*, VarAccessError> access_names(std::span<const VarName> names,
                                                         const V& root, bool first_done);

  // The same walk for data that finds members its own way: member(value, i)
  // is the member of `value` whose key is exactly names[i].name, or null when
  // `value` is no object or has no such member.
  template <JsonView V, class MemberLookup>
  static Expected<const V*, VarAccessError> access_names(std::span<const VarName> names,
                                                         const V& root, bool first_done,
                                                         const MemberLookup& member);

  // Resolves the path against the bindings of `env`: a reference into a
  // binding, or the owned null value for an empty path.
  template <JsonLike V>
  static Expected<MaybeOwned<V>, VarAccessError> access_from_bindings(
      std::span<const VarName> names, const Env<V>& env);

  // Walks every segment from `root` as access_names does without
  // `first_done`, puts `replacement` in place of the value found and returns
  // that value. A failure leaves `root` unchanged: nothing is ever inserted,
  // and a type error names only the path, not the value found.
  template <MutableJsonLike V>
  Expected<V, VarAccessError> replace(V& root, V replacement) const;

  // The walk of replace without the change: the value that replace would
  // swap out, or the error it would report. Members are found as by
  // access_names with a MemberLookup.
  template <JsonView V, class MemberLookup>
  Expected<const V*, VarAccessError> replace_target(const V& root,
                                                    const MemberLookup& member) const;

  // A hash that is the same in every process and run, and alike for equal
  // paths: SipHash-1-3 under the key (0, 0) over the number of segments, then
  // for each segment its name's bytes, one byte 0xFF, whether it has an index
  // (0 or 1) and the index, each number as 64-bit little-endian.
  std::uint64_t hash() const;

  friend bool operator==(const VarAccess&, const VarAccess&) = default;

 private:
  std::vector<VarName> names_;
};

}  // namespace korvel
