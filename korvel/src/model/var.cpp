#include "korvel/var.hpp"

#include "korvel/internal_stop.hpp"
#include "korvel/siphash.hpp"

namespace korvel {
namespace {

// The segment as messages show it: the name unquoted, then "[index]".
void write_var_name(std::string& out, const VarName& segment) {
  out.append(segment.name);
  if (segment.index) {
    out.push_back('[');
    out.append(std::to_string(*segment.index));
    out.push_back(']');
  }
}

}  // namespace

VarAccess::VarAccess(std::vector<VarName> names) : names_(std::move(names)) {
  if (names_.empty()) internal_stop("Variable access must have at least one name");
}

std::string VarAccess::resolve_name_until(std::span<const VarName> names, const VarName* first,
                                          std::uint64_t count) {
  if (count > names.size()) internal_stop("Path text asked for more segments than the path has");
  std::string text;
  if (first != nullptr) {
    write_var_name(text, *first);
  } else if (count == 0) {
    return "<root>";
  }
  for (std::uint64_t i = 0; i < count; ++i) {
    if (first != nullptr || i > 0) text.push_back('.');
    write_var_name(text, names[i]);
  }
  return text;
}

std::uint64_t VarAccess::hash() const {
  SipHasher13 hasher(0, 0);
  hasher.write_u64_le(names_.size());
  for (const VarName& segment : names_) {
    hasher.write(segment.name);
    hasher.write_u8(0xFF);
    hasher.write_u64_le(segment.index ? 1 : 0);
    if (segment.index) hasher.write_u64_le(*segment.index);
  }
  return hasher.finish();
}

}  // namespace korvel
