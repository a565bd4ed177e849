#!/usr/bin/env bash
# The SDK's traffic log opens in the tools users already have: the example host program drives
# the simulator with NORVANE_CANLOG set, then python-can's candump log reader reads every line
# and can-utils' log2asc converts it. Usage: log_tools_test.sh NORVANE_SIM HOST_DEMO
set -euo pipefail
sim=$1 demo=$2
work=$(mktemp -d)
address=127.0.94.$(( $$ % 200 + 20 ))
"$sim" -e "ethernet $address:28877 log=$work/bus.log" -e "node controller 5" & pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do (exec 3<>"/dev/tcp/$address/28877") 2>/dev/null && break; sleep 0.1; done
NORVANE_CANLOG="$work/sdk.log" "$demo" "$address" >/dev/null
test -s "$work/sdk.log"
lines=$(wc -l < "$work/sdk.log")
# Every line is a frame to python-can, on the interfaces the SDK names.
/usr/bin/python3 - "$work/sdk.log" "$lines" <<'PY'
import sys
import can
frames = list(can.CanutilsLogReader(sys.argv[1]))
assert len(frames) == int(sys.argv[2]), (len(frames), sys.argv[2])
assert {f.channel for f in frames} == {"eth-1-tx", "eth-1-rx"}, {f.channel for f in frames}
assert all(f.is_extended_id and f.dlc <= 8 for f in frames)
print(f"python-can read {len(frames)} frames")
PY
log2asc -I "$work/sdk.log" -O "$work/sdk.asc" eth-1-tx eth-1-rx
frames=$(grep -cE '^ +[0-9]+\.[0-9]+ [12] +[0-9A-F]+x +Rx +d [0-8]' "$work/sdk.asc")
[ "$frames" -eq "$lines" ] || { echo "log2asc converted $frames of $lines lines"; exit 1; }
echo "log2asc converted $frames frames"
