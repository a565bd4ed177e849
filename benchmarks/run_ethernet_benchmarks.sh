#!/usr/bin/env bash
# Ethernet port figures: throughput beside a raw-socket client, instructions per acknowledged
# command (callgrind), idle CPU, close latency and resident memory per open port.
# Usage: benchmarks/run_ethernet_benchmarks.sh [build dir, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build/default}/bin"
addresses=(127.0.42.1 127.0.42.2 127.0.42.3 127.0.42.4 127.0.42.5)

sim_args=()
for a in "${addresses[@]}"; do sim_args+=(-e "ethernet $a:28877" -e "node controller 5"); done
"$bin/norvane-sim" "${sim_args[@]}" >/dev/null 2>&1 & sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.42.5/28877) 2>/dev/null && break; sleep 0.1; done

echo "== idle CPU, close latency, memory"
"$bin/bench_port_costs" costs "${addresses[@]}" | grep -v NvSim

echo "== instructions per acknowledged command inside the SDK (callgrind)"
count=2000
out=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$out" \
  --toggle-collect='norvane::sdk::CNvSocketClient::SetCommand*' \
  "$bin/bench_port_costs" commands "${addresses[0]}" "$count" 2>/dev/null | grep -v NvSim
total=$( (callgrind_annotate "$out" 2>/dev/null || true) | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
echo "instructions: $total for $count commands = $((total / count)) per command"
rm -f "$out"

kill $sim; wait $sim 2>/dev/null || true
trap - EXIT
echo "== acknowledged SetSPD round trips (in-process simulator)"
"$bin/bench_ethernet_throughput" --benchmark_counters_tabular=true 2>/dev/null | grep -v NvSim
