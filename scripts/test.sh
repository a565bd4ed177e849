#!/usr/bin/env bash
# Checks the format, builds and runs the whole suite three times (GCC, ASan+UBSan,
# ThreadSanitizer; clang-tidy over the SDK runs beside the GCC tests, a one-minute soak over
# every gateway kind after them), then a short run of every fuzz target. Each pass is a CMake
# preset (CMakePresets.json:
# configure, build that preset's targets, run its tests; the sanitizer and fuzz passes as
# workflow presets).
# Usage: scripts/test.sh [fuzz seconds per target, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${1:-5}
export CMAKE_BUILD_PARALLEL_LEVEL=${NORVANE_JOBS:-2}
export CTEST_PARALLEL_LEVEL=${NORVANE_TEST_JOBS:-${NORVANE_JOBS:-2}}
scripts/setup.sh

step() { echo; echo "==== $* ($(date -u +%H:%M:%S)) ===="; }

step "format check"
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "sources formatted"

step "build and test (default), clang-tidy (SDK and platform) beside the tests"
cmake --preset default
cmake --build --preset default
# The tests mostly wait on sockets and time-outs, so clang-tidy takes one core meanwhile.
NORVANE_JOBS=1 scripts/tidy.sh build/default > build/default/tidy.out 2>&1 & tidy=$!
tests_rc=0
ctest --preset default || tests_rc=$?
tidy_rc=0
wait $tidy || tidy_rc=$?
cat build/default/tidy.out
if [ "$tests_rc" -ne 0 ] || [ "$tidy_rc" -ne 0 ]; then exit 1; fi

step "soak (1 minute, every gateway kind with faults)"
scripts/soak.sh --minutes 1 --no-build build/default

for preset in asan tsan; do
  step "build and test ($preset)"
  cmake --workflow --preset "$preset"
done

step "fuzz targets (${fuzz_seconds}s each)"
cmake --workflow --preset fuzz
scripts/fuzz.sh "$fuzz_seconds"

echo; echo "all tests passed"
