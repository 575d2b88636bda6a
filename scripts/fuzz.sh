#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer), replays the seed corpus of every target, then
# runs each for a bounded time (FUZZ_SECONDS, 15 by default) from that
# corpus. Inputs found along the way go to a scratch corpus, not the repo; a
# finding stops the script and names the input that shows it, which belongs
# in tests/fuzz/corpus/<target>/ once fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seconds=${FUZZ_SECONDS:-15}
jobs=$(nproc)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSOINSUU_FUZZ=ON -DSOINSUU_TESTS=OFF -DSOINSUU_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mapfile -t targets < "$build/fuzz-targets.txt"

run_one() {
  local t=$1 bin=$build/tests/fuzz/$1 seeds=$root/tests/fuzz/corpus/$1
  mkdir -p "$scratch/$t/corpus" "$scratch/$t/found"
  if ! "$bin" -runs=0 "$seeds" >"$scratch/$t/replay.log" 2>&1; then
    echo "FAIL $t: a corpus input fails"; tail -30 "$scratch/$t/replay.log"; return 1
  fi
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$scratch/$t/found/" "$scratch/$t/corpus" "$seeds" >"$scratch/$t/run.log" 2>&1; then
    echo "FAIL $t: a finding"; grep -E 'finding:|ERROR|runtime error|SUMMARY' "$scratch/$t/run.log" | head -10
    for f in "$scratch/$t/found"/*; do
      [ -e "$f" ] || continue
      mkdir -p "$root/build-fuzz/findings/$t"; cp "$f" "$root/build-fuzz/findings/$t/"
      echo "  input kept as build-fuzz/findings/$t/$(basename "$f")"
    done
    return 1
  fi
  echo "ok   $t: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/$t/run.log" | grep -o '[0-9]*$') inputs in ${seconds}s, corpus $(ls "$seeds" | wc -l) seeds"
}

status=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" > "$scratch/$t.out" 2>&1 &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1; pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
for t in "${targets[@]}"; do cat "$scratch/$t.out"; done
exit $status
