// Access paths: dotted segments, each a name with at most one index (a.b[2]).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

// One segment of a path: a member key (or, first in a path read against
// bindings, a variable name) and an optional array position.
struct VarName {
  std::string name;
  std::optional<std::uint64_t> index;

  friend bool operator==(const VarName&, const VarName&) = default;
};

// The segment as messages show it: the name unquoted, then "[index]".
void write_var_name(std::string& out, const VarName& segment);
std::string to_string(const VarName& segment);

// A non-empty path of segments.
class VarAccess {
 public:
  // An empty list is an internal stop: no parsed path is ever empty.
  explicit VarAccess(std::vector<VarName> names);

  const std::vector<VarName>& names() const { return names_; }

  friend bool operator==(const VarAccess&, const VarAccess&) = default;

 private:
  std::vector<VarName> names_;
};

}  // namespace korvel
