#!/usr/bin/env bash
# Fails when a simulator source includes an SDK header (sdk/... or the public norvane/ header):
# the simulator keeps its own parsers so that it can disagree with the SDK.
set -euo pipefail
sim_dir=$1
found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](sdk/|norvane/)' "$sim_dir" \
          --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' || true)
if [ -n "$found" ]; then
  echo "simulator sources include SDK headers:"
  echo "$found"
  exit 1
fi
echo "no SDK include under $sim_dir"
