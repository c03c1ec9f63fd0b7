#!/usr/bin/env bash
# Builds the module in release mode and prints korvel against its references,
# one row per workload, from one run (interleaved rounds, best of each):
#   bash tools/bench.sh [bench.py options, e.g. --rounds 9]
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}"

dir="$BUILD/release"
setup_build "$dir" --buildtype=release -Dtests=false -Dpython=enabled
meson compile -C "$dir" -j 4 >/dev/null
PYTHONPATH="$dir/korvel-py" "$PYTHON" "$ROOT/korvel-py/bench/bench.py" \
  --build-dir "$BUILD/bench" "$@"
