#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 (the whole library instrumented
# for coverage, AddressSanitizer and UndefinedBehaviorSanitizer on) and runs
# them, several at once:
#   bash tools/fuzz.sh [-j JOBS] [SECONDS] [TARGET...]
# Every target (default: all) runs for SECONDS (default 60) on its working
# corpus build/fuzz-corpus/<target>, which starts from the seeds in
# korvel/fuzz/corpus/<target>, with its dictionary from korvel/fuzz/dict/.
# At most JOBS targets (default 4) run at a time. A finding (crash, sanitizer
# report, leak, timeout, memory limit) is saved to build/fuzz-findings/<target>/
# and the target starts again until its time is spent. The summary gives per
# target the executions, the final coverage (cov: edges, ft: features) and the
# findings, and the CPU time its runs took (on a busy machine less than
# SECONDS); the exit status is non-zero when anything was found.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

jobs=4
if [[ ${1:-} == -j ]]; then
  jobs=$2
  shift 2
fi
seconds=${1:-60}
shift || true

need_packages "${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev

dir="$BUILD/fuzz"
CXX=clang++-14 setup_build "$dir" -Dfuzzers=true -Dtests=false -Dpython=disabled \
  -Db_sanitize=address,undefined -Db_lundef=false -Dcpp_args=-fno-sanitize-recover=all \
  -Dbuildtype=debugoptimized -Dwerror=true
meson compile -C "$dir" -j 4 >/dev/null

targets=("$@")
if ((${#targets[@]} == 0)); then
  for exe in "$dir"/korvel/fuzz/*_fuzzer; do targets+=("$(basename "$exe" _fuzzer)"); done
fi

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# A start after a finding that finds again at once is not worth repeating
# forever: a target stops after this many.
max_findings=5
results="$BUILD/fuzz-results"
rm -rf "$results"
mkdir -p "$results"

# Runs one target until its time is spent; writes its summary line.
run_target() {
  local name=$1
  local exe="$dir/korvel/fuzz/${name}_fuzzer"
  local corpus="$BUILD/fuzz-corpus/$name" findings_dir="$BUILD/fuzz-findings/$name"
  local seeds="$ROOT/korvel/fuzz/corpus/$name"
  # The eval target reads expressions: it shares their dictionary.
  local dict="$ROOT/korvel/fuzz/dict/${name/#eval/expression}.dict"
  [[ -f $dict ]] || dict=
  mkdir -p "$corpus" "$findings_dir"
  local deadline=$((SECONDS + seconds)) runs=0 executions=0 findings=0 coverage="cov: 0 ft: 0"
  while ((SECONDS < deadline && findings < max_findings)); do
    local log="$results/$name.$runs.log"
    runs=$((runs + 1))
    if "$exe" -max_total_time=$((deadline - SECONDS)) -timeout=10 -rss_limit_mb=2048 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings_dir/" \
        ${dict:+-dict="$dict"} "$corpus" "$seeds" >"$log" 2>&1; then
      :
    else
      findings=$((findings + 1))
      cp "$log" "$findings_dir/finding-$(date +%s)-$runs.log"
    fi
    local ran last
    ran=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    executions=$((executions + ${ran:-0}))
    last=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    [[ -z $last ]] || coverage=$last
  done
  local self=$BASHPID
  printf '%-18s %12d  %-22s %8d %8d\n' "$name" "$executions" "$coverage" "$(cpu_seconds "$self")" \
    "$findings" >"$results/$name.summary"
}

# The CPU time (user and system, in seconds) of the finished children of the
# process PID: the runs of one target when PID is the subshell running them.
cpu_seconds() {
  local stat
  stat=$(<"/proc/$1/stat")
  stat=${stat##*) }
  # cutime and cstime are the 14th and 15th fields after the command name.
  awk -v ticks="$(getconf CLK_TCK)" '{ print int(($14 + $15) / ticks) }' <<<"$stat"
}

for name in "${targets[@]}"; do
  [[ -x "$dir/korvel/fuzz/${name}_fuzzer" ]] || { echo "no fuzz target '$name'" >&2; exit 2; }
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  run_target "$name" &
done
wait

printf '%-18s %12s  %-22s %8s %8s\n' target executions coverage cpu-s findings
status=0
for name in "${targets[@]}"; do
  cat "$results/$name.summary"
  if [[ $(awk '{print $NF}' "$results/$name.summary") != 0 ]]; then
    status=1
    for log in "$BUILD/fuzz-findings/$name"/finding-*.log; do
      echo "== $log"
      grep -E 'ERROR|SUMMARY|Test unit written|internal stop|runtime error' "$log" | head -n 8
    done
  fi
done
exit $status
