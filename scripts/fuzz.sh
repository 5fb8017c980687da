#!/usr/bin/env bash
# Runs the libFuzzer targets in the optimised fuzz build (the "fuzz" preset:
# clang, -O2 -g, ASan + UBSan, tests off), building it first.
#
#   scripts/fuzz.sh [--merge] [seconds] [target...]
#
# Every target (or those named) runs for the given time (default 60 s), a few
# at a time (FUZZ_PARALLEL, default 2), with its longest input as its build
# declares it (64 KiB unless given). New inputs go to a scratch folder
# first; the in-tree seed corpus is read, never written. One line per target
# gives the runs, executions per second, coverage and the result. A crash,
# leak or timeout input is kept under <build>/fuzz-runs/<target>/ with
# replay.sh beside it. With --merge, the new inputs that add coverage are
# merged into the in-tree corpus afterwards (libFuzzer's merge keeps the
# fewest inputs that reach the same coverage).
#
# Environment: TRACKPRESS_FUZZ_BUILD_DIR (default <repo>/build-fuzz), JOBS
# (build jobs, default 4), FUZZ_PARALLEL.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${TRACKPRESS_FUZZ_BUILD_DIR:-$top/build-fuzz}"

merge=0
if [ "${1:-}" = "--merge" ]; then merge=1; shift; fi
seconds=60
if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
wanted=("$@")

if [ ! -f "$build/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$top" -B "$build" --preset fuzz "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "${JOBS:-4}" --target fuzz_targets

# libcdio's CUE parser keeps a few bytes of some sheets; the target that
# reaches it excuses the library by name, so leak checks stay on here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Targets whose readers take paths write each input to a file: memory is
# quicker than the disk when it is there.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

runs="$build/fuzz-runs"
mkdir -p "$runs"
targets=()
while read -r name corpus maxlen; do
  [ -n "$name" ] || continue
  if [ ${#wanted[@]} -gt 0 ] && [[ ! " ${wanted[*]} " =~ " $name " ]]; then continue; fi
  targets+=("$name|$corpus|$maxlen")
done < "$build/fuzz_targets.txt"
if [ ${#targets[@]} -eq 0 ]; then
  echo "no such fuzz target: ${wanted[*]}" >&2
  exit 2
fi

# Runs one target; its folder holds the log, the new inputs and any finding.
run_one() {
  local name=$1 corpus=$2 maxlen=$3
  local work="$runs/$name"
  rm -rf "$work/new" "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work/replay.sh"
  mkdir -p "$work/new"
  set +e
  (cd "$work" && "$build/bin/$name" -max_total_time="$seconds" -max_len="$maxlen" -timeout=25 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/new" "$corpus" \
    </dev/null >"$work/log" 2>&1)
  echo $? >"$work/rc"
  set -e
  local found
  found=$(ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null || true)
  if [ -n "$found" ]; then
    {
      echo "#!/bin/sh"
      echo "# Replays what $name found (run from anywhere)."
      for f in $found; do echo "\"$build/bin/$name\" \"$f\""; done
    } >"$work/replay.sh"
    chmod +x "$work/replay.sh"
  fi
}

# One line of the table from a finished run.
report() {
  local name=$1 work="$runs/$1"
  local rc execs speed cov ft result
  rc=$(cat "$work/rc")
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2)
  if [ "$rc" = 0 ]; then result=ok; else result="FOUND (rc $rc): $work/replay.sh"; fi
  printf '%-24s %10s %8s %7s %7s  %s\n' "$name" "${execs:--}" "${speed:--}" "${cov:--}" "${ft:--}" "$result"
}

parallel="${FUZZ_PARALLEL:-2}"
echo "fuzzing ${#targets[@]} target(s), $seconds s each, $parallel at a time; logs in $runs"
for entry in "${targets[@]}"; do
  IFS='|' read -r name corpus maxlen <<<"$entry"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_one "$name" "$corpus" "$maxlen" &
done
wait

status=0
printf '%-24s %10s %8s %7s %7s  %s\n' target runs exec/s cov ft result
for entry in "${targets[@]}"; do
  IFS='|' read -r name corpus maxlen <<<"$entry"
  report "$name"
  [ "$(cat "$runs/$name/rc")" = 0 ] || status=1
done

if [ "$merge" = 1 ]; then
  for entry in "${targets[@]}"; do
    IFS='|' read -r name corpus maxlen <<<"$entry"
    [ "$(cat "$runs/$name/rc")" = 0 ] || continue
    before=$(ls "$corpus" | wc -l)
    "$build/bin/$name" -merge=1 -max_len="$maxlen" "$corpus" "$runs/$name/new" </dev/null >"$runs/$name/merge.log" 2>&1
    echo "$name: $(( $(ls "$corpus" | wc -l) - before )) input(s) merged into $corpus"
  done
fi
exit $status
