#!/usr/bin/env bash
# The demo: simulated devices on loopback (tools/devsim/demo-fleet.xml: cameras of several
# kinds, a door-bell, a switch and a four-channel recorder) and the desktop client showing them
# live in a 9-pane grid. Closing the client ends the demo and stops the simulated devices.
#
# Without a display (no $DISPLAY) the client runs on a private Xvfb and a screenshot is saved
# every 10 s to $build/demo-screen.png; Ctrl-C ends it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh

build=${VANTOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target devsim vantor -j "$(nproc)"

# Discovery and LAN search stay on loopback.
export VANTOR_BROADCAST_ADDR=127.255.255.255

home="$build/demo-home"
# --keep: a rerun leaves the demo folder's settings, accounts and device list as the user left them.
python3 scripts/demo_home.py tools/devsim/demo-fleet.xml "$home" --panes 9 --keep

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

"$build/bin/devsim" --fleet tools/devsim/demo-fleet.xml --no-stdin >"$build/demo-devsim.log" 2>&1 &
pids+=($!)

shooter=""
if [ -z "${DISPLAY:-}" ]; then
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp 3>"$numfile" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.1; done
  num=$(head -n1 "$numfile"); rm -f "$numfile"
  [ -n "$num" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$num"
  shooter=1
  echo "No display: the client runs on Xvfb $DISPLAY; screenshots go to $build/demo-screen.png"
fi

cat <<TEXT

Vantor demo
  devices:  tools/devsim/demo-fleet.xml on loopback (log: $build/demo-devsim.log)
  client:   data folder $home, administrator "admin" / "admin" (remembered)
Drag a device from the list on the right onto a pane to open it there; double-click a pane to
enlarge it. Closing the client ends the demo.

TEXT

"$build/bin/vantor" --home "$home" --auto-login &
client=$!
pids+=($client)
if [ -n "$shooter" ]; then
  while kill -0 "$client" 2>/dev/null; do
    sleep 10
    xwd -root -silent -display "$DISPLAY" -out "$build/demo-screen.xwd" 2>/dev/null &&
      ffmpeg -loglevel error -y -i "$build/demo-screen.xwd" "$build/demo-screen.png" || true
  done
fi
wait "$client" || true
