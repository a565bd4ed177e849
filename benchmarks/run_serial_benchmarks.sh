#!/usr/bin/env bash
# RS-232 gateway figures: acknowledged SetSPD per second over a pseudo-terminal at 115200 baud
# through the SDK beside a raw client, with the emulator's line-time model off and on, and the
# SDK's instructions per acknowledged command (callgrind).
# Usage: benchmarks/run_serial_benchmarks.sh [build dir, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build/default}/bin"

echo "== acknowledged SetSPD over a pty at 115200 baud (argument: line-time model off/on)"
"$bin/bench_serial_gateway" --benchmark_counters_tabular=true 2>/dev/null | grep -v NvSim

echo "== instructions per acknowledged command inside the SDK (callgrind)"
count=300
out=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$out" \
  --toggle-collect='norvane::sdk::CNvLinkPort::SetCommand*' \
  "$bin/bench_serial_gateway" commands "$count" 2>/dev/null | grep -v NvSim
total=$( (callgrind_annotate "$out" 2>/dev/null || true) | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
echo "instructions: $total for $count commands = $((total / count)) per command"
rm -f "$out"
