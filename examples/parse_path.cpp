// Parses access paths given on the command line and prints their segments.
#include <cstdio>
#include <string>

#include "korvel/parser.hpp"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string text = argv[i];
    auto parsed = korvel::parser::parse_variable_name(text);
    if (!parsed) {
      std::printf("%-20s  %s\n", text.c_str(), korvel::to_string(parsed.error()).c_str());
      continue;
    }
    std::string segments;
    for (const korvel::VarName& segment : parsed->value.names()) {
      if (!segments.empty()) segments += " / ";
      segments += korvel::to_string(segment);
    }
    std::printf("%-20s  %s", text.c_str(), segments.c_str());
    if (!parsed->rest.empty()) std::printf("   (rest: %.*s)", static_cast<int>(parsed->rest.size()), parsed->rest.data());
    std::printf("\n");
  }
}
