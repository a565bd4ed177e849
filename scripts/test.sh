#!/usr/bin/env bash
# Checks the format, builds and runs the whole suite three times (GCC, ASan+UBSan,
# ThreadSanitizer) with clang-tidy over the SDK after the first, then a short run of every fuzz
# target. Each pass is a CMake workflow preset (CMakePresets.json): configure, build that
# preset's targets, run its tests.
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

for preset in default asan tsan; do
  step "build and test ($preset)"
  cmake --workflow --preset "$preset"
  if [ "$preset" = default ]; then
    step "clang-tidy (SDK and platform)"
    scripts/tidy.sh build/default
  fi
done

step "fuzz targets (${fuzz_seconds}s each)"
cmake --workflow --preset fuzz
scripts/fuzz.sh "$fuzz_seconds"

echo; echo "all tests passed"
