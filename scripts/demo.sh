#!/usr/bin/env bash
# The main job: builds what it runs, starts the bus simulator and drives it with the example
# host program, then with Kestrin's headless runner on a small script; with a display, Kestrin's
# window then opens connected to the simulator (close it to end). Usage: scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "${NORVANE_JOBS:-2}" --target norvane-sim host_demo kestrin sdk_version
bin=build/default/bin
if [ -x "$bin/norvane-sim" ] && [ -x "$bin/host_demo" ]; then
  control=${TMPDIR:-/tmp}/norvane-sim-demo.$$.ctl
  "$bin/norvane-sim" --control "$control" & sim=$!
  trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
  # Wait until the simulated gateway listens (at most about 5 s).
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/28877) 2>/dev/null && break
    sleep 0.1
  done
  "$bin/host_demo" 127.0.0.1
  if [ -x "$bin/kestrin" ]; then
    echo
    echo "kestrin --headless: examples/kestrin_demo.txt on node 5"
    "$bin/kestrin" --headless --ip 127.0.0.1 --tick 5 --command "FBK;MDL5;" --script examples/kestrin_demo.txt
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      # Search the simulator's Ethernet gateway only (127.0.0.1), unless the folder has its own file.
      [ -f "$bin/GWParam.cfg" ] || echo "0,0,0,1,0,0,2130706433,0," > "$bin/GWParam.cfg"
      echo
      echo "kestrin: the window, connected to the simulator"
      echo "device events (README, Simulator): echo 'input 8 2 high' | socat - UNIX-CONNECT:$control"
      "$bin/kestrin" --connect
    fi
  fi
else
  "$bin/sdk_version"
fi
