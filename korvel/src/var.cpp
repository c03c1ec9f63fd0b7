#include "korvel/var.hpp"

#include "korvel/internal_stop.hpp"

namespace korvel {

void write_var_name(std::string& out, const VarName& segment) {
  out.append(segment.name);
  if (segment.index) {
    out.push_back('[');
    out.append(std::to_string(*segment.index));
    out.push_back(']');
  }
}

std::string to_string(const VarName& segment) {
  std::string out;
  write_var_name(out, segment);
  return out;
}

VarAccess::VarAccess(std::vector<VarName> names) : names_(std::move(names)) {
  if (names_.empty()) internal_stop("Variable access must have at least one name");
}

}  // namespace korvel
