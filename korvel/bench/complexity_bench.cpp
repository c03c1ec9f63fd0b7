// How the cost of the two base64 builtins grows with their input. No
// expression text can call them (a call name is letters only), so they are
// called here through the default function table, as an environment would.
//
// Each row runs one call at size n and at size 10n, in interleaved rounds,
// and prints the best time per call of each and their ratio; a row above
// 12x is marked as super-linear. tools/complexity.sh runs it after the
// binding's rows, in the same format:
//   build/release/korvel/bench/complexity_bench [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "korvel/arguments.hpp"
#include "korvel/functions.hpp"
#include "korvel/value.hpp"

namespace {

using korvel::Value;
using Clock = std::chrono::steady_clock;

constexpr double kThreshold = 12.0;
// Each timing repeats the call until it has taken at least this long.
constexpr double kMinSeconds = 0.05;

// One call of a table entry on an argument made for size n.
struct Row {
  const char* name;
  const char* shape;
  std::size_t n;
  std::function<std::string(std::size_t)> argument;
};

const korvel::SyncFunction& builtin(const char* name) {
  return *korvel::default_vtable().at(name).sync()->function;
}

std::string encoded(const std::string& text) {
  const korvel::ArgumentValues args({Value(korvel::Text::owned(text))});
  return std::string(builtin("base64Encode")(args)->get_if<korvel::Text>()->view());
}

std::vector<Row> rows() {
  return {
      {"base64Encode", "text of n ASCII letters", 100'000,
       [](std::size_t n) { return std::string(n, 'k'); }},
      {"base64Encode", "text of n/2 two-byte characters", 100'000,
       [](std::size_t n) {
         std::string text;
         for (std::size_t i = 0; i < n / 2; ++i) text.append("\xc3\xa9");
         return text;
       }},
      {"base64Decode", "canonical text of n symbols, padded", 100'000,
       [](std::size_t n) { return encoded(std::string(n / 4 * 3 - 1, 'k')); }},
      {"base64Decode", "n symbols, invalid symbol last", 100'000,
       [](std::size_t n) { return std::string(n - 1, 'A') + "!"; }},
      {"base64Decode", "n symbols, bad padding last", 100'000,
       [](std::size_t n) { return std::string(n - 2, 'A') + "A="; }},
      {"base64Decode", "n symbols decoding to bytes invalid UTF-8 last", 100'000,
       [](std::size_t n) { return encoded(std::string(n / 4 * 3 - 3, 'k')) + "/w=="; }},
  };
}

double seconds_per_call(const korvel::SyncFunction& function, korvel::Arguments args, int number) {
  const auto start = Clock::now();
  for (int i = 0; i < number; ++i) (void)function(args);
  return std::chrono::duration<double>(Clock::now() - start).count() / number;
}

int calibrate(const korvel::SyncFunction& function, korvel::Arguments args) {
  int number = 1;
  while (seconds_per_call(function, args, number) * number < kMinSeconds) number *= 2;
  return number;
}

std::string format_time(double seconds) {
  char text[32];
  if (seconds >= 1) {
    std::snprintf(text, sizeof text, "%7.2f s", seconds);
  } else if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%7.2f ms", seconds * 1e3);
  } else if (seconds >= 1e-6) {
    std::snprintf(text, sizeof text, "%7.2f us", seconds * 1e6);
  } else {
    std::snprintf(text, sizeof text, "%7.0f ns", seconds * 1e9);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
  for (const Row& row : rows()) {
    const korvel::SyncFunction& function = builtin(row.name);
    const korvel::ArgumentValues small({Value(korvel::Text::owned(row.argument(row.n)))});
    const korvel::ArgumentValues large({Value(korvel::Text::owned(row.argument(10 * row.n)))});
    const int small_number = calibrate(function, small);
    const int large_number = calibrate(function, large);
    double best_small = 1e300, best_large = 1e300;
    for (int round = 0; round < rounds; ++round) {
      best_small = std::min(best_small, seconds_per_call(function, small, small_number));
      best_large = std::min(best_large, seconds_per_call(function, large, large_number));
    }
    const double growth = best_large / best_small;
    std::printf("%-22s %-58s %8zu %12s %11s %6.1fx%s\n", row.name, row.shape, row.n,
                format_time(best_small).c_str(), format_time(best_large).c_str(), growth,
                growth > kThreshold ? "  SUPER-LINEAR" : "");
    std::fflush(stdout);
  }
  return 0;
}
