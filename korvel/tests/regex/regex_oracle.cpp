// Answers match queries for test_regex_vs_re.py, one per line.
//
// Each input line holds a pattern and a text, both hex-encoded UTF-8 and
// separated by a space; the answer line is "1" (match), "0" (no match) or
// "E " and the hex-encoded error text.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "regex/regex.hpp"

namespace {

std::optional<std::string> from_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(std::string(hex.substr(i, 2)).c_str(), "%2x", &value) != 1) return std::nullopt;
    out.push_back(static_cast<char>(value));
  }
  return out;
}

std::string to_hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
  }
  return out;
}

}  // namespace

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    const std::size_t space = line.find(' ');
    const auto pattern = from_hex(std::string_view(line).substr(0, space));
    const auto text = space == std::string::npos
                          ? std::nullopt
                          : from_hex(std::string_view(line).substr(space + 1));
    if (!pattern || !text) {
      std::cerr << "malformed line: " << line << '\n';
      return 2;
    }
    auto regex = korvel::regex::Regex::compile(*pattern);
    if (!regex) {
      std::cout << "E " << to_hex(regex.error()) << std::endl;
    } else {
      std::cout << (regex->is_match(*text) ? "1" : "0") << std::endl;
    }
  }
  return 0;
}
