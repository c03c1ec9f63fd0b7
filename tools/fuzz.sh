#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a while (default 60 s):
#   bash tools/fuzz.sh [seconds] [fuzzer names...]
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev

seconds=${1:-60}
shift || true
dir="$BUILD/fuzz"
if [[ ! -f "$dir/build.ninja" ]]; then
  CXX=clang++-14 meson setup "$dir" "$ROOT" -Dfuzzers=true -Dtests=false -Dpython=disabled \
    -Db_sanitize=address,undefined -Db_lundef=false -Dbuildtype=debugoptimized >/dev/null
fi
meson compile -C "$dir" >/dev/null

names=("$@")
if ((${#names[@]} == 0)); then
  for exe in "$dir"/korvel/fuzz/*_fuzzer; do names+=("$(basename "$exe" _fuzzer)"); done
fi
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for name in "${names[@]}"; do
  corpus="$BUILD/fuzz-corpus/$name"
  log="$BUILD/fuzz-corpus/$name.log"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  if "$dir/korvel/fuzz/${name}_fuzzer" -max_total_time="$seconds" -max_len=4096 \
      -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    grep -E 'stat::number_of_executed_units' "$log"
  else
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
