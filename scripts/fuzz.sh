#!/usr/bin/env bash
# Runs every built fuzz target for a few seconds over its corpus (fuzz/corpus/<target>).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
shopt -s nullglob
targets=(build/fuzz/bin/fuzz_*)
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus=fuzz/corpus/$name
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "-- $name"
  "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done
echo "${#targets[@]} fuzz targets ran clean"
