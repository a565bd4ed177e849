#!/usr/bin/env bash
# Builds everything and runs the whole suite three times (GCC, ASan+UBSan, ThreadSanitizer),
# then a short run of every fuzz target.
# Usage: scripts/test.sh [fuzz seconds per target, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-5}
jobs=${NORVANE_JOBS:-2}
scripts/setup.sh

step() { echo; echo "==== $* ===="; }

step "build and test (default)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --test-dir build/default -j "$jobs" --output-on-failure

step "build and test (ASan+UBSan)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure

step "build and test (ThreadSanitizer)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build/tsan -j "$jobs" --output-on-failure

step "fuzz targets (${fuzz_seconds}s each)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target fuzz_all
scripts/fuzz.sh "$fuzz_seconds"

echo; echo "all tests passed"
