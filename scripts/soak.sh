#!/usr/bin/env bash
# Soak run: norvane-sim serves one gateway of each kind (Ethernet in CAN framing and in serial
# transmission framing, zone device, RS-232, UART, PCI card, USB adapter), each with three
# controllers and an input module, and the soak host (examples/soak_host.c) drives them with mixed
# traffic for M minutes while it arms faults through the simulator's control socket. The serial
# transmission framing is a process-wide switch of the SDK, so that Ethernet gateway gets a soak
# host process of its own. Prints each gateway's row and one summary line; exit 1 when a check
# failed (wrong answers, hung calls, failures outside fault windows, growing descriptors or
# threads, resident memory growing by more than 4 MiB after the first minute).
# Usage: scripts/soak.sh [--minutes M] [--no-build] [build dir, default build/default]
#   --no-build: run the programs in BUILD/bin as they are (a long run beside ongoing builds
#   soaks a copy of bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=10
build=build/default
no_build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --no-build) no_build=1; shift ;;
    *) build=$1; shift ;;
  esac
done
if [ -z "$no_build" ]; then
  [ -f "$build/CMakeCache.txt" ] || cmake --preset default >/dev/null
  cmake --build "$build" --target norvane-sim soak_host Halbox usb-sim >/dev/null
fi
bin=$build/bin

work=$(mktemp -d /tmp/norvane-soak.XXXXXX)
control=$work/control.sock
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  if [ -n "${SOAK_KEEP:-}" ]; then echo "soak: files kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

sim_args=()
gateway() {  # a gateway line, three controllers of the given kind and (second generation) an input module
  local line=$1 kind=$2 zone=${3:+ zone=$3}
  sim_args+=(-e "$line")
  for id in 5 6 7; do sim_args+=(-e "node $kind $id$zone"); done
  if [ "$kind" = controller ]; then sim_args+=(-e "node kyd0606 9"); fi
}
gateway "ethernet 127.0.71.1:28877" controller
gateway "ethernet 127.0.71.2:28877" controller
gateway "zone 127.0.71.3:28877 zones=1" controller1 1
gateway "rs232 COM61" controller
gateway "uart COM62" controller
gateway "pci 0:0" controller
sim_args+=(-e "pci 0:1" -e "node controller 5")  # the card's other channel answers its search
gateway "usb 0" controller

"$bin/norvane-sim" "${sim_args[@]}" --control "$control" --serial-map "$work/serial.map" \
  --pci-socket "$work/pci.sock" --usb-socket "$work/usb.sock" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -S "$control" ] && [ -s "$work/serial.map" ] && break; sleep 0.1; done
[ -S "$control" ] || { echo "soak: norvane-sim did not start"; cat "$work/sim.out"; exit 1; }

export NORVANE_SERIAL_PORTS=$(paste -sd';' "$work/serial.map")
export HALBOX_SIM=$work/pci.sock NORVANE_USB_SIM=$work/usb.sock NORVANE_LIBUSB=$(realpath "$bin/libusb-sim.so")
seconds=$((minutes * 60))
"$bin/soak_host" --seconds "$seconds" --control "$control" --report "$work/main.out" \
  eth=127.0.71.1 zone=127.0.71.3 rs232=COM61 uart=COM62 pci usb >/dev/null 2>"$work/main.err" &
main=$!
"$bin/soak_host" --seconds "$seconds" --control "$control" --serial-framing --report "$work/serial.out" \
  eth=127.0.71.2 >/dev/null 2>"$work/serial.err" &
serial=$!
rc=0
wait $main || rc=1
wait $serial || rc=1

grep -v '^totals' "$work/main.out" || true
grep -v '^totals\|^gateway' "$work/serial.out" || true
# First findings of each process (the rest are in the same vein).
for f in main serial; do
  if [ -s "$work/$f.err" ]; then
    echo "-- $f host, first messages:"; head -20 "$work/$f.err"
  fi
done
read -r _ n1 w1 h1 f1 e1 ra1 rb1 fa1 fb1 ta1 tb1 c1 < <(grep '^totals' "$work/main.out" || echo "totals 0 0 0 0 1 0 0 0 0 0 0 1")
read -r _ n2 w2 h2 f2 e2 ra2 rb2 fa2 fb2 ta2 tb2 c2 < <(grep '^totals' "$work/serial.out" || echo "totals 0 0 0 0 1 0 0 0 0 0 0 1")
echo "soak: $minutes min, $((n1 + n2)) requests, $((w1 + w2)) wrong, $((h1 + h2)) hung," \
  "$((f1 + f2)) failed in fault windows, $((e1 + e2)) failed outside them," \
  "rss $((ra1 + ra2))->$((rb1 + rb2)) KiB, fds $((fa1 + fa2))->$((fb1 + fb2)), threads $((ta1 + ta2))->$((tb1 + tb2))"
if [ $((c1 + c2)) -ne 0 ]; then echo "soak: port counters do not add up on $((c1 + c2)) gateway(s)"; fi
exit $rc
