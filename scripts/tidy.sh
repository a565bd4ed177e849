#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the SDK and platform sources; fails on any finding.
# Needs a configured build directory for its compile commands.
# Usage: scripts/tidy.sh [build dir, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
[ -f "$build/compile_commands.json" ] || cmake --preset default >/dev/null
mapfile -t sources < <(git ls-files -- 'sdk/*.cpp' 'sdk/*.c' 'platform/*.cpp' 'platform/*.c')
run-clang-tidy -quiet -p "$build" -j "${NORVANE_JOBS:-2}" "${sources[@]/#/$PWD/}" >"$build/clang-tidy.log" 2>&1 || {
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E 'warning:|error:' || tail -n 40 "$build/clang-tidy.log"
  echo "clang-tidy: findings above (full log: $build/clang-tidy.log)"
  exit 1
}
echo "clang-tidy: ${#sources[@]} files clean"
