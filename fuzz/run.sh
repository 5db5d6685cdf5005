#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, one after the other, each in one process.
#   fuzz/run.sh [seconds per target] [target...]
# Builds the instrumented programs in build-fuzz/ (clang) when needed. Each target grows its
# corpus in build-fuzz/corpus/<target>, starting from fuzz/seeds/<target>; crashes land in
# build-fuzz/crashes/ and each run's figures in build-fuzz/fuzz-summary.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${BRISVANE_FUZZ_BUILD:-$here/build-fuzz}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz-picture-read fuzz-convert-arguments fuzz-convert-writers fuzz-tool-options fuzz-text-helpers fuzz-engine fuzz-metadata)
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISVANE_FUZZ=ON -DBUILD_TESTING=OFF
fi
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/crashes"
export QT_QPA_PLATFORM=offscreen
# Leaks inside Qt's plug-in loading are not ours; everything else stops the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in "${targets[@]}"; do
  name=${target#fuzz-}
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  log="$build/crashes/$name.log"
  status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix="$build/crashes/$name-" "$corpus" "$here/fuzz/seeds/$name" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 | awk '{print $2, $5}')
  echo "$(date -u +%FT%TZ) $name exit=$status runs/seconds=${runs:-crashed} corpus=$(ls "$corpus" | wc -l)" | tee -a "$build/fuzz-summary.txt"
done
