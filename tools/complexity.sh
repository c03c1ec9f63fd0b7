#!/usr/bin/env bash
# Builds the module and the engine's benchmarks in release mode and prints how
# the cost of every builtin and of every conversion grows from n to 10n, one
# row per operation and input shape, from one run:
#   bash tools/complexity.sh [complexity.py options, e.g. --filter split]
# The binding's rows come first, then the engine's rows for "base64Encode"
# and "base64Decode", which no expression text can call.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev valgrind

dir="$BUILD/release"
setup_build "$dir" --buildtype=release -Dtests=false -Dpython=enabled -Dbenchmarks=true
meson compile -C "$dir" -j 4 >/dev/null
PYTHONPATH="$dir/korvel-py" "$PYTHON" "$ROOT/korvel-py/bench/complexity.py" \
  --engine "$dir/korvel/bench/complexity_bench" "$@"
