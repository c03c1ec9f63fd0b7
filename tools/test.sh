#!/usr/bin/env bash
# Builds korvel and runs every test: the engine tests in a normal build and
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0

echo "== build and test"
# Benchmarks are built (not run) so that they keep compiling.
setup_build "$BUILD/main" -Dbenchmarks=true
meson compile -C "$BUILD/main"
meson test -C "$BUILD/main" --print-errorlogs

echo "== engine tests under AddressSanitizer and UndefinedBehaviorSanitizer"
setup_build "$BUILD/sanitize" -Db_sanitize=address,undefined -Db_lundef=false \
  -Dcpp_args=-fno-sanitize-recover=all -Dpython=disabled
meson compile -C "$BUILD/sanitize"
meson test -C "$BUILD/sanitize" --print-errorlogs --suite engine

echo "== all tests passed"
