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
  --toggle-collect='norvane::sdk::CNvLinkPort::SetCommand(*' \
  "$bin/bench_port_costs" commands "${addresses[0]}" "$count" 2>/dev/null | grep -v NvSim
# The profile's own totals line; callgrind_annotate's layout differs between valgrind releases
# (3.19 prints "." for an empty total and "(calculated)" after it).
total=$(awk '$1 == "totals:" {print $2; exit}' "$out")
if [ -z "$total" ] || [ "$total" -eq 0 ]; then
  echo "instructions: none collected (does --toggle-collect still name the port's SetCommand?)"
else
  echo "instructions: $total for $count commands = $((total / count)) per command"
fi
rm -f "$out"

kill $sim; wait $sim 2>/dev/null || true
trap - EXIT
echo "== acknowledged SetSPD round trips (in-process simulator)"
"$bin/bench_ethernet_throughput" --benchmark_counters_tabular=true 2>/dev/null | grep -v NvSim
